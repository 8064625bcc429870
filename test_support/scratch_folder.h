// A folder of its own under the system's temporary folder, removed when it goes; and the fixture that
// gives each test one.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace muv::test {

class ScratchFolder {
public:
    // The folder is named after the purpose, the process and, inside a test, the test.
    explicit ScratchFolder(const std::string& purpose = "muv") {
        std::string name = purpose + "_" + std::to_string(::getpid());
        if (const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info())
            name += std::string("_") + info->test_suite_name() + "_" + info->name();
        folder_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

private:
    std::filesystem::path folder_;
};

class TempFolderTest : public testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<ScratchFolder>("muv_platform");
        folder_ = scratch_->Folder();
    }
    void TearDown() override { scratch_.reset(); }

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    std::unique_ptr<ScratchFolder> scratch_;
    std::filesystem::path folder_;
};

}  // namespace muv::test
