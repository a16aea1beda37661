#include "ui/window/Links.h"

#include "platform/FileAccess.h"
#include "res/ResourceIds.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <mutex>

namespace tmx7 {

namespace {

struct ProductLink {
    int control;
    const char* path;
};

// The alarm module has no page of its own; it shares the terminal's.
constexpr ProductLink kProductLinks[kProductLinkCount] = {
    {res::IDC_PRODUCT_LABEL_GPRS, "/gprsmokuai.html"},
    {res::IDC_PRODUCT_PICTURE_GPRS, "/gprsmokuai.html"},
    {res::IDC_PRODUCT_LABEL_RADIO, "/diantaimokuai.html"},
    {res::IDC_PRODUCT_PICTURE_RADIO, "/diantaimokuai.html"},
    {res::IDC_PRODUCT_LABEL_ALARM, "/cekongzhongduan.html"},
    {res::IDC_PRODUCT_PICTURE_ALARM, "/cekongzhongduan.html"},
    {res::IDC_PRODUCT_LABEL_TERMINAL, "/cekongzhongduan.html"},
    {res::IDC_PRODUCT_PICTURE_TERMINAL, "/cekongzhongduan.html"},
};

constexpr char kHomePath[] = "/index.html";
// A line or two of settings; far more is not the links file.
constexpr std::size_t kLinksFileMaxBytes = 64 * 1024;

std::mutex g_hookMutex;
UrlOpenHook g_hook;

QString ConfiguredHost() {
    const QString fromEnv = qEnvironmentVariable("TMX7_HOME_HOST").trimmed();
    if (!fromEnv.isEmpty())
        return fromEnv;
    QString dir = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.config");
    const std::string path = (dir + QStringLiteral("/tmx7/links")).toStdString();
    std::string bytes;
    if (const FileResult r = ReadRegularFile(path, kLinksFileMaxBytes, bytes); !r) {
        // No file is the usual case: the links are simply off. Anything else
        // is said once, not on every mouse move that asks for the host.
        static std::mutex said;
        static std::string last;
        std::lock_guard lock(said);
        if (r.error != ENOENT && r.message != last)
            std::fprintf(stderr, "tmx7config: links file not used: %s\n", r.message.c_str());
        last = r.message;
        return {};
    }
    const QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && line.left(eq).trimmed() == QLatin1String("host"))
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

void Open(const QUrl& url) {
    if (!url.isValid() || url.isEmpty())
        return;
    UrlOpenHook hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_hook;
    }
    if (hook) {
        hook(url);
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

bool LinksEnabled() {
    return !MakerHost().isEmpty();
}

const char* ProductLinkPath(int index) {
    if (index < 0 || index >= kProductLinkCount)
        return nullptr;
    return kProductLinks[index].path;
}

int ProductLinkControl(int index) {
    if (index < 0 || index >= kProductLinkCount)
        return 0;
    return kProductLinks[index].control;
}

QUrl HomePageUrl() {
    const QString host = MakerHost();
    if (host.isEmpty())
        return {};
    return QUrl(host + QLatin1String(kHomePath));
}

QUrl ProductLinkUrl(int index) {
    const char* path = ProductLinkPath(index);
    const QString host = MakerHost();
    if (!path || host.isEmpty())
        return {};
    return QUrl(host + QLatin1String(path));
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
    for (const QString& c : candidates) {
        const QFileInfo info(c);
        if (info.isFile())
            return info.canonicalFilePath();
    }
    return {};
}

void OpenHelp() {
    const QString path = HelpDocumentPath();
    if (!path.isEmpty())
        Open(QUrl::fromLocalFile(path));
}

void OpenHomePage() {
    Open(HomePageUrl());
}

void OpenProductLink(int index) {
    Open(ProductLinkUrl(index));
}

void SetUrlOpenHook(UrlOpenHook hook) {
    std::lock_guard lock(g_hookMutex);
    g_hook = std::move(hook);
}

} // namespace tmx7
