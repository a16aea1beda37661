#pragma once
// The icon and pictures, drawn in code so the sources carry no image files
// and every size is drawn sharp.

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace tmx7::res {

// Draws picture `id` (IDI_APP, IDB_...) at `size`; a null pixmap for unknown ids.
QPixmap DrawPicture(int id, QSize size);
// The application icon in the usual sizes.
QIcon AppIcon();
// Writes a picture as PNG (for the desktop file's icon); false on failure.
bool SavePicture(int id, QSize size, const QString& path);

} // namespace tmx7::res
