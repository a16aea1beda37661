#include "ui/dialogs/SerialFormatDlg.h"

#include "gui/Text.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tmx7 {
namespace {

template <std::size_t N>
QListWidget* MakeList(const std::array<std::string_view, N>& rows, const QString& name,
                      QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    for (std::string_view row : rows)
        list->addItem(gui::ToQString(row));
    return list;
}

int SelectedRow(const QListWidget* list) {
    // The current row alone is no choice: a list takes one as soon as it
    // has the focus, without selecting it.
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.front());
}

} // namespace

CSerialFormatDlg::CSerialFormatDlg(QWidget* parent)
    : CChoiceDlg(QStringLiteral("串口格式设置"), parent),
      m_formatList(MakeList(kSerialFormatEntries, QStringLiteral("formatList"), this)),
      m_baudList(MakeList(kRateEntries, QStringLiteral("baudList"), this)) {
    const auto half = [this](const QString& title, QListWidget* list, const QString& prefix,
                             SerialFormatResult result) {
        auto* box = new QGroupBox(title, this);
        auto* column = new QVBoxLayout(box);
        column->addWidget(list);
        auto* buttons = new QHBoxLayout;
        // The confirm closes by what is selected, not by a fixed choice.
        QPushButton* ok = makeButton("确定", prefix + QStringLiteral("OkButton"));
        connect(ok, &QPushButton::clicked, this, [this, result, list] { confirm(result, list); });
        buttons->addWidget(ok);
        buttons->addWidget(addChoiceButton("取消", 0, prefix + QStringLiteral("CancelButton")));
        column->addLayout(buttons);
        return box;
    };
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(half(QStringLiteral("数据位数设置"), m_formatList, QStringLiteral("format"),
                           SerialFormatResult::DataFormat));
    layout->addWidget(half(QStringLiteral("波特率设置"), m_baudList, QStringLiteral("baud"),
                           SerialFormatResult::BaudRate));
}

void CSerialFormatDlg::confirm(SerialFormatResult half, const QListWidget* list) {
    const SerialFormatChoice c = SerialFormatConfirm(half, SelectedRow(list));
    m_row = c.index;
    finish(c.result);
}

} // namespace tmx7
