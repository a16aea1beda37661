#include "ui/window/ContinuousSendDlg.h"

#include "gui/MessageBox.h"
#include "res/ResourceIds.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QValidator>

namespace tmx7 {
namespace {

// Pasted or dropped text passes the same rule as typed keys: refused
// characters are dropped, not the whole change.
class NumberKeysValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        QString out;
        int newPos = pos;
        for (int i = 0; i < input.size(); ++i) {
            if (ContinuousSendForm::AcceptsChar(input.at(i).unicode()) && input.at(i) != '\b')
                out.append(input.at(i));
            else if (i < pos)
                --newPos;
        }
        input = out;
        pos = newPos;
        return Acceptable;
    }
};

bool IsRightButton(const QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return static_cast<const QMouseEvent*>(e)->button() == Qt::RightButton;
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

} // namespace

CContinuousSendDlg::CContinuousSendDlg(QWidget* parent)
    : TemplateDialog(res::IDD_CONTINUOUS_SEND, parent) {
    SetText(res::IDC_CONTSEND_COUNT, QString::number(m_form.Count()));
    SetText(res::IDC_CONTSEND_INTERVAL, QString::number(m_form.IntervalMs()));
    for (int id : {res::IDC_CONTSEND_COUNT, res::IDC_CONTSEND_INTERVAL})
        if (QLineEdit* e = LineEdit(id))
            e->setValidator(new NumberKeysValidator(e));

    m_form.Initialise();
    for (int id : {res::IDC_CONTSEND_USER_DATA, res::IDC_CONTSEND_STD_DATA,
                   res::IDC_CONTSEND_UNTIL_STOPPED, res::IDC_CONTSEND_COUNTED})
        SetChecked(id, id == m_form.CheckedFormRadio() || id == m_form.CheckedCountRadio());
    Enable(res::IDC_CONTSEND_COUNT, m_form.CountEditEnabled());
}

void CContinuousSendDlg::OnCommand(int id, int code) {
    if (code != gui::kClicked)
        return;
    switch (id) {
    case res::IDC_CONTSEND_USER_DATA:
    case res::IDC_CONTSEND_STD_DATA:
    case res::IDC_CONTSEND_UNTIL_STOPPED:
    case res::IDC_CONTSEND_COUNTED:
        m_form.ClickRadio(id);
        Enable(res::IDC_CONTSEND_COUNT, m_form.CountEditEnabled());
        break;
    case res::IDC_CONTSEND_OK:
    case res::IDOK: // Enter and accept() take the same checks as the button
        OnOk();
        break;
    case res::IDC_CONTSEND_CANCEL:
    case res::IDCANCEL:
        EndDialog(res::IDCANCEL);
        break;
    default:
        TemplateDialog::OnCommand(id, code);
        break;
    }
}

void CContinuousSendDlg::OnOk() {
    const FormCheck check = m_form.Ok(Text(res::IDC_CONTSEND_COUNT).toStdString(),
                                      Text(res::IDC_CONTSEND_INTERVAL).toStdString());
    if (!check.choice) {
        gui::MessageBox(this, QString::fromStdString(check.message), {},
                        gui::MB_OK | gui::MB_ICONWARNING);
        if (QLineEdit* e = LineEdit(check.focusControl)) {
            e->setFocus(Qt::OtherFocusReason);
            e->selectAll();
        }
        return;
    }
    m_choice = *check.choice;
    EndDialog(res::IDOK);
}

bool CContinuousSendDlg::PreTranslate(QWidget* target, QEvent* event) {
    // The right button does nothing here: no context menu with paste, no
    // selection change.
    if (IsRightButton(event))
        return true;
    if (event->type() != QEvent::KeyPress)
        return false;
    const int id = ControlId(target);
    if (id != res::IDC_CONTSEND_COUNT && id != res::IDC_CONTSEND_INTERVAL)
        return false;
    const QString text = static_cast<QKeyEvent*>(event)->text();
    // Only characters are filtered; arrows, Tab, Enter, Delete and shortcuts pass.
    if (text.isEmpty() || !text.at(0).isPrint())
        return false;
    for (const QChar c : text)
        if (!ContinuousSendForm::AcceptsChar(c.unicode()))
            return true;
    return false;
}

} // namespace tmx7
