#pragma once
// The common part of the typed dialogs: a short hexadecimal text in an edit
// that takes only 0-9, upper-case A-F, backspace and the full stop (typed,
// pasted and dropped text alike) up to its length limit, and offers no
// context menu. "确定" or Enter checks the text: a refused text shows the
// prompt and keeps the dialog open; an accepted one is left-padded to the
// full width.

#include "settings/DialogModels.h"

#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;

namespace tmx7 {

class CHexTextDlg : public QDialog {
    Q_OBJECT
public:
    // The checked, padded text after "确定"; nothing when cancelled.
    std::optional<std::string> text() const { return m_text; }

protected:
    enum class LabelPlace { Above, Beside };
    CHexTextDlg(const QString& title, const QString& label, LabelPlace place,
                const FilteredEdit& initial, TextCheck (*check)(std::string_view), QWidget* parent);

private:
    void onOk();

    QLineEdit* m_edit;
    TextCheck (*m_check)(std::string_view);
    std::optional<std::string> m_text;
};

} // namespace tmx7
