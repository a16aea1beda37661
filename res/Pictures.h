#pragma once
// The icon and pictures, compiled into the program (res/pictures/), drawn
// large enough to stay sharp at twice the usual scale.

#include <QIcon>
#include <QPixmap>
#include <QSize>

namespace tmx7::res {

enum class Picture {
    AppIcon,
    ProductGprs,
    ProductRadio,
    ProductAlarm,
    ProductTerminal,
    TxIndicator,
    About
};

// `picture` at `size` (device-independent pixels) for a screen of `ratio`
// device pixels to each.
QPixmap LoadPicture(Picture picture, QSize size, qreal ratio = 1.0);
QIcon AppIcon();

} // namespace tmx7::res
