#include "platform/win32/Win32System.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

#include "config/PathText.h"
#include "platform/Failures.h"
#include "platform/win32/FormDialog.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemFunctions.h"
#include "platform/win32/Text.h"

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

std::string removeNuls(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\0'), text.end());
    return text;
}

// The attributes of a path that has an ANSI form: a name the code page cannot
// hold could be neither stored nor handed to the ANSI calls, and a wide
// function would stop at a NUL and test a shorter, other path.
DWORD attributesOf(const std::wstring& path) {
    return ansiName(path) ? GetFileAttributesW(path.c_str()) : INVALID_FILE_ATTRIBUTES;
}

bool isFile(const std::wstring& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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

// The full path that `path` names now; `path` itself when it has none.
std::wstring fullPath(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0 || holdsNul(path)) return path;
    std::wstring full(needed, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (written == 0 || written >= needed) return path;
    full.resize(written);
    return full;
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

struct RegistryRoot {
    const wchar_t* shortName;
    const wchar_t* longName;
    HKEY key;
};

bool sameNameIgnoringCase(std::wstring_view a, const wchar_t* b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

HKEY registryRoot(std::wstring_view name) {
    static const RegistryRoot roots[] = {
        {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {L"HKU", L"HKEY_USERS", HKEY_USERS},
        {L"HKCC", L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
    };
    for (const RegistryRoot& root : roots) {
        if (sameNameIgnoringCase(name, root.shortName) || sameNameIgnoringCase(name, root.longName)) {
            return root.key;
        }
    }
    throw RuntimeFailure("unknown registry root");
}

BOOL CALLBACK RedrawIfVisible(HWND window, LPARAM) {
    if (IsWindowVisible(window)) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    return TRUE;
}

UINT_PTR redrawTimer = 0;  // the pending redraw after a change, 0 for none

VOID CALLBACK RedrawEveryWindow(HWND, UINT, UINT_PTR, DWORD) {
    KillTimer(nullptr, std::exchange(redrawTimer, 0));
    EnumWindows(&RedrawIfVisible, 0);
}

// Wine's desktop paints a new wallpaper over every window on it: the taskbar
// with the notification icon, this program's windows, its menu and boxes,
// other programs. (Its X11 driver draws the picture through XRender with
// IncludeInferiors, which ignores the desktop's clipping of its children.) The
// desktop paints later, from its own loop, so every visible top-level window
// is drawn again a moment after the change: a one-shot timer of this thread,
// which the message loops of a menu or a message box dispatch too. Windows
// never paints over windows, so there this would only repaint every program's
// windows at each change: it runs under Wine alone.
void RedrawWindowsAfterWineRepaintsTheDesktop() {
    constexpr UINT kAfterTheDesktopMs = 200;
    if (!RunningUnderWine()) return;
    // The same timer again, when one is pending: SetTimer replaces it.
    redrawTimer = SetTimer(nullptr, redrawTimer, kAfterTheDesktopMs, &RedrawEveryWindow);
}

std::string describe(const char* what, LONG code) {
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (%ld)", what, static_cast<long>(code));
    return text;
}

}  // namespace

// ---- Files ----

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
    return {length, wideFromAnsi(removeNuls(std::move(buffer)))};
}

bool Win32FileSystem::setCurrentDirectory(const std::wstring& folder) {
    return !holdsNul(folder) && SetCurrentDirectoryW(folder.c_str()) != 0;
}

bool Win32FileSystem::fileExists(const std::wstring& path) { return isFile(path); }

bool Win32FileSystem::folderExists(const std::wstring& path) {
    const DWORD attributes = attributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::canCreateFileIn(const std::wstring& folder) {
    const auto ansiFolder = ansiName(folder);
    if (!ansiFolder) return false;
    const std::string prefix = ansiFolder->empty() || ansiFolder->back() == '\\' ? *ansiFolder : *ansiFolder + '\\';
    // A short name (17 bytes with the backslash) fits beside any folder that
    // can take the copies; another file of that name is tried past.
    static unsigned counter = 0;
    const unsigned start = (GetCurrentProcessId() * 31 + GetTickCount() + counter++) & 0xFFFF;
    for (unsigned attempt = 0; attempt < 16; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "TapiVEX~%04X.tmp", (start + attempt) & 0xFFFF);
        const std::string path = prefix + name;
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

// ---- Profile files ----

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
    return wideFromAnsi(removeNuls(std::move(buffer)));
}

bool Win32ProfileFile::writeString(const std::wstring& file, const std::wstring& section,
                                   const std::wstring& key, const std::wstring& value) {
    const auto names = profileNames(file, section, key);
    const auto ansiValue = ansiName(value);
    return names && ansiValue &&
           WritePrivateProfileStringA(names->section.c_str(), names->key.c_str(), ansiValue->c_str(),
                                      names->file.c_str()) != FALSE;
}

// ---- Desktop ----

void Win32Desktop::writeRegistryString(const std::wstring& valuePath, const std::wstring& value) {
    // RegSetValueExW would stop a name at a NUL and write another value.
    if (holdsNul(valuePath)) {
        throw RuntimeFailure("registry path holds a NUL");
    }
    const std::size_t rootEnd = valuePath.find(L'\\');
    if (rootEnd == std::wstring::npos) {
        throw RuntimeFailure("registry path without a key");
    }
    const HKEY root = registryRoot(std::wstring_view(valuePath).substr(0, rootEnd));
    const std::size_t nameStart = valuePath.rfind(L'\\') + 1;
    const std::wstring subkey =
        nameStart - 1 > rootEnd ? valuePath.substr(rootEnd + 1, nameStart - 1 - rootEnd - 1) : std::wstring();
    const std::wstring valueName = valuePath.substr(nameStart);

    RegistryKey key;
    LONG result = RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                  key.put(), nullptr);
    if (result != ERROR_SUCCESS) {
        throw RuntimeFailure(describe("RegCreateKeyExW", result));
    }
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    result = RegSetValueExW(key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            bytes);
    if (result != ERROR_SUCCESS) {
        throw RuntimeFailure(describe("RegSetValueExW", result));
    }
}

bool Win32Desktop::setWallpaper(const std::wstring& path) {
    // Windows refuses a file that does not exist; Wine would store its name
    // as the user's wallpaper.
    if (!path.empty() && !isFile(path)) {
        return false;
    }
    // The desktop keeps the path for later sessions, so a relative entry is
    // stored as the full path it names now; the empty text stays empty.
    auto ansiPath = ansiName(path.empty() ? path : fullPath(path));
    if (!ansiPath) {
        return false;
    }
    // 3: write the setting to the user's profile and tell every window.
    const bool accepted =
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, ansiPath->data(), SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != 0;
    if (accepted) RedrawWindowsAfterWineRepaintsTheDesktop();
    return accepted;
}

// ---- Clock ----

std::uint32_t Win32Clock::milliseconds() {
    // The system's millisecond counter since it started, wrapping at 2^32:
    // the same count as the multimedia timer's, without loading winmm.dll
    // into a program that idles all day. Its 10-16 ms steps vanish in the
    // rounding to whole seconds.
    return GetTickCount();
}

// ---- User interface ----

int Win32UserInterface::messageBox(std::uintptr_t owner, const std::wstring& text, unsigned style) {
    return MessageBoxW(reinterpret_cast<HWND>(owner), text.c_str(), title_.c_str(), style | MB_SETFOREGROUND);
}

void Win32UserInterface::doEvents() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The quit request belongs to the main loop: put it back and stop here.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (PreTranslateFormMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace tapivex
