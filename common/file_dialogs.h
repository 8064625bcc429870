// The folder and file pickers, behind a face that tests replace. Paths and titles are UTF-8, as the
// rest of the program holds them. nullopt when the operator cancelled.
#pragma once

#include <optional>
#include <string>

namespace muv {

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // A folder, starting in startFolder.
    virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                    const std::string& startFolder) = 0;
    // A file to write (it need not exist). filter: Qt's form, "ADIF Files (*.adi *.ADI);;All files (*)".
    virtual std::optional<std::string> ChooseSaveFile(const std::string& title,
                                                      const std::string& startFolder,
                                                      const std::string& filter) = 0;
    // An existing file to read.
    virtual std::optional<std::string> ChooseOpenFile(const std::string& title,
                                                      const std::string& startFolder,
                                                      const std::string& filter) = 0;
};

}  // namespace muv
