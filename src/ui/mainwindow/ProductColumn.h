#pragma once
// "公司产品": the maker's four products, each a picture with its name under
// it. A left press strictly inside a picture or a name opens that product's
// page; the widget pressed decides which, never where the pointer is, so a
// click in a menu opened over the column opens nothing.

#include <QGroupBox>

namespace tmx7 {

class ProductColumn : public QGroupBox {
    Q_OBJECT
public:
    explicit ProductColumn(QWidget* parent = nullptr);
};

} // namespace tmx7
