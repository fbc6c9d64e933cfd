// The desktop: its registry values and the wallpaper call.
#include <windows.h>

#include <cstdio>
#include <utility>

#include "platform/Failures.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemFunctions.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32System.h"

namespace tapivex {
namespace {

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
    if (!path.empty() && !Win32FileSystem().fileExists(path)) {
        return false;
    }
    // The desktop keeps the path for later sessions, so a relative entry is
    // stored as the full path it names now; the empty text stays empty.
    // Wine keeps 255 bytes of it and Windows a few more: a longer path would be
    // stored cut, naming nothing, so it is refused on both.
    constexpr std::size_t kLongestWallpaperBytes = 255;
    auto ansiPath = ansiName(path.empty() ? path : Win32FileSystem::fullPath(path));
    if (!ansiPath || ansiPath->size() > kLongestWallpaperBytes) {
        return false;
    }
    // 3: write the setting to the user's profile and tell every window.
    const bool accepted =
        SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, ansiPath->data(), SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != 0;
    if (accepted) RedrawWindowsAfterWineRepaintsTheDesktop();
    return accepted;
}

}  // namespace tapivex
