// The interface language on the windows: each text of a language's table set on the window and control
// it names, in the table's order; the shared messages; and the captions that some windows repeat from
// others. A window that comes into being later takes the same texts before its load runs.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "texts/interface_texts.h"

class QObject;
class QWidget;

namespace muv {

// The window of a name, created and loaded when it does not exist yet; nullptr for a name the program
// has no window of.
using WindowByName = std::function<QWidget*(std::string_view name)>;

// What a key of the text table names: a message, or a window and one of its controls (an empty control
// for the window's title).
struct TextKey {
    bool message = false;
    std::string_view window;
    std::string_view control;
};
TextKey SplitTextKey(std::string_view key);

// The message variable of a message name; nullptr for a name that is none.
std::string* MessageOf(InterfaceTexts& texts, std::string_view name);

// A window's control of an object name: its own controls, frames, menus and menu entries, never those
// of another window that belongs to it. nullptr when it has none of that name.
QObject* CaptionControl(QWidget* window, std::string_view name);

// The caption a control shows: a window's title, a frame's or a menu's title, a label's, a button's or
// a menu entry's text.
QString CaptionOf(const QObject* control);
// Sets a caption. A window whose title is set is widened to show the whole title whenever it shows.
void SetCaption(QObject* control, const QString& text);

// The width a window needs for a title in its title bar: the text in the title font, the window menu's
// icon and three buttons.
int TitleBarWidth(const QString& title);

// One caption that a window repeats from another: the target control takes the source's caption (an
// empty control is the window's title).
struct CopiedCaption {
    const char* targetWindow;
    const char* targetControl;
    const char* sourceWindow;
    const char* sourceControl;
};
inline constexpr CopiedCaption kCopiedCaptions[] = {
    {"frmEqslAccount", "lblUser", "frmEmailReport", "lblUser"},
    {"frmAlarms", "lblDeviceOutput", "frmSoundCard", "lblDeviceOutput"},
    {"frmInternalSpot", "lblFrecuencia", "frmQsoEntry", "lblFrecuencia"},
    {"frmProfiles", "lblUsuario", "frmEmailReport", "lblUser"},
    {"frmAlarms", "", "frmMain", "mnuAlarma"},
};

class InterfaceLanguage {
public:
    InterfaceLanguage(WindowByName windows, InterfaceTexts& texts);

    // Language 1 to 11 on every window and message, in the table's order: a window not there yet is
    // created by the first text it gets. A text the language leaves out keeps what its control showed.
    // Any other index sets nothing. Then, whatever the index, the copied captions.
    void Apply(int index);
    // The same for one window that has just come into being: its own texts, then the captions it copies.
    void ApplyTo(int index, const QWidget& window);

private:
    void SetRows(int index, std::string_view onlyWindow);
    void CopyCaptions(std::string_view onlyTarget);
    QObject* Target(std::string_view window, std::string_view control);

    WindowByName windows_;
    InterfaceTexts& texts_;
};

}  // namespace muv
