#include "ui/mainwindow/Links.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace tmx7 {

namespace {

UrlOpenHook& Hook() {
    static UrlOpenHook hook;
    return hook;
}

QString ConfiguredHost() {
    const QString fromEnv = qEnvironmentVariable("TMX7_HOME_HOST").trimmed();
    if (!fromEnv.isEmpty())
        return fromEnv;
    QString dir = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.config");
    QFile file(dir + QStringLiteral("/tmx7/links"));
    // A settings file is a few lines; a huge or endless one is not ours.
    if (!QFileInfo(file).isFile() || file.size() > 64 * 1024 ||
        !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(4096)).trimmed();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (!line.startsWith(QLatin1Char('#')) && eq > 0 &&
            line.left(eq).trimmed() == QLatin1String("host"))
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

void Open(const QUrl& url) {
    if (url.isEmpty() || !url.isValid())
        return;
    if (Hook()) {
        Hook()(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

} // namespace

QString MakerHost() {
    QString host = ConfiguredHost();
    if (host.isEmpty())
        return {};
    if (!host.contains(QLatin1String("://")))
        host = QStringLiteral("https://") + host;
    const QUrl url(host, QUrl::StrictMode);
    // A mistyped setting must not open arbitrary things: web pages only.
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("https") && url.scheme() != QLatin1String("http")))
        return {};
    while (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    return host;
}

QUrl MakerPage(std::string_view path) {
    const QString host = MakerHost();
    if (host.isEmpty())
        return {};
    return QUrl(host + QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())));
}

QString HelpDocumentPath() {
    const QFileInfo chm(QDir::current().filePath(QStringLiteral("帮助.chm")));
    if (chm.isFile())
        return chm.absoluteFilePath();
    // Installed: <prefix>/bin/tmx7config and <prefix>/share/tmx7/help/;
    // in the build tree the help is copied next to the program.
    QStringList candidates;
    if (QCoreApplication::instance()) {
        const QString bin = QCoreApplication::applicationDirPath();
        candidates << bin + QStringLiteral("/help/index.html")
                   << bin + QStringLiteral("/../share/tmx7/help/index.html");
    }
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        candidates << dir + QStringLiteral("/tmx7/help/index.html");
    for (const QString& c : candidates)
        if (const QFileInfo info(c); info.isFile())
            return info.canonicalFilePath();
    return {};
}

void OpenHelp() {
    if (const QString path = HelpDocumentPath(); !path.isEmpty())
        Open(QUrl::fromLocalFile(path));
}

void OpenHomePage() {
    Open(MakerPage("/index.html"));
}

void OpenMakerPage(std::string_view path) {
    Open(MakerPage(path));
}

void SetUrlOpenHook(UrlOpenHook hook) {
    Hook() = std::move(hook);
}

} // namespace tmx7
