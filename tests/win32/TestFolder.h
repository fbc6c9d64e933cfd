// Helpers shared by the tests of the Windows layer.
#pragma once

#include <windows.h>

#include <string>

namespace tapivex::testing {

// A fresh folder under the temporary folder, removed with what it holds.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Writes bytes to a file, replacing it.
void writeBytes(const std::wstring& path, const std::string& bytes);
// The whole content of a file; empty when it cannot be read.
std::string readBytes(const std::wstring& path);

}  // namespace tapivex::testing
