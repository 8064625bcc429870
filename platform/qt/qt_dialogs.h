// The message-box and web-page faces on Qt: QMessageBox and the desktop's browser.
#pragma once

#include <QWidget>

#include "common/message_box.h"

namespace muv {

class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}
    BoxAnswer Show(const std::string& text, const std::string& title, BoxIcon icon,
                   BoxButtons buttons) override;

private:
    QWidget* parent_;
};

class DesktopWebPages : public WebPages {
public:
    bool Open(const std::string& address) override;
};

}  // namespace muv
