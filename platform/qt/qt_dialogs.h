// The message-box, web-page and file-picker faces on Qt: QMessageBox, the desktop's browser and
// QFileDialog.
#pragma once

#include <QWidget>

#include "common/file_dialogs.h"
#include "common/message_box.h"

namespace muv {

class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    BoxAnswer Show(const std::string& text, const std::string& title, BoxIcon icon,
                   BoxButtons buttons) override;

    // A run that nobody watches (a screenshot taken unattended): every box and file picker of the
    // program is written to standard error instead and answered by its default, so that nothing waits.
    static void SetUnattended(bool unattended);
    static bool Unattended();

private:
    QWidget* parent_;
};

class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& startFolder) override;
    std::optional<std::string> ChooseSaveFile(const std::string& title, const std::string& startFolder,
                                              const std::string& filter) override;
    std::optional<std::string> ChooseOpenFile(const std::string& title, const std::string& startFolder,
                                              const std::string& filter) override;

private:
    QWidget* parent_;
};

class DesktopWebPages : public WebPages {
public:
    bool Open(const std::string& address) override;
};

}  // namespace muv
