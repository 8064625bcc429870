// What every settings window shares: it comes into being on its first use (hidden, its load run), it
// goes when it is closed (OK saves first; the close box does not), and its next use loads it again from
// the settings file. The OK button's colour, and the text boxes that a click empties.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <functional>
#include <memory>

#include "common/colour.h"

class QPushButton;
class QRadioButton;
class QMouseEvent;

namespace muv {

// Where a window of the given size opens when its stored place is x, y (its left and top edges in
// pixels): there, when that is on a screen; otherwise on the nearest screen, as close to it as the window
// fits. A display changed since the place was stored never leaves a window out of reach.
QPoint PlaceOnScreen(int x, int y, QSize size);

// Runs handler each time the option becomes the selected one of its group, whether the operator or a
// settings loader selected it (handler runs in context's thread and goes with it).
void WhenChosen(QRadioButton* option, QObject* context, std::function<void()> handler);

// The colour of a settings window's OK button.
constexpr ColorRef kSettingsOkColour = 0xDEB038;
void PaintOkButton(QPushButton* button);

// A text box that a click empties before the operator types.
class ClickClearsLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// What a window gets when it has just come into being, before its load runs (the interface language).
using WindowCreated = std::function<void(QWidget& window)>;

// One settings window: created and loaded on first use, gone when closed. W is a QDialog with a
// Form_Load(); the factory makes a new one (not yet loaded), and created, when given, runs between.
template <class W>
class WindowSlot {
public:
    using Factory = std::function<std::unique_ptr<W>()>;
    explicit WindowSlot(Factory factory, WindowCreated created = {})
        : factory_(std::move(factory)), created_(std::move(created)) {}
    ~WindowSlot() { delete window_.data(); }
    WindowSlot(const WindowSlot&) = delete;
    WindowSlot& operator=(const WindowSlot&) = delete;

    // The window, loaded hidden when it was not.
    W& Get() {
        if (!window_) {
            std::unique_ptr<W> w = factory_();
            window_ = w.get();
            W* raw = w.release();
            // Closing it, by OK or otherwise, unloads it; it is deleted once its own handler has returned.
            QObject::connect(raw, &QDialog::finished, raw, [this, raw] { Unload(raw); });
            if (created_) created_(*raw);
            raw->Form_Load();
        }
        return *window_;
    }
    bool Loaded() const { return !window_.isNull(); }
    // Shows the window (loading it first), modeless.
    W& Show() {
        W& w = Get();
        w.show();
        w.raise();
        w.activateWindow();
        return w;
    }
    // Unloads the window now, without saving.
    void Unload() {
        if (window_) Unload(window_.data());
    }

private:
    void Unload(W* w) {
        if (window_.data() != w) return;
        window_ = nullptr;
        w->hide();
        w->deleteLater();
    }

    Factory factory_;
    WindowCreated created_;
    QPointer<W> window_;
};

}  // namespace muv
