// The keyboard shortcuts' view of the keyboard: Esc and F1 to F12, polled by the shortcuts' handler,
// which each press asks for. A key counts as pressed when it went down since it was last polled, so a
// key held down acts once. The keys are seen in the application's own key events, wherever the focus is
// inside the program's windows, but not in its modal boxes and dialogs: the keys there are theirs. A
// press is kept until the poll even when the key is already up again.
#pragma once

#include <QObject>
#include <array>
#include <functional>

namespace muv {

class KeyboardPoll : public QObject {
public:
    // Watches the application's key events from now on.
    KeyboardPoll();
    ~KeyboardPoll() override;

    // True when the key (Qt::Key_Escape, Qt::Key_F1 .. Qt::Key_F12) went down since its last poll; the
    // poll takes the press. Any other key is never pressed.
    bool Pressed(int qtKey);
    // Drops the presses not yet polled (keys pressed while the shortcuts must not act).
    void Forget();
    // True while a press waits to be polled.
    bool AnyPressed() const;

    // Called from inside the event filter as a press is kept: it asks for the poll, and does no more.
    std::function<void()> OnPress;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool* Find(int qtKey);

    std::array<bool, 13> pressedSincePoll_{};  // Esc, then F1 to F12
};

}  // namespace muv
