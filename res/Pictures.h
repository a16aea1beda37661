#pragma once
// The icon and pictures, drawn in code so the sources carry no image files
// and every size is drawn sharp.

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

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

// Draws `picture` at `size` (device-independent pixels) for a screen of
// `ratio` device pixels to each.
QPixmap DrawPicture(Picture picture, QSize size, qreal ratio = 1.0);
// The application icon in the usual sizes.
QIcon AppIcon();
// Writes a picture as PNG (for the desktop file's icon); false on failure.
bool SavePicture(Picture picture, QSize size, const QString& path);

} // namespace tmx7::res
