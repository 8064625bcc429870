// Fakes that record what the program shows or opens: message boxes (answered from a queue, else Yes to
// a question, with an action to run while the first box is up), web pages, and file pickers (answered
// from a queue, cancelled when it is empty).
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/file_dialogs.h"
#include "common/message_box.h"

namespace muv::test {

class RecordingBoxes : public MessageBoxes {
public:
    struct Box {
        std::string text, title;
        BoxIcon icon;
        BoxButtons buttons = BoxButtons::Ok;
    };
    BoxAnswer Show(const std::string& text, const std::string& title, BoxIcon icon,
                   BoxButtons buttons) override {
        shown.push_back({text, title, icon, buttons});
        if (during && depth_++ == 0) during();
        depth_ = 0;
        if (!answers.empty()) {
            const BoxAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == BoxButtons::Ok || buttons == BoxButtons::OkCancel ? BoxAnswer::Ok : BoxAnswer::Yes;
    }
    std::vector<Box> shown;
    std::deque<BoxAnswer> answers;  // the operator's next answers
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

class RecordingFileDialogs : public FileDialogs {
public:
    struct Asked {
        std::string kind, title, startFolder, filter;
    };
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& startFolder) override {
        return Answer({"folder", title, startFolder, ""});
    }
    std::optional<std::string> ChooseSaveFile(const std::string& title, const std::string& startFolder,
                                              const std::string& filter) override {
        return Answer({"save", title, startFolder, filter});
    }
    std::optional<std::string> ChooseOpenFile(const std::string& title, const std::string& startFolder,
                                              const std::string& filter) override {
        return Answer({"open", title, startFolder, filter});
    }
    std::vector<Asked> asked;
    std::deque<std::optional<std::string>> answers;  // nullopt: the operator cancels

private:
    std::optional<std::string> Answer(Asked a) {
        asked.push_back(std::move(a));
        if (answers.empty()) return std::nullopt;
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace muv::test
