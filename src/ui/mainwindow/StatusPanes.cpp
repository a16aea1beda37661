#include "ui/mainwindow/StatusPanes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace tmx7 {

StatusPanes::StatusPanes(QStatusBar* bar) : QObject(bar), m_progress(new QProgressBar) {
    auto* middle = new QWidget(bar);
    const char* names[] = {"connectionPane", "activityPane", "mottoPane"};
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        m_panes[i] = new QLabel(i == 1 ? middle : bar);
        m_panes[i]->setObjectName(QString::fromLatin1(names[i]));
        m_panes[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    // A long text must not widen the window: the pane shows what fits.
    m_panes[0]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_panes[1]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(bar->fontMetrics().height());
    m_progress->hide();
    auto* row = new QHBoxLayout(middle);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_panes[1], 1);
    row->addWidget(m_progress, 2);
    // Equal stretch: the connection pane takes half the width.
    bar->addWidget(m_panes[0], 1);
    bar->addWidget(middle, 1);
    bar->addPermanentWidget(m_panes[2]);
    setText(StatusSlot::Connection, QStringLiteral("未建立通信"));
    setText(StatusSlot::Activity, QStringLiteral("下载程序延时......"));
    setText(StatusSlot::Motto, QStringLiteral("我们是优秀的团队"));
    m_panes[2]->setFixedWidth(m_panes[2]->sizeHint().width());
}

void StatusPanes::setText(StatusSlot slot, const QString& text) {
    QLabel* pane = m_panes[static_cast<std::size_t>(slot)];
    pane->setText(text);
    pane->setToolTip(text);
}

void StatusPanes::showProgress(bool shown) {
    m_progress->setVisible(shown);
}

void StatusPanes::setProgress(int done, int total) {
    m_progress->setRange(0, total);
    m_progress->setValue(done);
}

} // namespace tmx7
