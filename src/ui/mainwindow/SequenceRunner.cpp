#include "ui/mainwindow/SequenceRunner.h"

namespace tmx7 {

bool SequenceRunner::start(SequenceKind kind, const std::function<bool(Session&)>& begin) {
    if (m_running || !begin(m_session))
        return false;
    m_running = kind;
    emit busyChanged(true);
    return true;
}

void SequenceRunner::finished(const SequenceFinished& end) {
    // The settings dialog's probes are not the window's.
    if (m_running != end.kind)
        return;
    m_running.reset();
    emit busyChanged(false);
    emit ended(end.kind, end.outcome);
}

QString SequenceRunner::reason() const {
    if (m_running == SequenceKind::Set)
        return QStringLiteral("正在设置参数，请稍候");
    if (m_running == SequenceKind::Download)
        return QStringLiteral("正在下载参数，请稍候");
    if (m_running == SequenceKind::Export)
        return QStringLiteral("正在导出参数，请稍候");
    return m_running ? QStringLiteral("正在刷新参数，请稍候") : QString();
}

QString SequenceRunner::closingText() const {
    if (m_running == SequenceKind::Download)
        return QStringLiteral("参数下载完成后关闭窗口......");
    if (m_running == SequenceKind::Set)
        return QStringLiteral("参数设置完成后关闭窗口......");
    return QStringLiteral("当前操作完成后关闭窗口......");
}

} // namespace tmx7
