// The profile files (TapiVEX.CFG) through the ANSI profile functions, so that
// the file stays in the system's code page for the program's other readers.
#include <windows.h>

#include <algorithm>

#include "platform/win32/Text.h"
#include "platform/win32/Win32System.h"

namespace tapivex {
namespace {

struct ProfileNames {
    std::string file;
    std::string section;
    std::string key;
};

// nullopt when one of the names has no ANSI form: such a key exists in no file.
std::optional<ProfileNames> profileNames(const std::wstring& file, const std::wstring& section,
                                         const std::wstring& key) {
    auto ansiFile = ansiName(file);
    auto ansiSection = ansiName(section);
    auto ansiKey = ansiName(key);
    if (!ansiFile || !ansiSection || !ansiKey) {
        return std::nullopt;
    }
    return ProfileNames{std::move(*ansiFile), std::move(*ansiSection), std::move(*ansiKey)};
}

// The ANSI form of a default value as the profile function hands it over: up
// to its first NUL.
std::string ansiDefault(const std::wstring& defaultValue) {
    std::string bytes = ansiFromWide(defaultValue);
    bytes.resize(std::min(bytes.size(), bytes.find('\0')));
    return bytes;
}

}  // namespace

std::uint32_t Win32ProfileFile::readInt(const std::wstring& file, const std::wstring& section,
                                        const std::wstring& key, int defaultValue) {
    const auto names = profileNames(file, section, key);
    if (!names) {
        return static_cast<std::uint32_t>(defaultValue);
    }
    return GetPrivateProfileIntA(names->section.c_str(), names->key.c_str(), defaultValue, names->file.c_str());
}

std::wstring Win32ProfileFile::readString(const std::wstring& file, const std::wstring& section,
                                          const std::wstring& key, const std::wstring& defaultValue,
                                          std::size_t bufferChars) {
    const std::string ansiDefaultValue = ansiDefault(defaultValue);
    const auto names = profileNames(file, section, key);
    if (!names) {
        // What the call gives for a missing key: the default, cut to the buffer.
        return wideFromAnsi(ansiDefaultValue.substr(0, bufferChars == 0 ? 0 : bufferChars - 1));
    }
    std::string buffer(bufferChars, '\0');
    if (bufferChars > 0) {
        GetPrivateProfileStringA(names->section.c_str(), names->key.c_str(), ansiDefaultValue.c_str(),
                                 buffer.data(), static_cast<DWORD>(bufferChars), names->file.c_str());
    }
    return wideFromAnsi(withoutNuls(std::move(buffer)));
}

bool Win32ProfileFile::writeString(const std::wstring& file, const std::wstring& section,
                                   const std::wstring& key, const std::wstring& value) {
    const auto names = profileNames(file, section, key);
    const auto ansiValue = ansiName(value);
    return names && ansiValue &&
           WritePrivateProfileStringA(names->section.c_str(), names->key.c_str(), ansiValue->c_str(),
                                      names->file.c_str()) != FALSE;
}

}  // namespace tapivex
