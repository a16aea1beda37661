// Templates of the parameter dialogs and the access-code dialog.

#include "res/Templates.h"

namespace tmx7::res {

std::span<const Dialog> SettingsDialogs() {
    return {};
}

} // namespace tmx7::res
