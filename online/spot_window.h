// What the two spot windows share: the frequency, callsign and comment boxes with their labels, the send
// button with its guard against the frequencies that may not be spotted, the one place on the screen
// where both open, and closing as unloading. A spot window stays above the other windows, as the
// operator works in the main window beside it.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <functional>
#include <initializer_list>
#include <string>

#include "common/colour.h"
#include "settings/window_state_settings.h"

class QLabel;
class QMouseEvent;
class QPushButton;

namespace muv {

class MessageBoxes;
class SpotSender;

// What a spot window reaches in the main window and the settings.
class SpotWindowHost {
public:
    virtual ~SpotWindowHost() = default;
    // The back colour of the main window's frequency box: the band colour of the dial frequency.
    virtual ColorRef FrequencyBoxColour() = 0;
    // The place both spot windows share: read from the settings when a window loads, written there when
    // one closes.
    virtual WindowPlace LoadSpotPlace() = 0;
    virtual void SaveSpotPlace(const WindowPlace& place) = 0;
};

struct SpotWindowLinks {
    MessageBoxes& boxes;
    SpotSender& sender;
    SpotWindowHost& host;
};

// A text box with a click event.
class SpotTextBox : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void()> Click;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class SpotWindow : public QDialog {
public:
    // The send buttons' colour, and the send button's colour while the frequency may not be spotted.
    static constexpr ColorRef kSendColour = 0xDEB038;
    static constexpr ColorRef kSendBlockedColour = 0xE0E0E0;

    // --- control events ---
    // The callsign in capitals, the caret at its end.
    void txtCallsign_Change();
    // Empties the callsign box.
    void txtCallsign_Click();
    // The band colour, and the send button blocked between 501 and 504 kHz.
    void txtFrecuencia_Change();

    // --- window events ---
    // Stores the window's place as the spot windows' place.
    void Form_Unload();

    // Shows the window without blocking, above the others.
    void ShowWindow();
    // Every way of closing the window unloads it, whether it was shown or not.
    void done(int result) override;

    // --- controls (UTF-8 texts through ToQString / FromQString) ---
    QLineEdit* txtFrecuencia;
    SpotTextBox* txtCallsign;
    QLineEdit* txtComentario;
    QLabel *lblFrecuencia, *lblCall, *lblComentario;
    QPushButton* cmdEnviar;

protected:
    SpotWindow(SpotWindowLinks links, const char* name, const char* title, const char* sendCaption,
               QWidget* parent);
    // Lays the boxes out above the row of buttons.
    void Arrange(std::initializer_list<QPushButton*> buttons);
    // What both windows' load does: the shared place, and the comment's limit.
    void LoadSpotWindow(int commentLimit);
    // Paints a send button in one of the two colours.
    static void Paint(QPushButton* button, ColorRef colour);
    // The three boxes' texts.
    std::string Callsign() const;
    std::string Frequency() const;
    std::string Comment() const;
    // Shows the warning that a send needs the seen station's callsign.
    void AskForCallsign(const char* title);
    // Runs a send; when it goes out the window unloads, else the error is shown under the title and the
    // window stays open for another try.
    void SendThenUnload(const std::function<bool()>& send, const char* errorTitle);

    SpotWindowLinks links_;

private:
    bool unloaded_ = false;
};

}  // namespace muv
