#pragma once
// "公司产品": the maker's four products, each a picture with its name under
// it. A left press on a picture or a name opens that product's page on the
// maker's host; the widget pressed decides which, so a press elsewhere (a
// menu opened over the column, say) opens nothing.

#include <QGroupBox>

namespace tmx7 {

class ProductColumn : public QGroupBox {
    Q_OBJECT
public:
    explicit ProductColumn(QWidget* parent = nullptr);
};

} // namespace tmx7
