// Helpers shared by the tests of the Windows layer.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tapivex::testing {

// A fresh folder under the temporary folder, named after the running test and
// removed with what it holds.
class TestFolder {
public:
    TestFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string("tapivex-") + test->test_suite_name() + "." + test->name();
        path_ = (std::filesystem::temp_directory_path() / name).wstring();
        std::filesystem::remove_all(path_);
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

// Writes bytes to a file, replacing it.
inline void writeBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

// The whole content of a file; empty when it cannot be read.
inline std::string readBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace tapivex::testing
