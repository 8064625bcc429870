#include "settings/frmShortcuts.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "platform/qt/qt_text.h"

namespace muv {

namespace {

// The macro keys name the macros of the main window ("@" is the E-mail macro).
const char* const kShortcutLines[] = {
    "ESC in TX: Emergency PTT STOP",
    "ESC in RX: Cancel Frame Button",
    "F1:   CQ",
    "F2:   CALL2",
    "F3:   CALL",
    "F4:   ME",
    "F5:   Station",
    "F6:   BYE",
    "F7:   Custom",
    "F8:   @",
    "F9:   S/N",
    "F10: QSL",
    "F11: Clear",
    "F12: PTT ON/OFF",
    "",
    "Page Up:      Frequency Up",
    "Page Down: Frequency Down",
    "",
    "Click over Callsign:  Callsign to ADIF",
    "Click over Name:      Name to ADIF",
    "Click over Locator:   Locator to ADIF",
    "CTRL + Click over QTH:  QTH to ADIF",
};

}  // namespace

std::string frmShortcuts::ShortcutsText() {
    std::string text;
    for (const char* line : kShortcutLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

frmShortcuts::frmShortcuts(QWidget* parent) : QDialog(parent) {
    setObjectName("frmShortcuts");
    // English caption until the interface language is applied.
    setWindowTitle("Shortcuts");
    txtShortcuts = new QPlainTextEdit(this);
    txtShortcuts->setObjectName("txtShortcuts");
    txtShortcuts->setReadOnly(true);
    txtShortcuts->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtShortcuts->setMinimumSize(320, 380);
    (new QVBoxLayout(this))->addWidget(txtShortcuts);
}

void frmShortcuts::Form_Load() {
    // The box breaks lines at a plain line feed.
    QString text = ToQString(ShortcutsText());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txtShortcuts->setPlainText(text);
}

}  // namespace muv
