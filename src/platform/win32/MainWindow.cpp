#include "platform/win32/MainWindow.h"

#include <shellapi.h>

#include <cstring>

#include "app/Resources.h"
#include "platform/win32/HandlerBoundary.h"
#include "platform/win32/SystemFunctions.h"
#include "platform/win32/Text.h"

namespace tapivex {
namespace {

constexpr UINT_PTR kTimer1 = 1;
// The record's first ANSI form is 88 bytes on 32-bit Windows, the program's
// own; a 64-bit build (the tests' on a machine without 32-bit support) passes
// the same form in that system's layout.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88, "the first ANSI form of the notification record");
// Named per session: a second copy started by the same user finds it.
constexpr wchar_t kInstanceMutexName[] = L"Local\\Tapivex.Instance";

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, const wchar_t* caption) {
    instanceMutex_ = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    previousInstance_ = instanceMutex_ && GetLastError() == ERROR_ALREADY_EXISTS;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainWindow::procedure;
    windowClass.hInstance = instance;
    icon_ = LoadIconW(instance, MAKEINTRESOURCEW(TAPIVEX_APPLICATION_ICON));
    windowClass.hIcon = icon_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassExW(&windowClass);

    // A tool window that is never shown: no taskbar button, nothing on any monitor.
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kMainWindowClass, caption, WS_POPUP, 0, 0, 1, 1,
                            nullptr, nullptr, instance, this);
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
}

MainWindow::~MainWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (instanceMutex_) CloseHandle(instanceMutex_);
}

void MainWindow::setTimerInterval(unsigned milliseconds) {
    if (milliseconds == 0) {
        KillTimer(hwnd_, kTimer1);
    } else {
        SetTimer(hwnd_, kTimer1, milliseconds, nullptr);
    }
}

void MainWindow::moveTo(int leftTwips, int topTwips) {
    const int dpi = WindowDpi(hwnd_);
    SetWindowPos(hwnd_, nullptr, TwipsToPixels(leftTwips, dpi), TwipsToPixels(topTwips, dpi), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::shellNotifyIcon(std::uint32_t message, const NotifyIconRecord& record) {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof(void*) == 4 ? record.cbSize : NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = reinterpret_cast<HWND>(record.hWnd);
    data.uID = record.uID;
    data.uFlags = record.uFlags;
    data.uCallbackMessage = record.uCallbackMessage;
    data.hIcon = reinterpret_cast<HICON>(record.hIcon);
    const std::string tip = ansiFromWide(record.szTip);
    // The tip keeps whole characters within the record's 64 bytes, NUL included.
    std::size_t length = 0;
    while (length < tip.size()) {
        const std::size_t next = length + (IsDBCSLeadByte(static_cast<BYTE>(tip[length])) ? 2 : 1);
        if (next > sizeof data.szTip - 1) break;
        length = next;
    }
    std::memcpy(data.szTip, tip.data(), length);
    Shell_NotifyIconA(message, &data);
}

int MainWindow::popUpMenu(const std::vector<std::wstring>& captions) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return -1;
    for (std::size_t i = 0; i < captions.size(); ++i) {
        if (captions[i] == L"-") {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu, MF_STRING, i + 1, captions[i].c_str());
        }
    }
    POINT pointer{};
    GetCursorPos(&pointer);
    // Without the foreground the menu would stay open after a click elsewhere;
    // the empty message afterwards lets the menu's loop end cleanly.
    SetForegroundWindow(hwnd_);
    const int chosen = TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_NONOTIFY,
                                        pointer.x, pointer.y, hwnd_, nullptr);
    PostMessageW(hwnd_, WM_NULL, 0, 0);
    DestroyMenu(menu);
    return chosen - 1;
}

LRESULT CALLBACK MainWindow::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || !self->events_) return DefWindowProcW(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    RunHandler([&] { result = self->handle(message, wParam, lParam); });
    return result;
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindowEvents& events = *events_;
    switch (message) {
        case WM_TIMER:
            if (wParam == kTimer1) events.onTimer();
            return 0;
        case WM_MOUSEMOVE:  // the notification icon's callback message (512)
            events.onNotifyIcon(static_cast<std::uintptr_t>(lParam));
            return 0;
        case WM_CLOSE:
            events.onCloseRequest();
            return 0;
        case WM_QUERYENDSESSION:
            // Never hold up a log-off; the clean-up runs when the session really ends.
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) events.onCloseRequest();
            return 0;
        default:
            if (message == taskbarCreated_ && taskbarCreated_ != 0) {
                events.onTaskbarCreated();
                return 0;
            }
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace tapivex
