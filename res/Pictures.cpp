#include "res/Pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tmx7::res {
namespace {

const QColor kInk{40, 52, 70};
const QColor kBoard{34, 120, 84};
const QColor kMetal{176, 186, 196};
const QColor kAccent{220, 90, 40};
const QColor kSky{70, 130, 200};

// Radio waves: arcs centred on (cx, cy), opening upwards and to the right.
void Waves(QPainter& p, QPointF c, qreal r0, qreal step, int count, QColor color, qreal width) {
    p.save();
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) {
        const qreal r = r0 + i * step;
        QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
        p.drawArc(box, 20 * 16, 50 * 16);
        p.drawArc(box, 110 * 16, 50 * 16);
    }
    p.restore();
}

void Antenna(QPainter& p, QPointF base, qreal height, qreal width) {
    p.save();
    p.setPen(QPen(kInk, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(base, base - QPointF(0, height));
    p.setBrush(kInk);
    p.drawEllipse(base - QPointF(0, height), width, width);
    p.restore();
}

// A circuit board module with pins, used for the GPRS and radio modules.
void Module(QPainter& p, const QRectF& r, const QString& label, QColor board) {
    p.save();
    p.setPen(QPen(kInk, 1));
    p.setBrush(board);
    p.drawRoundedRect(r, r.width() * 0.06, r.width() * 0.06);
    // pins along the bottom edge
    const int pins = 6;
    p.setBrush(kMetal);
    for (int i = 0; i < pins; ++i) {
        const qreal x = r.left() + r.width() * (i + 0.75) / (pins + 0.5);
        p.drawRect(QRectF(x, r.bottom(), r.width() * 0.05, r.height() * 0.12));
    }
    // shield can
    QRectF can(r.left() + r.width() * 0.1, r.top() + r.height() * 0.15, r.width() * 0.5,
               r.height() * 0.6);
    QLinearGradient g(can.topLeft(), can.bottomRight());
    g.setColorAt(0, QColor(225, 230, 236));
    g.setColorAt(1, kMetal);
    p.setBrush(g);
    p.drawRect(can);
    p.setPen(kInk);
    QFont f = p.font();
    f.setPixelSize(qMax(6, int(can.height() * 0.34)));
    f.setBold(true);
    p.setFont(f);
    p.drawText(can, Qt::AlignCenter, label);
    // connector
    p.setBrush(QColor(230, 200, 60));
    p.drawEllipse(QRectF(r.left() + r.width() * 0.72, r.top() + r.height() * 0.3, r.width() * 0.16,
                         r.width() * 0.16));
    p.restore();
}

void DrawGprs(QPainter& p, QSizeF s) {
    QRectF body(s.width() * 0.1, s.height() * 0.4, s.width() * 0.8, s.height() * 0.45);
    Module(p, body, QStringLiteral("GPRS"), kBoard);
    const QPointF tip(s.width() * 0.8, s.height() * 0.4);
    Antenna(p, tip, s.height() * 0.2, qMax(1.5, s.width() * 0.03));
    Waves(p, tip - QPointF(0, s.height() * 0.2), s.height() * 0.07, s.height() * 0.06, 2, kSky,
          qMax(1.0, s.width() * 0.025));
}

void DrawRadio(QPainter& p, QSizeF s) {
    QRectF body(s.width() * 0.08, s.height() * 0.42, s.width() * 0.84, s.height() * 0.42);
    Module(p, body, QStringLiteral("433M"), QColor(30, 70, 140));
    const QPointF tip(s.width() * 0.22, s.height() * 0.42);
    Antenna(p, tip, s.height() * 0.22, qMax(1.5, s.width() * 0.03));
    Waves(p, tip - QPointF(0, s.height() * 0.22), s.height() * 0.06, s.height() * 0.05, 3, kSky,
          qMax(1.0, s.width() * 0.025));
}

void DrawAlarm(QPainter& p, QSizeF s) {
    // a box with a beacon on top
    QRectF box(s.width() * 0.2, s.height() * 0.5, s.width() * 0.6, s.height() * 0.4);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(90, 96, 110));
    p.drawRoundedRect(box, 3, 3);
    QRectF dome(s.width() * 0.34, s.height() * 0.2, s.width() * 0.32, s.height() * 0.4);
    QPainterPath path;
    path.moveTo(dome.left(), dome.bottom());
    path.arcTo(dome.adjusted(0, 0, 0, dome.height()), 180, -180);
    path.closeSubpath();
    QLinearGradient g(dome.topLeft(), dome.bottomLeft());
    g.setColorAt(0, QColor(255, 150, 110));
    g.setColorAt(1, kAccent);
    p.setBrush(g);
    p.drawPath(path);
    // flashes
    p.setPen(QPen(kAccent, qMax(1.0, s.width() * 0.03), Qt::SolidLine, Qt::RoundCap));
    const QPointF c(s.width() * 0.5, s.height() * 0.32);
    for (int a : {-150, -120, -60, -30}) {
        const qreal rad = a * 3.14159265 / 180.0;
        const QPointF d(std::cos(rad), std::sin(rad));
        p.drawLine(c + d * s.height() * 0.2, c + d * s.height() * 0.3);
    }
    // switch and speaker slots
    p.setPen(QPen(QColor(200, 205, 215), 1));
    for (int i = 0; i < 3; ++i) {
        const qreal y = box.top() + box.height() * (0.3 + 0.2 * i);
        p.drawLine(QPointF(box.left() + box.width() * 0.15, y),
                   QPointF(box.left() + box.width() * 0.5, y));
    }
    p.setBrush(QColor(80, 200, 120));
    p.drawEllipse(QPointF(box.left() + box.width() * 0.75, box.center().y()), box.height() * 0.15,
                  box.height() * 0.15);
}

void DrawTerminal(QPainter& p, QSizeF s) {
    QRectF box(s.width() * 0.12, s.height() * 0.12, s.width() * 0.76, s.height() * 0.76);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(225, 228, 232));
    p.drawRoundedRect(box, 4, 4);
    QRectF screen(box.left() + box.width() * 0.1, box.top() + box.height() * 0.1, box.width() * 0.8,
                  box.height() * 0.4);
    p.setBrush(QColor(30, 60, 50));
    p.drawRect(screen);
    // a small trace on the screen
    p.setPen(QPen(QColor(120, 240, 150), qMax(1.0, s.width() * 0.02)));
    QPainterPath trace;
    trace.moveTo(screen.left() + 2, screen.center().y());
    for (int i = 1; i <= 8; ++i) {
        const qreal x = screen.left() + 2 + (screen.width() - 4) * i / 8.0;
        const qreal y = screen.center().y() +
                        ((i % 2) ? -1 : 1) * screen.height() * 0.25 * ((i % 3) ? 1.0 : 0.5);
        trace.lineTo(x, y);
    }
    p.drawPath(trace);
    // keypad
    p.setPen(QPen(kInk, 1));
    p.setBrush(kMetal);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 4; ++col)
            p.drawRect(QRectF(box.left() + box.width() * (0.12 + 0.2 * col),
                              box.top() + box.height() * (0.6 + 0.17 * row), box.width() * 0.14,
                              box.height() * 0.11));
}

