// A folder of its own under the system's temporary folder for each test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <string>

namespace muv {

class TempFolderTest : public testing::Test {
protected:
    void SetUp() override {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        folder_ =
            std::filesystem::temp_directory_path() / ("muv_platform_" + std::to_string(::getpid()) + "_" +
                                                      info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    std::filesystem::path folder_;
};

}  // namespace muv
