// Message boxes and web pages, behind faces that tests replace: the program shows real boxes and
// opens the user's browser; tests record what would have been shown and answer for the user.
#pragma once

#include <string>

namespace muv {

enum class BoxIcon { None, Critical, Question, Exclamation, Information };
// YesNoCancel makes Yes the default button, YesNoCancelDefaultNo makes it No.
enum class BoxButtons { Ok, YesNo, OkCancel, YesNoCancel, YesNoCancelDefaultNo };
enum class BoxAnswer { Ok, Yes, No, Cancel };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box (texts in UTF-8) and returns the button pressed.
    virtual BoxAnswer Show(const std::string& text, const std::string& title, BoxIcon icon,
                           BoxButtons buttons = BoxButtons::Ok) = 0;
};

class WebPages {
public:
    virtual ~WebPages() = default;
    // Opens an address in the user's browser; false when it could not be opened.
    virtual bool Open(const std::string& address) = 0;
};

}  // namespace muv
