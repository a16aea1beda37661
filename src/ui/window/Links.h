#pragma once
// The window's ways out to other documents: the help, the maker's home page
// and the product pages. Everything opens with the desktop's own handler and
// nothing waits for it or looks at the result.
//
// The maker's web host is a setting, empty unless configured:
//   TMX7_HOME_HOST=www.example.com (or https://www.example.com), else
//   "host=..." in $XDG_CONFIG_HOME/tmx7/links (default ~/.config/tmx7/links).
// Without a host the home page and product links do nothing, and the main
// window shows no hand cursor over the products.

#include <QString>
#include <QUrl>

#include <functional>

namespace tmx7 {

inline constexpr int kProductLinkCount = 8;

// The configured host as a URL base ("https://www.example.com"), or empty.
QString MakerHost();
bool LinksEnabled();

// Path of the page for product link `index` (0..7, in the order of the
// product column: GPRS label, GPRS picture, radio label, radio picture,
// alarm label, alarm picture, terminal label, terminal picture); nullptr
// outside that range.
const char* ProductLinkPath(int index);
// The controls of the product column in the same order.
int ProductLinkControl(int index);

// Full addresses; invalid (empty) URLs when links are off or the index is bad.
QUrl HomePageUrl();
QUrl ProductLinkUrl(int index);

// The help document: "帮助.chm" in the current directory where it exists,
// else the program's own HTML help installed beside it. Empty when neither
// is found.
QString HelpDocumentPath();

void OpenHelp();
void OpenHomePage();
void OpenProductLink(int index);

// While set, every open goes to the hook instead of the desktop (tests).
using UrlOpenHook = std::function<void(const QUrl&)>;
void SetUrlOpenHook(UrlOpenHook hook);

} // namespace tmx7
