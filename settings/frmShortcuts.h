// The keyboard-shortcuts window: a fixed list of the main window's keys and clicks.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;

namespace muv {

class frmShortcuts : public QDialog {
public:
    explicit frmShortcuts(QWidget* parent = nullptr);

    // Puts the list into txtShortcuts.
    void Form_Load();

    // The list, each line ended by CR LF; the same in every interface language.
    static std::string ShortcutsText();

    QPlainTextEdit* txtShortcuts;
};

}  // namespace muv
