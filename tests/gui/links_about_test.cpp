// Help, home page and product links, and the about box.

#include "res/ResourceIds.h"
#include "ui/window/AboutDlg.h"
#include "ui/window/Links.h"

#include "QtTestApp.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>

using namespace tmx7;
namespace fs = std::filesystem;

namespace {

// An empty home and config dir, no host in the environment, the working
// directory in a scratch folder, and every open recorded.
class LinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tmx7-links-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        fs::create_directories(root / "config/tmx7");
        fs::create_directories(root / "data");
        m_oldCwd = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(root.string()));
        qunsetenv("TMX7_HOME_HOST");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((root / "config").string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((root / "data").string()));
        qputenv("XDG_DATA_DIRS", QByteArray::fromStdString((root / "none").string()));
        SetUrlOpenHook([this](const QUrl& u) { opened.push_back(u); });
    }
    void TearDown() override {
        SetUrlOpenHook({});
        qunsetenv("TMX7_HOME_HOST");
        QDir::setCurrent(m_oldCwd);
        fs::remove_all(root);
    }
    void Write(const fs::path& p, const std::string& text) {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }

    fs::path root;
    std::vector<QUrl> opened;

private:
    QString m_oldCwd;
};

TEST_F(LinksTest, WithoutAHostLinksDoNothing) {
    EXPECT_FALSE(LinksEnabled());
    EXPECT_TRUE(HomePageUrl().isEmpty());
    OpenHomePage();
    for (int i = 0; i < kProductLinkCount; ++i) {
        EXPECT_TRUE(ProductLinkUrl(i).isEmpty()) << i;
        OpenProductLink(i);
    }
    EXPECT_TRUE(opened.empty());
}

TEST_F(LinksTest, HostFromEnvironmentOrConfigFile) {
    Write(root / "config/tmx7/links", "# maker\nhost = http://maker.test/\n");
    EXPECT_TRUE(LinksEnabled());
    EXPECT_EQ(HomePageUrl().toString(), "http://maker.test/index.html");

    qputenv("TMX7_HOME_HOST", "www.example.com");
    EXPECT_EQ(HomePageUrl().toString(), "https://www.example.com/index.html");
    const char* want[kProductLinkCount] = {
        "/gprsmokuai.html",      "/gprsmokuai.html",      "/diantaimokuai.html",
        "/diantaimokuai.html",   "/cekongzhongduan.html", "/cekongzhongduan.html",
        "/cekongzhongduan.html", "/cekongzhongduan.html",
    };
    for (int i = 0; i < kProductLinkCount; ++i) {
        EXPECT_EQ(ProductLinkUrl(i).toString(), QStringLiteral("https://www.example.com") + want[i])
            << i;
        OpenProductLink(i);
    }
    EXPECT_EQ(opened.size(), 8u);
    EXPECT_TRUE(ProductLinkUrl(-1).isEmpty());
    EXPECT_TRUE(ProductLinkUrl(8).isEmpty());
    EXPECT_EQ(ProductLinkControl(4), res::IDC_PRODUCT_LABEL_ALARM);
    EXPECT_EQ(ProductLinkControl(7), res::IDC_PRODUCT_PICTURE_TERMINAL);

    for (const char* bad : {"http://", "file:///etc", "ftp://maker.test"}) {
        qputenv("TMX7_HOME_HOST", bad);
        EXPECT_FALSE(LinksEnabled()) << bad;
    }
}

// The links file is read like every other file of ours: a FIFO there used to
// freeze the window at start, a link to /dev/zero to fill its memory.
TEST_F(LinksTest, ALinksFileThatIsNoFileTurnsTheLinksOff) {
    const fs::path file = root / "config/tmx7/links";
    const std::function<void()> kinds[] = {
        [&] { ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0); },
        [&] { fs::create_symlink("/dev/zero", file); },
        [&] { fs::create_directory(file); },
        [&] { Write(file, "host = http://maker.test/\n" + std::string(64 * 1024, '#')); },
    };
    for (const auto& make : kinds) {
        fs::remove_all(file);
        make();
        EXPECT_FALSE(LinksEnabled());
        EXPECT_TRUE(HomePageUrl().isEmpty());
    }
}

TEST_F(LinksTest, HelpPrefersTheChmInTheWorkingDirectory) {
    EXPECT_TRUE(HelpDocumentPath().isEmpty());
    OpenHelp();
    EXPECT_TRUE(opened.empty());

    Write(root / "data/tmx7/help/index.html", "<html></html>");
    EXPECT_EQ(HelpDocumentPath(),
              QString::fromStdString((root / "data/tmx7/help/index.html").string()));

    Write(root / "帮助.chm", "chm");
    OpenHelp();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toLocalFile(), QString::fromStdString((root / "帮助.chm").string()));
}

TEST_F(LinksTest, AboutBoxPictureOpensHelpAndOkCloses) {
    Write(root / "帮助.chm", "chm");
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "关于Q系列电台测试软件");
    EXPECT_EQ(dlg.Label(res::IDC_ABOUT_COMPANY)->font().pointSize(), 20);
    const QRect area = dlg.PictureArea();
    ASSERT_FALSE(area.isEmpty());
    int rc = 0;
    QTimer::singleShot(0, &dlg, [&] {
        QWidget* client = dlg.Client();
        QTest::mouseRelease(client, Qt::LeftButton, {}, area.topLeft()); // on the edge: nothing
        EXPECT_TRUE(opened.empty());
        QTest::mouseRelease(client, Qt::RightButton, {}, area.center());
        EXPECT_TRUE(opened.empty());
        QTest::mouseRelease(client, Qt::LeftButton, {}, area.center());
        EXPECT_EQ(opened.size(), 1u);
        dlg.Button(res::IDC_ABOUT_OK)->click();
    });
    rc = dlg.DoModal();
    EXPECT_EQ(rc, res::IDOK);
}

} // namespace
