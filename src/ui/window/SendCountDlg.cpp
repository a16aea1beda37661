#include "ui/window/SendCountDlg.h"

#include "res/ResourceIds.h"

namespace tmx7 {

CSendCountDlg::CSendCountDlg(CountSource count, LeaveFunction onLeave, QWidget* parent)
    : TemplateDialog(res::IDD_SEND_COUNT, parent), m_source(std::move(count)),
      m_onLeave(std::move(onLeave)) {
    // The title bar offers no close: the run is stopped by "确定". A close
    // that still arrives (Alt+F4, a window manager ignoring the hint) ends
    // the dialog like Escape and stops the run all the same.
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                   ~Qt::WindowCloseButtonHint);
    Bind(res::IDC_SENDCOUNT_OK, [this] { EndDialog(res::IDOK); });
    Refresh();
    SetTimer(SendCountModel::kRefreshTimerId, SendCountModel::kRefreshMs);
}

void CSendCountDlg::Refresh() {
    if (m_source)
        m_model.Refresh(m_source());
    const QString text = QString::fromStdString(m_model.Text());
    if (Text(res::IDC_SENDCOUNT_VALUE) != text) // no repaint 50 times a second for nothing
        SetText(res::IDC_SENDCOUNT_VALUE, text);
}

void CSendCountDlg::OnTimer(int id) {
    if (id == SendCountModel::kRefreshTimerId && !m_left)
        Refresh();
    else
        TemplateDialog::OnTimer(id);
}

void CSendCountDlg::done(int result) {
    if (!m_left) {
        m_left = true;
        KillTimer(SendCountModel::kRefreshTimerId);
        if (m_onLeave)
            m_onLeave();
    }
    TemplateDialog::done(result);
}

} // namespace tmx7
