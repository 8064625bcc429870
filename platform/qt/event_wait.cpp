#include "platform/qt/event_wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace muv {

void LetEventsRun(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(1);
    } while (clock.elapsed() < milliseconds);
}

}  // namespace muv
