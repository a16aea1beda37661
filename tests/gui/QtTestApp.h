#pragma once
// One QApplication for a GUI test program, created before the first test.

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace tmx7::test {

class QtAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
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

// Runs the event loop until `condition` holds or `limit` passes. Use it as
// ASSERT_TRUE(WaitUntil(...)): unlike QTRY_*, a wait that never comes true
// fails the test instead of returning from it quietly.
inline ::testing::AssertionResult
WaitUntil(const std::function<bool()>& condition,
          std::chrono::milliseconds limit = std::chrono::seconds(5),
          const char* what = "the condition") {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() >= limit.count())
            return ::testing::AssertionFailure()
                   << what << " did not come true within " << limit.count() << " ms";
        QTest::qWait(5);
    }
    return ::testing::AssertionSuccess();
}

inline ::testing::Environment* const kQtApp =
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

} // namespace tmx7::test
