#include "ui/mainwindow/ProductColumn.h"

#include "res/Pictures.h"
#include "res/ResourceIds.h"
#include "ui/mainwindow/Links.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace tmx7 {

namespace {

class ProductLink : public QLabel {
public:
    ProductLink(const char* path, const QString& name, QWidget* parent)
        : QLabel(parent), m_path(path) {
        setObjectName(name);
        setAlignment(Qt::AlignCenter);
        if (!MakerPage(m_path).isEmpty())
            setCursor(Qt::PointingHandCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        // A press on the outermost pixel row or column opens nothing.
        if (event->button() == Qt::LeftButton &&
            rect().adjusted(1, 1, -1, -1).contains(event->position().toPoint()))
            OpenMakerPage(m_path);
        QLabel::mousePressEvent(event);
    }

private:
    const char* m_path;
};

} // namespace

ProductColumn::ProductColumn(QWidget* parent) : QGroupBox(QStringLiteral("公司产品"), parent) {
    setObjectName(QStringLiteral("productGroup"));
    struct Product {
        int picture;
        const char* caption;
        const char* path; // the alarm module shares the terminal's page
        const char* name;
    };
    static constexpr Product kProducts[] = {
        {res::IDB_PRODUCT_GPRS, "GPRS模块", "/gprsmokuai.html", "gprs"},
        {res::IDB_PRODUCT_RADIO, "无线数传模块", "/diantaimokuai.html", "radio"},
        {res::IDB_PRODUCT_ALARM, "报警模块", "/cekongzhongduan.html", "alarm"},
        {res::IDB_PRODUCT_TERMINAL, "测控终端", "/cekongzhongduan.html", "terminal"},
    };
    auto* column = new QVBoxLayout(this);
    const int unit = fontMetrics().height();
    const qreal ratio = devicePixelRatioF();
    for (const Product& p : kProducts) {
        const QString name = QString::fromLatin1(p.name);
        auto* picture = new ProductLink(p.path, name + QStringLiteral("Picture"), this);
        QPixmap pixmap = res::DrawPicture(p.picture, QSize(unit * 4, unit * 7 / 2) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        picture->setPixmap(pixmap);
        auto* caption = new ProductLink(p.path, name + QStringLiteral("Label"), this);
        caption->setText(QString::fromUtf8(p.caption));
        column->addWidget(picture);
        column->addWidget(caption);
        column->addStretch(1);
    }
}

} // namespace tmx7
