#pragma once
// The window's ways out to other documents: the help, the maker's home page
// and the product pages. Everything opens with the desktop's own handler;
// nothing waits for it or looks at the result.
//
// The maker's web host is a setting, empty unless configured:
//   TMX7_HOME_HOST=www.example.com (or https://www.example.com), else
//   "host=..." in $XDG_CONFIG_HOME/tmx7/links (default ~/.config/tmx7/links).
// Without a host the home page and the product pictures open nothing.

#include <QString>
#include <QUrl>

#include <functional>
#include <string_view>

namespace tmx7 {

// The configured host as a URL base ("https://www.example.com"), or empty.
QString MakerHost();

// A page on the maker's host ("/index.html"); empty when no host is set.
QUrl MakerPage(std::string_view path);

// The help document: "帮助.chm" in the current directory where it exists,
// else the program's own HTML help installed beside it; empty when neither is.
QString HelpDocumentPath();

void OpenHelp();
void OpenHomePage();
void OpenMakerPage(std::string_view path);

// While set, every open goes to the hook instead of the desktop (tests).
using UrlOpenHook = std::function<void(const QUrl&)>;
void SetUrlOpenHook(UrlOpenHook hook);

} // namespace tmx7
