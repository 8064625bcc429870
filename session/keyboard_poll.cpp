#include "session/keyboard_poll.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace muv {

KeyboardPoll::KeyboardPoll() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

KeyboardPoll::~KeyboardPoll() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

bool* KeyboardPoll::Find(int qtKey) {
    if (qtKey == Qt::Key_Escape) return &pressedSincePoll_[0];
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12)
        return &pressedSincePoll_[static_cast<size_t>(qtKey - Qt::Key_F1 + 1)];
    return nullptr;
}

bool KeyboardPoll::Pressed(int qtKey) {
    bool* pressed = Find(qtKey);
    if (!pressed) return false;
    const bool was = *pressed;
    *pressed = false;
    return was;
}

void KeyboardPoll::Forget() {
    pressedSincePoll_.fill(false);
}

bool KeyboardPoll::AnyPressed() const {
    for (bool pressed : pressedSincePoll_)
        if (pressed) return true;
    return false;
}

bool KeyboardPoll::eventFilter(QObject* watched, QEvent* event) {
    // One key event passes here once for every object it is offered to; recording it is idempotent.
    // It is looked at where it reaches a widget (its window's passage before that is not). While a
    // modal box or dialog is up the keys are its own (Esc closing it, F1 typed into it, a key in one of
    // its lists), no shortcuts. Auto-repeat is the key still being held, no new press.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const auto* widget = qobject_cast<const QWidget*>(watched);
        const bool modal = QApplication::activeModalWidget() || (widget && widget->window()->isModal());
        if (widget && !modal && !key->isAutoRepeat())
            if (bool* pressed = Find(key->key())) {
                *pressed = true;
                if (OnPress) OnPress();
            }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace muv
