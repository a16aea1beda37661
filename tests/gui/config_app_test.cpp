// tmx7config run as a separate process on the offscreen platform: the
// registration words end it without a window, other arguments do not.

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include "QtTestApp.h"

#include <gtest/gtest.h>

namespace {

QString ProgramPath() {
    const QString built =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../src/ui/app/tmx7config");
    return QFileInfo(built).canonicalFilePath();
}

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QString out;
};

Outcome RunProgram(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The program prints when its first window is shown, and ends there.
    env.insert(QStringLiteral("TMX7_STARTUP_PROBE"), QStringLiteral("1"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    p.setProcessEnvironment(env);
    p.start(ProgramPath(), args);
    Outcome o;
    o.finished = p.waitForFinished(30000);
    if (!o.finished) {
        p.kill();
        p.waitForFinished();
        return o;
    }
    o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.out = QString::fromUtf8(p.readAllStandardOutput());
    return o;
}

TEST(ConfigApp, RegistrationWordsEndWithoutAWindow) {
    ASSERT_FALSE(ProgramPath().isEmpty()) << "tmx7config not built";
    for (const QStringList& args : {QStringList{"/RegServer"}, QStringList{"-unregserver"},
                                    QStringList{"--port", "COM3", "/REGSERVER"}}) {
        const Outcome o = RunProgram(args);
        ASSERT_TRUE(o.finished) << args.join(' ').toStdString();
        EXPECT_EQ(o.exitCode, 0) << args.join(' ').toStdString();
        EXPECT_FALSE(o.out.contains("shown")) << o.out.toStdString();
    }
}

TEST(ConfigApp, OtherwiseAWindowIsShown) {
    ASSERT_FALSE(ProgramPath().isEmpty()) << "tmx7config not built";
    const Outcome withSim = RunProgram({"--sim"});
    ASSERT_TRUE(withSim.finished);
    EXPECT_EQ(withSim.exitCode, 0);
    EXPECT_TRUE(withSim.out.contains("shown")) << withSim.out.toStdString();

    // The word not last is no registration request but an unknown argument.
    const Outcome notLast = RunProgram({"/RegServer", "--sim"});
    ASSERT_TRUE(notLast.finished);
    EXPECT_EQ(notLast.exitCode, 2);
    EXPECT_FALSE(notLast.out.contains("shown"));
}

} // namespace
