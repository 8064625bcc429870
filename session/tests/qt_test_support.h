// What the main window's tests share: one QApplication in the program's look, and a way to let the
// event loop run until something has happened.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <functional>

namespace muv::test {

class QtAppTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char arg0[] = "session_tests";
        static char* argv[] = {arg0, nullptr};
        if (!QApplication::instance()) {
            new QApplication(argc, argv);
            QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        }
    }
};

// Runs the event loop until the condition holds or the seconds have passed.
inline bool RunUntil(const std::function<bool()>& done, double seconds) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > seconds * 1000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace muv::test
