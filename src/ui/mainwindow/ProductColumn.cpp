#include "ui/mainwindow/ProductColumn.h"

#include "res/Pictures.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace tmx7 {

namespace {

std::function<void(const QUrl&)>& Hook() {
    static std::function<void(const QUrl&)> hook;
    return hook;
}

QString ConfiguredHost() {
    if (const QString env = qEnvironmentVariable("TMX7_HOME_HOST").trimmed(); !env.isEmpty())
        return env;
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QFile file(config + QStringLiteral("/tmx7/links"));
    // A settings file is a few lines; anything else is not read.
    if (!QFileInfo(file).isFile() || file.size() > 65536 || !file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QStringLiteral("host")) && line.mid(4).trimmed().startsWith('='))
            return line.mid(line.indexOf('=') + 1).trimmed();
    }
    return {};
}

void Open(const QUrl& url) {
    if (url.isEmpty() || !url.isValid())
        return;
    if (Hook())
        Hook()(url);
    else
        QDesktopServices::openUrl(url);
}

} // namespace

QUrl MakerPage(std::string_view path) {
    QString host = ConfiguredHost();
    if (host.isEmpty())
        return {};
    if (!host.contains(QStringLiteral("://")))
        host.prepend(QStringLiteral("https://"));
    while (host.endsWith('/'))
        host.chop(1);
    const QUrl url(host + QString::fromUtf8(path.data(), qsizetype(path.size())), QUrl::StrictMode);
    // A mistyped setting must not open arbitrary things: web pages only.
    if (url.host().isEmpty() || (url.scheme() != "https" && url.scheme() != "http"))
        return {};
    return url;
}

void OpenHelp() {
    // "帮助.chm" beside the user's files, else the program's own HTML help
    // (installed under share/tmx7, copied next to the program in a build).
    const QString bin = QCoreApplication::applicationDirPath();
    for (const QString& path : {QDir::current().filePath(QStringLiteral("帮助.chm")),
                                bin + QStringLiteral("/help/index.html"),
                                bin + QStringLiteral("/../share/tmx7/help/index.html")}) {
        if (QFileInfo(path).isFile()) {
            Open(QUrl::fromLocalFile(QFileInfo(path).canonicalFilePath()));
            return;
        }
    }
}

void OpenMakerPage(std::string_view path) {
    Open(MakerPage(path));
}

void SetUrlOpenHook(std::function<void(const QUrl&)> hook) {
    Hook() = std::move(hook);
}

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
        res::Picture picture;
        const char* caption;
        const char* path; // the alarm module shares the terminal's page
        const char* name;
    };
    static constexpr Product kProducts[] = {
        {res::Picture::ProductGprs, "GPRS模块", "/gprsmokuai.html", "gprs"},
        {res::Picture::ProductRadio, "无线数传模块", "/diantaimokuai.html", "radio"},
        {res::Picture::ProductAlarm, "报警模块", "/cekongzhongduan.html", "alarm"},
        {res::Picture::ProductTerminal, "测控终端", "/cekongzhongduan.html", "terminal"},
    };
    auto* column = new QVBoxLayout(this);
    const int unit = fontMetrics().height();
    for (const Product& p : kProducts) {
        const QString name = QString::fromLatin1(p.name);
        auto* picture = new ProductLink(p.path, name + QStringLiteral("Picture"), this);
        picture->setPixmap(
            res::LoadPicture(p.picture, QSize(unit * 4, unit * 7 / 2), devicePixelRatioF()));
        auto* caption = new ProductLink(p.path, name + QStringLiteral("Label"), this);
        caption->setText(QString::fromUtf8(p.caption));
        column->addWidget(picture);
        column->addWidget(caption);
        column->addStretch(1);
    }
}

} // namespace tmx7
