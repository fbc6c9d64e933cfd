// A fresh folder for one test of the Windows layer.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tapivex::testing {

// A folder under the temporary folder, named after the running test and removed
// with what it holds.
class TestFolder {
public:
    TestFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = (std::filesystem::temp_directory_path() /
                 (std::string("tapivex-") + test->test_suite_name() + "." + test->name())).wstring();
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        std::filesystem::create_directory(path_);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

}  // namespace tapivex::testing
