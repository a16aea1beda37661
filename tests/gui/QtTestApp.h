#pragma once
// One QApplication for a GUI test program, created before the first test,
// and the helpers that drive windows from a test: waiting on the event loop
// with a GoogleTest verdict, running a modal dialog with an action inside its
// loop, answering the message boxes it opens, and a faster engine clock.

#include "platform/Clock.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

// Failure messages show texts, not their bytes.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace tmx7::test {

class QtAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // The offscreen platform says so at every dialog shown.
        static const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (!message.contains(QLatin1String("propagateSizeHints")))
                    previous(type, context, message);
            });
        if (!QApplication::instance()) {
            static int argc = 1;
            static char name[] = "gui_test";
            static char* argv[] = {name, nullptr};
            m_app = new QApplication(argc, argv);
        }
    }
    void TearDown() override {
        delete m_app;
        m_app = nullptr;
    }

private:
    QApplication* m_app = nullptr;
};

inline ::testing::Environment* const kQtApp =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

// Time running `factor` times faster than the wall clock for every thread.
// The module's line pacing stays real, so each host pause still outlasts
// the module's answer at the rates used here.
class ScaledClock : public Clock {
public:
    explicit ScaledClock(int factor) : m_factor(factor) {}
    TimePoint now() const override { return m_start + (RealClock().now() - m_start) * m_factor; }
    bool sleepFor(Millis d, StopSignal* stop = nullptr) override {
        return RealClock().sleepFor(Millis(std::max<long long>(d.count() / m_factor, 1)), stop);
    }

private:
    int m_factor;
    TimePoint m_start = RealClock().now();
};

// The widget named `name` inside `root` (null when there is none).
template <class W = QPushButton> W* Find(QWidget& root, const char* name) {
    return root.findChild<W*>(QString::fromLatin1(name));
}

// A left click in the middle of `w`.
inline void Click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton);
}

// Runs the event loop until `done()` holds; a failure once `timeout` passed.
// Use instead of QTRY_*, which inside a GoogleTest case only returns early.
inline ::testing::AssertionResult
WaitUntil(const std::function<bool()>& done,
          std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout.count())
            return ::testing::AssertionFailure()
                   << "not reached within " << timeout.count() << " ms";
        QTest::qWait(2);
    }
    return ::testing::AssertionSuccess();
}

// exec()s `dialog` and runs `act` inside its modal loop. A dialog still open
// `limit` after the action is ended with -1 and the test fails, so a broken
// close never hangs the suite.
inline int ExecWith(QDialog& dialog, const std::function<void()>& act,
                    std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    bool hung = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &dialog, [&] {
        hung = true;
        dialog.done(-1);
    });
    QTimer::singleShot(0, &dialog, [&] {
        // Keys and focus go where they go for a user: into the active window.
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        act();
        guard.start(limit);
    });
    const int result = dialog.exec();
    EXPECT_FALSE(hung) << "the dialog stayed open";
    return result;
}

// Shows `window` and checks that every caption in it is drawn whole: each
// label and button at least as wide as its text, each control inside the
// window.
inline ::testing::AssertionResult NothingClipped(QWidget& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return ::testing::AssertionFailure() << "not shown";
    const QRect inside = window.rect();
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible() || w->isWindow())
            continue;
        const QRect r(w->mapTo(&window, QPoint(0, 0)), w->size());
        if (!inside.contains(r))
            return ::testing::AssertionFailure() << w->metaObject()->className() << " "
                                                 << w->objectName().toStdString() << " outside";
        QString text;
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap())
            text = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            text = button->text();
        if (!text.isEmpty() && w->fontMetrics().horizontalAdvance(text) > w->width())
            return ::testing::AssertionFailure()
                   << "\"" << text.toStdString() << "\" cut: " << w->width() << " px wide";
        if (w->height() < w->minimumSizeHint().height())
            return ::testing::AssertionFailure() << w->metaObject()->className() << " "
                                                 << w->objectName().toStdString() << " too low";
    }
    return ::testing::AssertionSuccess();
}

// Answers every message box that opens while it lives by clicking its
// default button, and keeps what each showed.
class MessageBoxes {
public:
    struct Box {
        QString title;
        QString text;
        QString button;
        QMessageBox::Icon icon;
        int width;
    };

    MessageBoxes() {
        m_poll.setInterval(2);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible() || box == m_answered)
                return;
            m_answered = box;
            QPushButton* button = box->defaultButton();
            seen.push_back({box->windowTitle(), box->text(), button ? button->text() : QString(),
                            box->icon(), box->width()});
            if (button)
                QTest::mouseClick(button, Qt::LeftButton);
        });
        m_poll.start();
    }

    std::vector<Box> seen;

private:
    QTimer m_poll;
    QPointer<QMessageBox> m_answered; // null again once it is gone
};

} // namespace tmx7::test
