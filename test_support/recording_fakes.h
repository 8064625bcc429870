// Fakes that record what the program shows or opens: message boxes (answered Yes, with an action to run
// while the first box is up) and web pages.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/message_box.h"

namespace muv::test {

class RecordingBoxes : public MessageBoxes {
public:
    struct Box {
        std::string text, title;
        BoxIcon icon;
    };
    BoxAnswer Show(const std::string& text, const std::string& title, BoxIcon icon,
                   BoxButtons buttons) override {
        shown.push_back({text, title, icon});
        if (during && depth_++ == 0) during();
        depth_ = 0;
        return buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
    }
    std::vector<Box> shown;
    std::function<void()> during;

private:
    int depth_ = 0;
};

class RecordingPages : public WebPages {
public:
    bool Open(const std::string& address) override {
        opened.push_back(address);
        return true;
    }
    std::vector<std::string> opened;
};

}  // namespace muv::test
