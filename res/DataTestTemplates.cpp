// Templates of the continuous-send and send-count dialogs.

#include "res/Templates.h"

namespace tmx7::res {

std::span<const Dialog> DataTestDialogs() {
    return {};
}

} // namespace tmx7::res
