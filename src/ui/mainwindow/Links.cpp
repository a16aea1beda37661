#include "ui/mainwindow/Links.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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

} // namespace tmx7