void DrawIcon(QPainter& p, QSizeF s) {
    // a mast with waves on a blue disc
    const qreal w = s.width();
    QRadialGradient g(QPointF(w * 0.4, w * 0.35), w * 0.6);
    g.setColorAt(0, QColor(110, 170, 235));
    g.setColorAt(1, QColor(30, 80, 160));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QRectF(w * 0.03, w * 0.03, w * 0.94, w * 0.94));
    p.setPen(QPen(Qt::white, qMax(1.0, w * 0.06), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF top(w * 0.5, w * 0.36);
    p.drawLine(top, QPointF(w * 0.32, w * 0.82));
    p.drawLine(top, QPointF(w * 0.68, w * 0.82));
    p.drawLine(QPointF(w * 0.39, w * 0.6), QPointF(w * 0.61, w * 0.6));
    Waves(p, top, w * 0.12, w * 0.11, 2, Qt::white, qMax(1.0, w * 0.05));
}

void DrawIndicator(QPainter& p, QSizeF s) {
    QRadialGradient g(QPointF(s.width() * 0.4, s.height() * 0.4), s.width() * 0.5);
    g.setColorAt(0, QColor(255, 190, 170));
    g.setColorAt(1, QColor(210, 30, 30));
    p.setPen(QPen(kInk, 1));
    p.setBrush(g);
    p.drawEllipse(QRectF(1, 1, s.width() - 2, s.height() - 2));
}

void DrawAbout(QPainter& p, QSizeF s) {
    QLinearGradient sky(0, 0, 0, s.height());
    sky.setColorAt(0, QColor(170, 205, 240));
    sky.setColorAt(1, QColor(235, 243, 250));
    p.fillRect(QRectF(QPointF(0, 0), s), sky);
    // hills
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 170, 110));
    QPainterPath hills;
    hills.moveTo(0, s.height() * 0.8);
    hills.cubicTo(s.width() * 0.3, s.height() * 0.62, s.width() * 0.6, s.height() * 0.9, s.width(),
                  s.height() * 0.72);
    hills.lineTo(s.width(), s.height());
    hills.lineTo(0, s.height());
    hills.closeSubpath();
    p.drawPath(hills);
    // two masts talking to each other
    const auto mast = [&](qreal x, qreal h) {
        p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::RoundCap));
        const QPointF top(x, s.height() * (0.78 - h));
        p.drawLine(top, QPointF(x - s.width() * 0.05, s.height() * 0.8));
        p.drawLine(top, QPointF(x + s.width() * 0.05, s.height() * 0.8));
        p.drawLine(QPointF(x - s.width() * 0.03, s.height() * (0.8 - h / 3)),
                   QPointF(x + s.width() * 0.03, s.height() * (0.8 - h / 3)));
        Waves(p, top, s.width() * 0.04, s.width() * 0.035, 3, kAccent, 2);
    };
    mast(s.width() * 0.25, 0.42);
    mast(s.width() * 0.75, 0.36);
    // the module in front
    Module(p, QRectF(s.width() * 0.3, s.height() * 0.52, s.width() * 0.4, s.height() * 0.2),
           QStringLiteral("TMX7"), QColor(30, 70, 140));
}

} // namespace

QPixmap DrawPicture(Picture picture, QSize size, qreal ratio) {
    static constexpr void (*kDraw[])(QPainter&, QSizeF) = {
        DrawIcon, DrawGprs, DrawRadio, DrawAlarm, DrawTerminal, DrawIndicator, DrawAbout};
    const QSize pixels = (QSizeF(size) * ratio).toSize();
    if (pixels.isEmpty())
        return {};
    QPixmap pm(pixels);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    kDraw[static_cast<int>(picture)](p, QSizeF(pixels));
    pm.setDevicePixelRatio(ratio);
    return pm;
}

QIcon AppIcon() {
    QIcon icon;
    for (int s : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(DrawPicture(Picture::AppIcon, QSize(s, s)));
    return icon;
}

bool SavePicture(Picture picture, QSize size, const QString& path) {
    const QPixmap pm = DrawPicture(picture, size);
    return !pm.isNull() && pm.save(path, "PNG");
}

} // namespace tmx7::res
