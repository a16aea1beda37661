#include "ui/dialogs/ContinuousSendDlg.h"

#include "gui/CharFilter.h"
#include "gui/DialogButtons.h"
#include "gui/Messages.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tmx7 {
namespace {

QLineEdit* NumberEdit(unsigned value, const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(QString::number(value), parent);
    edit->setObjectName(name);
    edit->setAlignment(Qt::AlignRight);
    edit->setValidator(new gui::CharFilter(&ContinuousSendForm::AcceptsChar, edit));
    edit->setContextMenuPolicy(Qt::NoContextMenu);
    return edit;
}

} // namespace

CContinuousSendDlg::CContinuousSendDlg(QWidget* parent)
    : QDialog(parent), m_countEdit(NumberEdit(m_form.Count(), QStringLiteral("countEdit"), this)),
      m_intervalEdit(NumberEdit(m_form.IntervalMs(), QStringLiteral("intervalEdit"), this)) {
    setWindowTitle(QStringLiteral("连续发送数据"));
    m_form.Initialise();

    auto* formRadios = new QButtonGroup(this);
    auto* countRadios = new QButtonGroup(this);
    const auto radio = [this](QButtonGroup* group, const QString& caption, const QString& name,
                              SendRadio which, bool checked) {
        auto* r = new QRadioButton(caption, this);
        r->setObjectName(name);
        r->setChecked(checked);
        group->addButton(r, static_cast<int>(which));
        return r;
    };
    auto* form = new QGroupBox(QStringLiteral("数据形式"), this);
    auto* formColumn = new QVBoxLayout(form);
    formColumn->addWidget(radio(formRadios, QStringLiteral("用户数据"),
                                QStringLiteral("userDataRadio"), SendRadio::UserData,
                                m_form.DataForm() == 0));
    formColumn->addWidget(radio(formRadios, QStringLiteral("标准形式"),
                                QStringLiteral("standardDataRadio"), SendRadio::StandardForm,
                                m_form.DataForm() == 1));
    auto* count = new QGroupBox(QStringLiteral("传输次数"), this);
    auto* countGrid = new QGridLayout(count);
    countGrid->addWidget(radio(countRadios, QStringLiteral("直到被用户中断"),
                               QStringLiteral("untilStoppedRadio"), SendRadio::UntilStopped,
                               m_form.CountMode() == 0),
                         0, 0, 1, 2);
    countGrid->addWidget(radio(countRadios, QStringLiteral("发射次数"),
                               QStringLiteral("countedRadio"), SendRadio::Counted,
                               m_form.CountMode() == 1),
                         1, 0);
    countGrid->addWidget(m_countEdit, 1, 1);
    m_countEdit->setEnabled(m_form.CountEditEnabled());
    for (QButtonGroup* group : {formRadios, countRadios})
        connect(group, &QButtonGroup::idClicked, this, [this](int id) {
            m_form.Click(static_cast<SendRadio>(id));
            m_countEdit->setEnabled(m_form.CountEditEnabled());
        });

    auto* interval = new QHBoxLayout;
    interval->addWidget(new QLabel(QStringLiteral("时间间隔"), this));
    interval->addWidget(m_intervalEdit, 1);
    interval->addWidget(new QLabel(QStringLiteral("毫秒"), this));
    QDialogButtonBox* buttons = gui::OkCancelButtons(this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CContinuousSendDlg::onOk);

    auto* groups = new QHBoxLayout;
    groups->addWidget(form);
    groups->addWidget(count);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(interval);
    layout->addWidget(buttons);
}

void CContinuousSendDlg::onOk() {
    const FormCheck check =
        m_form.Ok(m_countEdit->text().toStdString(), m_intervalEdit->text().toStdString());
    if (!check.choice) {
        gui::ShowPrompt(this, QString::fromStdString(check.message));
        QLineEdit* field = check.field == SendField::Count ? m_countEdit : m_intervalEdit;
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
        return;
    }
    m_choice = check.choice;
    accept();
}

} // namespace tmx7
