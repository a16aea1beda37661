#include "gui/DialogButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace tmx7::gui {
namespace {

QPushButton* AddButton(QDialogButtonBox* box, const QString& caption, const QString& name,
                       QDialogButtonBox::ButtonRole role) {
    QPushButton* b = box->addButton(caption, role);
    b->setObjectName(name);
    // A focused button does not turn into the default one.
    b->setAutoDefault(false);
    return b;
}

} // namespace

QDialogButtonBox* OkCancelButtons(QDialog* dialog, const QString& okCaption,
                                  const QString& cancelCaption) {
    auto* box = new QDialogButtonBox(dialog);
    QPushButton* ok = AddButton(box, okCaption.isEmpty() ? QStringLiteral("确定") : okCaption,
                                QStringLiteral("okButton"), QDialogButtonBox::AcceptRole);
    AddButton(box, cancelCaption.isEmpty() ? QStringLiteral("取消") : cancelCaption,
              QStringLiteral("cancelButton"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

QDialogButtonBox* OkButton(QDialog* dialog) {
    auto* box = new QDialogButtonBox(dialog);
    QPushButton* ok = AddButton(box, QStringLiteral("确定"), QStringLiteral("okButton"),
                                QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    box->setCenterButtons(true);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    return box;
}

} // namespace tmx7::gui
