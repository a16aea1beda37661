// tmx7config run as a separate process on the offscreen platform: the
// registration words end it without a window, other arguments do not.

#include "QtTestApp.h"

#include <QFileInfo>
#include <QProcess>

namespace {

TEST(ConfigApp, RegistrationWordsEndWithoutAWindowOtherArgumentsDoNot) {
    const QString program = QFileInfo(QCoreApplication::applicationDirPath() +
                                      QStringLiteral("/../src/ui/app/tmx7config"))
                                .canonicalFilePath();
    ASSERT_FALSE(program.isEmpty()) << "tmx7config not built";
    struct Case {
        QStringList args;
        int exitCode;
        bool shown; // the program prints when its first window shows, and ends there
    } cases[] = {
        {{"/RegServer"}, 0, false},
        {{"--port", "COM3", "/REGSERVER"}, 0, false},
        {{"--sim"}, 0, true},
        // The word not last is no registration request but an unknown argument.
        {{"/RegServer", "--sim"}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMX7_STARTUP_PROBE"), QStringLiteral("1"));
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        p.setProcessEnvironment(env);
        p.start(program, c.args);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), c.exitCode);
        EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).contains("shown"), c.shown);
    }
}

} // namespace
