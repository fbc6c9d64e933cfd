// ScreenDriver: the hand of scripts/screenshots.sh inside the Wine desktop. It
// sends real input with SendInput (keys sent from outside Wine do not reach its
// menus) and tells where a window stands, so that the script can crop to it.
//   ScreenDriver click X Y [right]      a press and release at (X, Y)
//   ScreenDriver doubleclick X Y        two quick presses at (X, Y)
//   ScreenDriver move X Y               the pointer to (X, Y)
//   ScreenDriver key C                  a press of the key with virtual-key code C (a letter or digit)
//   ScreenDriver wait CLASS [CAPTION]   waits up to 5 s for a visible top-level window of that class
//                                       (and caption), prints "left top right bottom"; exit 1 if none
//   ScreenDriver gone CLASS [CAPTION]   waits up to 5 s until no such window is visible; exit 1 if one stays
// Built by the script with the MinGW compiler; not part of the program.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

void Send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Sleep(60);
}

INPUT Mouse(DWORD flags, POINT at = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    return input;
}

INPUT Key(WORD virtualKey, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = flags;
    return input;
}

struct Search {
    std::wstring className;
    std::wstring caption;
    HWND found = nullptr;
};

BOOL CALLBACK Match(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    wchar_t name[64] = {};
    wchar_t text[256] = {};
    GetClassNameW(window, name, 64);
    GetWindowTextW(window, text, 256);
    if (IsWindowVisible(window) && search->className == name && (search->caption.empty() || search->caption == text)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND Find(const std::wstring& className, const std::wstring& caption) {
    Search search{className, caption};
    EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls for 5 s until a window of that kind is there (or gone); returns it, or null.
HWND Poll(const std::wstring& className, const std::wstring& caption, bool present) {
    HWND found = nullptr;
    for (int i = 0; i < 50; ++i) {
        found = Find(className, caption);
        if ((found != nullptr) == present) break;
        Sleep(100);
    }
    return found;
}

int Wait(const std::wstring& className, const std::wstring& caption) {
    HWND found = Poll(className, caption, true);
    if (!found) return 1;
    RECT r{};
    GetWindowRect(found, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
}

POINT At(const std::vector<std::wstring>& args) {
    return {std::wcstol(args[1].c_str(), nullptr, 10), std::wcstol(args[2].c_str(), nullptr, 10)};
}

int Run(const std::vector<std::wstring>& args) {
    const std::wstring command = args.empty() ? L"" : args[0];
    if ((command == L"click" || command == L"doubleclick" || command == L"move") && args.size() >= 3) {
        Send({Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, At(args))});
        if (command == L"move") return 0;
        const bool right = args.size() > 3 && args[3] == L"right";
        const DWORD down = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
        const DWORD up = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
        if (command == L"doubleclick") {
            Send({Mouse(down), Mouse(up), Mouse(down), Mouse(up)});
        } else {
            // A hand's press and release are apart: a pop-up menu opens on the press.
            Send({Mouse(down)});
            Sleep(150);
            Send({Mouse(up)});
        }
        return 0;
    }
    if (command == L"key" && args.size() == 2 && args[1].size() == 1) {
        const WORD code = static_cast<WORD>(towupper(args[1][0]));
        Send({Key(code, 0), Key(code, KEYEVENTF_KEYUP)});
        return 0;
    }
    if (command == L"altkey" && args.size() == 2 && args[1].size() == 1) {
        const WORD code = static_cast<WORD>(towupper(args[1][0]));
        Send({Key(VK_MENU, 0), Key(code, 0), Key(code, KEYEVENTF_KEYUP), Key(VK_MENU, KEYEVENTF_KEYUP)});
        return 0;
    }
    if (command == L"escape") {
        Send({Key(VK_ESCAPE, 0), Key(VK_ESCAPE, KEYEVENTF_KEYUP)});
        return 0;
    }
    if (command == L"foreground") {
        RECT r{};
        if (!GetWindowRect(GetForegroundWindow(), &r)) return 1;
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    if (command == L"wait" && args.size() >= 2) return Wait(args[1], args.size() > 2 ? args[2] : L"");
    if (command == L"gone" && args.size() >= 2) return Poll(args[1], args.size() > 2 ? args[2] : L"", false) ? 1 : 0;
    std::fputs("usage: ScreenDriver click|doubleclick|move X Y [right] | key C | altkey C | escape | foreground"
               " | wait|gone CLASS [CAPTION]\n", stderr);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return Run(std::vector<std::wstring>(argv + 1, argv + argc)); }
