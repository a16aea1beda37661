#pragma once
// The help document, the maker's home page and product pages, opened with
// the desktop's own handler (nothing waits for it or looks at the result).
// The maker's host is a setting, empty unless configured: TMX7_HOME_HOST, else
// "host=..." in $XDG_CONFIG_HOME/tmx7/links. Without it no page opens.

#include <QUrl>

#include <functional>
#include <string_view>

namespace tmx7 {

QUrl MakerPage(std::string_view path); // empty without a valid host
void OpenHelp();
void OpenMakerPage(std::string_view path);
// While set, every open goes to the hook instead of the desktop (tests).
void SetUrlOpenHook(std::function<void(const QUrl&)> hook);

} // namespace tmx7
