// The program's own message boxes really shown (QMessageBox, modal, waiting in an event loop of its own)
// and recorded, for the tests in which what matters is the box as a window: the keys an operator presses
// into it, the timers that run while it waits. Keys go in as the window system hands them over, to the
// box's window, which passes them to its focus widget.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/qt/qt_dialogs.h"
#include "test_support/recording_fakes.h"

namespace muv::test {

// Presses and releases a key in a window (a box, or one of the program's own windows).
inline void PressKey(QWidget& window, int key, const QString& text = {}) {
    QWindow* handle = window.window()->windowHandle();
    ASSERT_NE(handle, nullptr) << "the window is not shown";
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(handle, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(handle, &release);
}

class ShownBoxes : public MessageBoxes {
public:
    // Runs once, inside the next box's wait, with the box up; a box it leaves up is then closed as by
    // Esc. Every other box is closed so at once, after it has been recorded.
    std::function<void(QWidget& box)> whileUp;
    std::vector<RecordingBoxes::Box> shown;
    QWidget* parent = nullptr;  // the window the boxes belong to, as the program's own

    BoxAnswer Show(const std::string& text, const std::string& title, BoxIcon icon,
                   BoxButtons buttons) override {
        shown.push_back({text, title, icon, buttons});
        QTimer::singleShot(0, [this] {
            QPointer<QWidget> box = QApplication::activeModalWidget();
            if (!box) return;
            if (auto act = std::exchange(whileUp, nullptr)) act(*box);
            if (auto* dialog = qobject_cast<QDialog*>(box.data()); dialog && dialog->isVisible())
                dialog->reject();
        });
        return QtMessageBoxes(parent).Show(text, title, icon, buttons);
    }
    std::vector<std::string> Titles() const {
        std::vector<std::string> titles;
        for (const RecordingBoxes::Box& box : shown)
            titles.push_back(box.title);
        return titles;
    }
};

}  // namespace muv::test
