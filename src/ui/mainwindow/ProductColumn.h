#pragma once
// "公司产品": the maker's four products, each a picture with its name under
// it. A left press strictly inside a picture or a name opens that product's
// page; the widget pressed decides which, never where the pointer is, so a
// click in a menu opened over the column opens nothing.
//
// Documents and pages open with the desktop's own handler; nothing waits for
// them or looks at the result. The maker's host is a setting, empty unless
// configured: TMX7_HOME_HOST, else "host=..." in $XDG_CONFIG_HOME/tmx7/links.

#include <QGroupBox>
#include <QUrl>

#include <functional>
#include <string_view>

namespace tmx7 {

QUrl MakerPage(std::string_view path); // empty without a valid host
void OpenMakerPage(std::string_view path);
void OpenHelp();
// While set, every open goes to the hook instead of the desktop (tests).
void SetUrlOpenHook(std::function<void(const QUrl&)> hook);

class ProductColumn : public QGroupBox {
    Q_OBJECT
public:
    explicit ProductColumn(QWidget* parent = nullptr);
};

} // namespace tmx7
