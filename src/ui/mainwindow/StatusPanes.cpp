#include "ui/mainwindow/StatusPanes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace tmx7 {

namespace {

QLabel* Pane(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    // A long text must not widen the window: the pane shows what fits.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 8);
    return label;
}

} // namespace

StatusPanes::StatusPanes(QStatusBar* bar) : QObject(bar), m_progress(new QProgressBar) {
    m_panes[0] = Pane(QStringLiteral("connectionPane"), bar);
    auto* middle = new QWidget(bar);
    m_panes[1] = Pane(QStringLiteral("activityPane"), middle);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setRange(0, 230);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(middle->fontMetrics().height());
    m_progress->hide();
    auto* row = new QHBoxLayout(middle);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_panes[1], 1);
    row->addWidget(m_progress, 2);
    m_panes[2] = Pane(QStringLiteral("mottoPane"), bar);
    m_panes[2]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    // Equal stretch: the connection pane takes half the width, as its
    // connection report needs.
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

QString StatusPanes::text(StatusSlot slot) const {
    return m_panes[static_cast<std::size_t>(slot)]->text();
}

int StatusPanes::mottoWidth() const {
    return m_panes[2]->width();
}

void StatusPanes::showProgress(bool shown) {
    m_progress->setVisible(shown);
}

void StatusPanes::setProgress(int done, int total) {
    m_progress->setRange(0, total);
    m_progress->setValue(done);
}

} // namespace tmx7
