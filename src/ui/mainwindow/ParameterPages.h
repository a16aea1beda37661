#pragma once
// The parameter pages: one tab per Page, each laid out from the Field table
// in three columns of a name and its value. "一般参数" is always there; the
// power-saving and passive pages come and go as the module's modes say.
// A double-click on a value (not on its name) is reported with its field.

#include "protocol/Fields.h"

#include <QTabWidget>

#include <array>

class QLabel;

namespace tmx7 {

class ParameterPages : public QTabWidget {
    Q_OBJECT
public:
    explicit ParameterPages(QWidget* parent = nullptr);

    void setValue(Field field, const QString& text);
    QString value(Field field) const;
    // Inserts the page at its place among those present, or removes it.
    void showPage(Page page, bool shown);
    bool pageShown(Page page) const;
    void selectPage(Page page);

signals:
    void valueDoubleClicked(tmx7::Field field);

private:
    std::array<QWidget*, kPages.size()> m_pages{};
    std::array<QLabel*, kFieldCount> m_values{};
};

} // namespace tmx7
