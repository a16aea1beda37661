#pragma once
// The "确定"/"取消" row of a dialog. "确定" ("okButton") is the dialog's one
// default button, so Enter anywhere in the dialog presses it, also while
// "取消" ("cancelButton") has the focus; "取消" rejects the dialog. What
// "确定" does is the caller's: connect QDialogButtonBox::accepted.

#include <QString>

class QDialog;
class QDialogButtonBox;

namespace tmx7::gui {

QDialogButtonBox* OkCancelButtons(QDialog* dialog, const QString& okCaption = {},
                                  const QString& cancelCaption = {});
// A row with the one button "确定" that accepts the dialog.
QDialogButtonBox* OkButton(QDialog* dialog);

} // namespace tmx7::gui
