// Pictures of the main window and of every dialog it opens, for looking at
// layouts: the window connected to a simulated module (power saving and
// passive, so all three pages exist), each page, then each dialog.
//   tmx7_window_shots DIR [--font POINTS]
// Run it under Xvfb, and again with QT_SCALE_FACTOR=2. Not installed.

#include "sim/Simulator.h"
#include "ui/mainwindow/RadioConfigDlg.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFontDatabase>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <filesystem>

using namespace tmx7;

namespace {

void Run(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void Save(QWidget* w, const QString& dir, const QString& name) {
    if (w && !w->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png")))
        std::fprintf(stderr, "window_shots: %s not saved\n", qPrintable(name));
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tmx7config"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: tmx7_window_shots DIR [--font POINTS]\n");
        return 2;
    }
    const QString dir = QDir::cleanPath(QString::fromLocal8Bit(argv[1]));
    const int points = argc > 3 ? std::atoi(argv[3]) : 9;
    if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC")))
        QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), points));
    const auto work = std::filesystem::temp_directory_path() / "tmx7_window_shots";
    std::filesystem::create_directories(work);
    std::filesystem::current_path(work);

    sim::SimulatorOptions opts;
    opts.state.serialMode = 1;
    opts.state.powerMode = 1;
    sim::Simulator module(opts);
    if (!module.Start())
        return 1;
    PortDirectory::Options isolated;
    isolated.sysfsTtyRoot = isolated.devRoot = "/nonexistent";
    isolated.getenv = [](const std::string&) { return std::optional<std::string>(); };
    PortDirectory ports(isolated);
    ports.Map(1, module.SlavePath());
    CRadioConfigDlg window(MainWindowOptions{nullptr, &ports, {1, 9600}});
    window.show();
    Run(500);
    QWidget* settings = QApplication::activeModalWidget();
    Save(settings, dir, QStringLiteral("serial_settings"));
    settings->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    auto* activity = window.findChild<QLabel*>(QStringLiteral("activityPane"));
    for (int i = 0; i < 100 && activity->text() != QStringLiteral("刷新参数完成."); ++i)
        Run(100);
    Run(1500);

    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("parameterTabs"));
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        Run(100);
        Save(&window, dir, QStringLiteral("main_page%1").arg(i));
    }
    tabs->setCurrentIndex(0);
    const char* actions[] = {"frequencyAction",   "serialFormatAction", "sleepPeriodAction",
                             "saveAddressAction", "wakeDelayAction",    "passiveAddressAction",
                             "groupAction",       "wirelessAction",     "productionAction",
                             "aboutAction",       "importAction"};
    for (const char* name : actions) {
        window.findChild<QAction*>(QString::fromLatin1(name))->trigger();
        Run(300);
        QWidget* dialog = QApplication::activeModalWidget();
        Save(dialog, dir, QString::fromLatin1(name).replace(QStringLiteral("Action"), QString()));
        if (auto* d = qobject_cast<QDialog*>(dialog))
            d->reject();
        Run(100);
    }
    // The two mode choices open from a double-click on their values.
    for (const char* value : {"serialModeValue", "powerModeValue"}) {
        QWidget* w = window.findChild<QWidget*>(QString::fromLatin1(value));
        QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(w->rect().center()),
                        w->mapToGlobal(QPointF(w->rect().center())), Qt::LeftButton, Qt::LeftButton,
                        {});
        QApplication::sendEvent(w, &dbl);
        Run(300);
        QWidget* dialog = QApplication::activeModalWidget();
        Save(dialog, dir, QString::fromLatin1(value).replace(QStringLiteral("Value"), QString()));
        if (auto* d = qobject_cast<QDialog*>(dialog))
            d->reject();
        Run(100);
    }
    // Continuous send: its choices, then the count shown while it runs.
    window.findChild<QPushButton*>(QStringLiteral("continuousSendButton"))->click();
    Run(300);
    for (const char* name : {"continuous_send", "send_count"}) {
        QWidget* dialog = QApplication::activeModalWidget();
        Save(dialog, dir, QString::fromLatin1(name));
        if (dialog)
            dialog->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        Run(300);
    }
    // A message box: "打开串口" while the port is open already.
    window.findChild<QAction*>(QStringLiteral("openPortAction"))->trigger();
    Run(500);
    if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        Save(box, dir, QStringLiteral("message_box"));
        box->accept();
    }
    for (int i = 0; i < 100 && !window.findChild<QAction*>("refreshAction")->isEnabled(); ++i)
        Run(100);
    Save(&window, dir, QStringLiteral("main_status"));
    window.close();
    return 0;
}
