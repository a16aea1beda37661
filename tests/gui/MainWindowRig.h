#pragma once
// The main window on a simulated module, for tests that drive it as a user
// would: the window starts, its settings dialog is answered with "确定", and
// the test then clicks, double-clicks and types through widgets it finds by
// name, while the module records every frame it receives. The port is a link
// to the module's pty, as udev makes one for an adapter, so an adapter can
// be pulled (HangUp) and come back (Return).

#include "QtTestApp.h"

#include "platform/PortDirectory.h"
#include "protocol/Frames.h"
#include "sim/Simulator.h"
#include "ui/mainwindow/RadioConfigDlg.h"

#include <QAction>
#include <QLabel>
#include <QStatusBar>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace tmx7::test {

class WindowRig {
public:
    static constexpr int kPort = 61;

    explicit WindowRig(sim::ModuleState state = {}, int factor = 10,
                       Connection::Choice choice = {kPort, 9600})
        : m_clock(factor), m_ports(NoSystemPorts()) {
        char dir[] = "/tmp/tmx7_window_XXXXXX";
        m_dir = mkdtemp(dir);
        m_oldDir = std::filesystem::current_path();
        // The program's files (parameter and user data) go beside it.
        std::filesystem::current_path(m_dir);
        sim::SimulatorOptions o;
        o.state = std::move(state);
        module = std::make_unique<sim::Simulator>(o);
        EXPECT_TRUE(module->Start());
        m_link = m_dir + "/ttyUSB0";
        std::filesystem::create_symlink(module->SlavePath(), m_link);
        m_ports.Map(kPort, m_link);
        window = std::make_unique<CRadioConfigDlg>(MainWindowOptions{&m_clock, &m_ports, choice});
        window->show();
    }
    ~WindowRig() {
        EXPECT_EQ(module->MalformedCount(), 0u) << "the module saw a malformed frame";
        window.reset();
        module->Stop();
        if (returned)
            returned->Stop();
        std::filesystem::current_path(m_oldDir);
        std::filesystem::remove_all(m_dir);
    }

    // The adapter is back: another module behind the same link.
    void Return(sim::ModuleState state) {
        sim::SimulatorOptions o;
        o.state = std::move(state);
        returned = std::make_unique<sim::Simulator>(o);
        ASSERT_TRUE(returned->Start());
        std::filesystem::create_symlink(returned->SlavePath(), m_link + ".new");
        std::filesystem::rename(m_link + ".new", m_link); // in one step, as udev does
    }

    // Answers the settings dialog with "确定" and waits for the first refresh.
    ::testing::AssertionResult Connect() {
        auto r = WaitUntil([] { return Modal("CSerialSetDlg") != nullptr; });
        if (!r)
            return r << " (settings dialog)";
        // A probe that fails says so in a box: answered, so the test fails
        // instead of hanging in it.
        MessageBoxes boxes;
        QTest::mouseClick(Find(*Modal("CSerialSetDlg"), "okButton"), Qt::LeftButton);
        r = RefreshDone();
        return boxes.seen.empty() ? r : r << " (" << boxes.seen[0].text.toStdString() << ")";
    }
    ::testing::AssertionResult RefreshDone(int timeoutMs = 20000) {
        return WaitUntil(
            [this] {
                return Pane("activityPane") == QStringLiteral("刷新参数完成.") &&
                       action("refreshAction")->isEnabled();
            },
            std::chrono::milliseconds(timeoutMs));
    }

    template <class W = QWidget> W* find(const char* name) const {
        return window->findChild<W*>(QString::fromLatin1(name));
    }
    QAction* action(const char* name) const { return find<QAction>(name); }
    QString Pane(const char* name) const { return find<QLabel>(name)->text(); }
    // What the page shows for the field with `key` ("txFrequency").
    QString Value(const char* key) const {
        return find<QLabel>((std::string(key) + "Value").c_str())->text();
    }
    // The open modal dialog of class `className` ("CFrequencyDlg"), if any.
    static QWidget* Modal(const char* className) {
        QWidget* w = QApplication::activeModalWidget();
        return w && w->inherits(("tmx7::" + std::string(className)).c_str()) ? w : nullptr;
    }
    // The set and short frames the module received, as hex text, oldest first.
    std::vector<std::string> Commands() const {
        std::vector<std::string> out;
        for (const auto& f : module->Frames())
            if (f.kind == sim::FrameKind::Set || f.kind == sim::FrameKind::Short) {
                std::string text = BytesToHexText(f.bytes.data(), f.bytes.size());
                text.pop_back(); // the blank after the last pair
                out.push_back(text);
            }
        return out;
    }

    std::unique_ptr<sim::Simulator> module;
    std::unique_ptr<sim::Simulator> returned;
    std::unique_ptr<CRadioConfigDlg> window;

private:
    static PortDirectory::Options NoSystemPorts() {
        PortDirectory::Options o;
        o.sysfsTtyRoot = "/nonexistent";
        o.devRoot = "/nonexistent";
        o.getenv = [](const std::string&) { return std::optional<std::string>(); };
        return o;
    }

    ScaledClock m_clock;
    PortDirectory m_ports;
    std::string m_dir;
    std::string m_link;
    std::filesystem::path m_oldDir;
};

// No dialog opens within `ms` of running the event loop.
inline bool NoDialogFor(int ms) {
    QTest::qWait(ms);
    return QApplication::activeModalWidget() == nullptr;
}

} // namespace tmx7::test
