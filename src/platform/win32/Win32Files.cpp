// The file system through the real calls: names go through the ANSI code
// page wherever the program keeps them or hands them to an ANSI function.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "config/PathText.h"
#include "platform/Failures.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32System.h"

namespace tapivex {
namespace {

class FileByteStream : public ByteStream {
public:
    explicit FileByteStream(HANDLE file) : file_(file) {}

    std::size_t read(char* buffer, std::size_t capacity) override {
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file_.get(), buffer, wanted, &got, nullptr)) {
            throw RuntimeFailure("reading a file failed");
        }
        return got;
    }

private:
    FileHandle file_;
};

// The attributes of a path that has an ANSI form: a name the code page cannot
// hold could be neither stored nor handed to the ANSI calls, and a wide
// function would stop at a NUL and test a shorter, other path.
DWORD attributesOf(const std::wstring& path) {
    return ansiName(path) ? GetFileAttributesW(path.c_str()) : INVALID_FILE_ATTRIBUTES;
}

// "\\?\C:\x" and "\\?\UNC\server\x" back to their ordinary forms.
std::wstring withoutLongPathPrefix(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        return L"\\\\" + path.substr(8);
    }
    if (path.rfind(L"\\\\?\\", 0) == 0) {
        return path.substr(4);
    }
    return path;
}

std::wstring executablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            throw RuntimeFailure("GetModuleFileNameW failed");
        }
        // A full buffer means the name may have been cut: try a larger one.
        if (length < path.size()) {
            path.resize(length);
            return withoutLongPathPrefix(path);
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

std::wstring Win32FileSystem::programFolder() {
    const std::wstring path = executablePath();
    std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
    if (folder.size() == 2 && folder[1] == L':') {
        folder += L'\\';  // a drive's root keeps its backslash: "C:" alone means its current folder
    }
    return folder;
}

FileSystem::TempPath Win32FileSystem::windowsTempPath(std::size_t bufferChars) {
    std::string buffer(bufferChars, '\0');
    const DWORD length = GetTempPathA(static_cast<DWORD>(buffer.size()), buffer.data());
    return {length, wideFromAnsi(withoutNuls(std::move(buffer)))};
}

bool Win32FileSystem::setCurrentDirectory(const std::wstring& folder) {
    return !holdsNul(folder) && SetCurrentDirectoryW(folder.c_str()) != 0;
}

bool Win32FileSystem::fileExists(const std::wstring& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::folderExists(const std::wstring& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::canCreateFileIn(const std::wstring& folder) {
    // The backslash is added to the wide text: in Shift-JIS the last byte of a
    // name such as "表" is a backslash byte.
    const auto prefix = ansiName(WithTrailingBackslash(folder));
    if (!prefix) return false;
    // A short name (17 bytes with the backslash) fits beside any folder that
    // can take the copies; another file of that name is tried past.
    static unsigned counter = 0;
    const unsigned start = (GetCurrentProcessId() * 31 + GetTickCount() + counter++) & 0xFFFF;
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "TapiVEX~%04X.tmp", (start + attempt) & 0xFFFF);
        const std::string path = *prefix + name;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return DeleteFileA(path.c_str()) != FALSE;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

std::optional<std::size_t> Win32FileSystem::folderPathAnsiBytes(const std::wstring& folder) {
    if (!ansiName(folder)) return std::nullopt;
    std::wstring full = fullPath(folder);
    // A trailing backslash does not count, but a drive's root keeps its own:
    // "C:" alone would name that drive's current folder.
    if (full.size() > 3 && EndsWithBackslash(full)) full.pop_back();
    const auto bytes = ansiName(full);
    if (!bytes) return std::nullopt;
    return bytes->size();
}

std::wstring Win32FileSystem::upperCase(const std::wstring& text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return text;
    const int length = static_cast<int>(text.size());
    std::wstring upper(text.size(), L'\0');
    const int written = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_UPPERCASE, text.data(), length, upper.data(),
                                      length, nullptr, nullptr, 0);
    return written == length ? upper : text;
}

void Win32FileSystem::deleteFile(const std::wstring& path) {
    if (auto ansiPath = ansiName(path)) {
        DeleteFileA(ansiPath->c_str());
    }
}

std::unique_ptr<ByteStream> Win32FileSystem::openForReading(const std::wstring& path) {
    if (holdsNul(path)) {
        return nullptr;
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<FileByteStream>(file);
}

std::wstring Win32FileSystem::fromAnsi(const std::string& bytes) {
    return wideFromAnsi(bytes);
}

wchar_t Win32FileSystem::decimalSeparator() {
    wchar_t separator[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) == 0 || separator[0] == L'\0') {
        return L'.';
    }
    return separator[0];
}

std::wstring Win32FileSystem::fullPath(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0 || holdsNul(path)) return path;
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) return path;
    full.resize(written);
    return full;
}

}  // namespace tapivex
