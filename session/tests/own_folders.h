// A test's own configuration and data folders: the settings file, the ADIF log and whatever else the
// program keeps under them start empty for each test and go with it, so that a test never reads what
// another left there when the tests run one after another in one process.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "test_support/scratch_folder.h"

namespace muv::test {

class OwnFolders {
public:
    OwnFolders() : scratch_("muv_home") {
        Use("XDG_CONFIG_HOME", config_, scratch_.Path("config"));
        Use("XDG_DATA_HOME", data_, scratch_.Path("data"));
    }
    ~OwnFolders() {
        Restore("XDG_CONFIG_HOME", config_);
        Restore("XDG_DATA_HOME", data_);
    }
    OwnFolders(const OwnFolders&) = delete;
    OwnFolders& operator=(const OwnFolders&) = delete;

private:
    static void Use(const char* name, std::optional<std::string>& before, const std::string& folder) {
        if (const char* value = std::getenv(name)) before = value;
        std::filesystem::create_directories(folder);
        ::setenv(name, folder.c_str(), 1);
    }
    static void Restore(const char* name, const std::optional<std::string>& before) {
        if (before)
            ::setenv(name, before->c_str(), 1);
        else
            ::unsetenv(name);
    }

    ScratchFolder scratch_;
    std::optional<std::string> config_, data_;
};

}  // namespace muv::test
