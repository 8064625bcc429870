// What the tests of Qt code share: one application in the program's look, and one way to let the event
// loop run until something has happened (or for a while, to see that something does not happen).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QThread>
#include <functional>

namespace muv::test {

// The application, created once for the whole test program.
inline void EnsureApplication() {
    static int argc = 1;
    static char arg0[] = "muv_tests";
    static char* argv[] = {arg0, nullptr};
    if (!QApplication::instance()) {
        new QApplication(argc, argv);
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    }
}

class QtAppTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
};

// Runs the events until the condition holds; false when the milliseconds pass first. No nested event
// loop: one would return at once once the program has been asked to quit.
template <class Condition>
bool WaitFor(Condition condition, int milliseconds = 8000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

// The same with the time in seconds.
inline bool RunUntil(const std::function<bool()>& done, double seconds) {
    return WaitFor(done, static_cast<int>(seconds * 1000));
}

// Lets the events run for a while.
inline void RunEvents(int milliseconds) {
    WaitFor([] { return false; }, milliseconds);
}

// Runs action as the program's handlers run, as one event of the application's running event loop (a
// click, a timer's tick), and returns once the events it left behind have run too.
inline void AsAnEvent(const std::function<void()>& action) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&action] {
            action();
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    QCoreApplication::exec();
}

}  // namespace muv::test
