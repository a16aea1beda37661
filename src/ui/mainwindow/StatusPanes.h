#pragma once
// The status bar's three panes: the connection (half the width), the
// activity with the refresh and download progress beside its text, and the
// team's motto. A pane shows the start of a long text; its tip shows it all.

#include "protocol/Events.h"

#include <QObject>

#include <array>

class QLabel;
class QProgressBar;
class QStatusBar;

namespace tmx7 {

class StatusPanes : public QObject {
    Q_OBJECT
public:
    explicit StatusPanes(QStatusBar* bar);

    void setText(StatusSlot slot, const QString& text);
    void showProgress(bool shown);
    void setProgress(int done, int total);

private:
    std::array<QLabel*, 3> m_panes{};
    QProgressBar* m_progress;
};

} // namespace tmx7
