#include "res/Pictures.h"

// Outside any namespace, as Qt's resource initialisation asks: the pictures
// are in a static library, whose unreferenced resource data a linker drops.
static void InitPictures() {
    Q_INIT_RESOURCE(pictures);
}

namespace tmx7::res {

namespace {

QString PathOf(Picture picture) {
    static constexpr const char* kNames[] = {"icon",     "gprs",      "radio", "alarm",
                                             "terminal", "indicator", "about"};
    static const bool loaded = (InitPictures(), true);
    (void)loaded;
    return QStringLiteral(":/pictures/%1.png").arg(QLatin1String(kNames[int(picture)]));
}

} // namespace

QPixmap LoadPicture(Picture picture, QSize size, qreal ratio) {
    QPixmap pm = QPixmap(PathOf(picture))
                     .scaled((QSizeF(size) * ratio).toSize(), Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    pm.setDevicePixelRatio(ratio);
    return pm;
}

QIcon AppIcon() {
    return QIcon(PathOf(Picture::AppIcon));
}

} // namespace tmx7::res
