#include "ui/dialogs/WirelessDlg.h"

#include "gui/Text.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace tmx7 {
namespace {

template <std::size_t N>
QComboBox* MakeList(const std::array<std::string_view, N>& rows, const QString& name,
                    QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    for (std::string_view row : rows)
        list->addItem(gui::ToQString(row));
    list->setCurrentIndex(0);
    return list;
}

} // namespace

CWirelessDlg::CWirelessDlg(QWidget* parent) : CChoiceDlg(QStringLiteral("无线参数设置"), parent) {
    QComboBox* power = MakeList(kTxPowerEntries, QStringLiteral("txPowerList"), this);
    QComboBox* rate = MakeList(kRateEntries, QStringLiteral("airRateList"), this);
    connect(power, &QComboBox::currentIndexChanged, this,
            [this](int row) { m_model.SelectTxPower(row); });
    connect(rate, &QComboBox::currentIndexChanged, this,
            [this](int row) { m_model.SelectAirRate(row); });

    const ChoiceButton& setPower = kWirelessButtons[0];
    const ChoiceButton& setRate = kWirelessButtons[1];
    const ChoiceButton& cancel = kWirelessButtons[2];
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("发射功率"), this), 0, 0);
    grid->addWidget(power, 1, 0);
    grid->addWidget(
        addChoiceButton(setPower.caption, setPower.choice, QStringLiteral("txPowerSetButton")), 2,
        0);
    grid->addWidget(new QLabel(QStringLiteral("无线速率"), this), 0, 1);
    grid->addWidget(rate, 1, 1);
    grid->addWidget(
        addChoiceButton(setRate.caption, setRate.choice, QStringLiteral("airRateSetButton")), 2, 1);
    grid->setRowMinimumHeight(3, fontMetrics().height() / 2);
    grid->addWidget(addChoiceButton(cancel.caption, cancel.choice, QStringLiteral("cancelButton")),
                    4, 0, 1, 2, Qt::AlignHCenter);
}

} // namespace tmx7
