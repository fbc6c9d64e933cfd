#include "Input.h"

#include <thread>
#include <vector>

namespace tapivex::e2e::input {
namespace {

constexpr int kFirstControlId = 100;  // the window host numbers a table's rows from here

void send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
}

INPUT mouse(DWORD flags, POINT at = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    return input;
}

INPUT keyboard(WORD virtualKey, WORD scan, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    return input;
}

struct Search {
    const wchar_t* className;
    const std::wstring* caption;
    HWND found;
    int count;
    bool hiddenToo;
};

BOOL CALLBACK Match(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if ((!search->hiddenToo && !IsWindowVisible(window)) || std::wstring(className) != search->className) return TRUE;
    if (!search->caption->empty() && windowText(window) != *search->caption) return TRUE;
    search->found = window;
    ++search->count;
    return TRUE;
}

}  // namespace

POINT notificationIcon() { return {GetSystemMetrics(SM_CXSCREEN) - 12, GetSystemMetrics(SM_CYSCREEN) - 10}; }

void click(POINT at, bool right) {
    send({mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at)});
    // A hand's press and release are apart: the menu opens on the press.
    send({mouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN)});
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    send({mouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP)});
}

void doubleClick(POINT at) {
    send({mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at)});
    send({mouse(MOUSEEVENTF_LEFTDOWN), mouse(MOUSEEVENTF_LEFTUP), mouse(MOUSEEVENTF_LEFTDOWN),
          mouse(MOUSEEVENTF_LEFTUP)});
}

void key(WORD virtualKey) { send({keyboard(virtualKey, 0, 0), keyboard(virtualKey, 0, KEYEVENTF_KEYUP)}); }

void altKey(WORD virtualKey) {
    send({keyboard(VK_MENU, 0, 0), keyboard(virtualKey, 0, 0), keyboard(virtualKey, 0, KEYEVENTF_KEYUP),
          keyboard(VK_MENU, 0, KEYEVENTF_KEYUP)});
}

void type(const std::wstring& text) {
    for (wchar_t c : text) send({keyboard(0, c, KEYEVENTF_UNICODE), keyboard(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP)});
}

HWND findWindow(const wchar_t* className, const std::wstring& caption) {
    Search search{className, &caption, nullptr, 0, false};
    EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int countWindows(const wchar_t* className, const std::wstring& caption, bool hiddenToo) {
    Search search{className, &caption, nullptr, 0, hiddenToo};
    EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

HWND waitForWindow(const wchar_t* className, const std::wstring& caption, Milliseconds limit) {
    HWND found = nullptr;
    waitUntil([&] { return (found = findWindow(className, caption)) != nullptr; }, limit);
    return found;
}

bool waitForWindowGone(HWND window, Milliseconds limit) {
    return waitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, limit);
}

std::wstring windowText(HWND window) {
    // WM_GETTEXT reaches the control's own text in the program's process.
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &length);
    return std::wstring(text, length);
}

HWND control(HWND form, int row) { return GetDlgItem(form, kFirstControlId + row); }

}  // namespace tapivex::e2e::input
