#include "settings/dialogs/TypedDlgs.h"

#include "gui/MessageBox.h"
#include "res/ResourceIds.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace tmx7 {

CHexTextDlg::CHexTextDlg(int dialogId, int editId, int okId, int cancelId,
                         const FilteredEdit& initial, TextCheck (*check)(std::string_view),
                         QWidget* parent)
    : gui::TemplateDialog(dialogId, parent), m_editId(editId), m_okId(okId), m_cancelId(cancelId),
      m_check(check) {
    SetText(editId, QString::fromStdString(initial.text));
    SetLimitText(editId, static_cast<int>(initial.maxLength));
    SetHexFilter(editId, gui::HexKeys::NoBlank);
}

std::string CHexTextDlg::Text() const {
    return m_bAccepted ? m_strAccepted : gui::TemplateDialog::Text(m_editId).toStdString();
}

void CHexTextDlg::OnCommand(int id, int code) {
    if (code != gui::kClicked)
        return;
    if (id == m_okId || id == res::IDOK) {
        const TextCheck verdict = m_check(gui::TemplateDialog::Text(m_editId).toStdString());
        if (!verdict.ok()) {
            gui::MessageBox(this, QString::fromStdString(verdict.prompt), {},
                            gui::MB_OK | gui::MB_ICONWARNING);
            if (QLineEdit* edit = LineEdit(m_editId)) {
                edit->setFocus();
                edit->selectAll();
            }
            return;
        }
        m_strAccepted = *verdict.value;
        m_bAccepted = true;
        EndDialog(res::IDOK);
    } else if (id == m_cancelId || id == res::IDCANCEL) {
        EndDialog(res::IDCANCEL);
    }
}

bool CHexTextDlg::PreTranslate(QWidget* target, QEvent* event) {
    // The context menu would offer paste and undo around the key filter's
    // back; it opens on a right press or the menu key, so both go.
    if (event->type() == QEvent::ContextMenu)
        return true;
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick ||
        event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
            return true;
    }
    return gui::TemplateDialog::PreTranslate(target, event);
}

CSaveAddrDlg::CSaveAddrDlg(QWidget* parent)
    : CHexTextDlg(res::IDD_SAVE_ADDR, res::IDC_SAVEADDR_VALUE, res::IDC_SAVEADDR_OK,
                  res::IDC_SAVEADDR_CANCEL, SaveAddrModel().Edit(), &CheckSaveAddr, parent) {}

CGroupDlg::CGroupDlg(QWidget* parent)
    : CHexTextDlg(res::IDD_GROUP, res::IDC_GROUP_VALUE, res::IDC_GROUP_OK, res::IDC_GROUP_CANCEL,
                  GroupModel().Edit(), &CheckGroup, parent) {}

} // namespace tmx7
