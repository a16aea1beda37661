#include "ui/mainwindow/ParameterPages.h"

#include "gui/Text.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>

namespace tmx7 {

namespace {

// The value fields take the mouse; a double-click asks for the field's setting.
class ValueLabel : public QLabel {
public:
    ValueLabel(Field field, ParameterPages* pages) : m_field(field), m_pages(pages) {
        setAlignment(Qt::AlignCenter);
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    // Wide enough for the longest value the module reports, framed, in the
    // font of the moment.
    QSize minimumSizeHint() const override {
        const int text = fontMetrics().horizontalAdvance(QStringLiteral("57600bps,e.8.2"));
        return {text + 2 * frameWidth() + 2 * fontMetrics().averageCharWidth(),
                QLabel::minimumSizeHint().height()};
    }
    QSize sizeHint() const override { return minimumSizeHint().expandedTo(QLabel::sizeHint()); }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            emit m_pages->valueDoubleClicked(m_field);
        event->accept();
    }

private:
    Field m_field;
    ParameterPages* m_pages;
};

// The names whose value a double-click sets carry this tip.
const char* TipFor(Field field) {
    static constexpr std::pair<Field, const char*> kTips[] = {
        {Field::TxFrequency, "双击对话框对发射频率进行设置"},
        {Field::RxFrequency, "双击对话框对接收频率进行设置"},
        {Field::AirRate, "双击对话框对无线速率进行设置"},
        {Field::SerialFormat, "双击对话框对串口格式进行设置"},
        {Field::TxPower, "双击对话框对发射功率进行设置"},
        {Field::Group, "双击对话框对组号进行设置"},
        {Field::PowerMode, "双击对话框对省电模式进行设置"},
        {Field::SerialMode, "双击对话框对串口模式进行设置"},
        {Field::SleepPeriod, "双击对话框对省电周期进行设置"},
        {Field::SaveAddr, "双击对话框对省电地址进行设置"},
        {Field::WakeDelay, "双击对话框对唤醒延时进行设置"},
        {Field::PassiveAddr, "双击对话框对被动地址进行设置"},
    };
    for (const auto& [f, tip] : kTips)
        if (f == field)
            return tip;
    return nullptr;
}

QString PageName(Page page) {
    constexpr const char* kNames[] = {"generalPage", "powerSavingPage", "passivePage"};
    return QString::fromLatin1(kNames[static_cast<std::size_t>(page)]);
}

QString Name(std::string_view key, const char* suffix) {
    return gui::ToQString(key) + QLatin1String(suffix);
}

} // namespace

ParameterPages::ParameterPages(QWidget* parent) : QTabWidget(parent) {
    setObjectName(QStringLiteral("parameterTabs"));
    std::array<QGridLayout*, kPages.size()> grids{};
    std::array<int, kPages.size()> placed{};
    for (const PageInfo& info : kPages) {
        const auto p = static_cast<std::size_t>(info.page);
        m_pages[p] = new QWidget(this);
        m_pages[p]->hide(); // until it is a tab
        m_pages[p]->setObjectName(PageName(info.page));
        grids[p] = new QGridLayout(m_pages[p]);
        // Three columns of name and value; values share the width.
        for (int column = 0; column < 3; ++column)
            grids[p]->setColumnStretch(2 * column + 1, 1);
        grids[p]->setRowStretch(3, 1);
    }
    for (const FieldInfo& f : kFields) {
        const auto p = static_cast<std::size_t>(f.page);
        auto* name = new QLabel(gui::ToQString(f.caption), m_pages[p]);
        name->setObjectName(Name(f.key, "Label"));
        if (const char* tip = TipFor(f.field))
            name->setToolTip(QString::fromUtf8(tip));
        auto* value = new ValueLabel(f.field, this);
        value->setParent(m_pages[p]);
        value->setObjectName(Name(f.key, "Value"));
        value->setText(QStringLiteral("********"));
        m_values[static_cast<std::size_t>(f.field)] = value;
        // Column by column, three rows each.
        const int row = placed[p] % 3;
        const int column = placed[p] / 3;
        ++placed[p];
        grids[p]->addWidget(name, row, 2 * column);
        grids[p]->addWidget(value, row, 2 * column + 1);
    }
    addTab(m_pages[0], gui::ToQString(PageOf(Page::General).caption));
}

void ParameterPages::setValue(Field field, const QString& text) {
    m_values[static_cast<std::size_t>(field)]->setText(text);
}

QString ParameterPages::value(Field field) const {
    return m_values[static_cast<std::size_t>(field)]->text();
}

bool ParameterPages::pageShown(Page page) const {
    return indexOf(m_pages[static_cast<std::size_t>(page)]) >= 0;
}

void ParameterPages::showPage(Page page, bool shown) {
    QWidget* widget = m_pages[static_cast<std::size_t>(page)];
    if (shown == pageShown(page))
        return;
    if (!shown) {
        removeTab(indexOf(widget));
        widget->hide();
        return;
    }
    // After every page present that comes before it.
    int at = 0;
    for (const PageInfo& info : kPages)
        if (info.page != page && PageOf(page).position > info.position && pageShown(info.page))
            ++at;
    insertTab(at, widget, gui::ToQString(PageOf(page).caption));
}

void ParameterPages::selectPage(Page page) {
    if (const int at = indexOf(m_pages[static_cast<std::size_t>(page)]); at >= 0)
        setCurrentIndex(at);
}

} // namespace tmx7
