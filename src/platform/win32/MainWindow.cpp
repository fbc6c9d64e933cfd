#include "platform/win32/MainWindow.h"

#include "platform/Failures.h"

namespace tapivex {
namespace {

constexpr UINT_PTR kTimer1 = 1;
// Named per session: a second copy started by the same user finds it.
constexpr wchar_t kInstanceMutexName[] = L"Local\\Tapivex.Instance";

int TwipsToPixels(int twips, int dotsPerInch) { return MulDiv(twips, dotsPerInch, 1440); }

int ScreenDpi(HWND hwnd) {
    HDC dc = GetDC(hwnd);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(hwnd, dc);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) {
    instanceMutex_ = CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    previousInstance_ = instanceMutex_ && GetLastError() == ERROR_ALREADY_EXISTS;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainWindow::procedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kMainWindowClass;
    RegisterClassExW(&windowClass);

    // A tool window that is never shown: no taskbar button, nothing on any monitor.
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kMainWindowClass, kMainWindowCaption, WS_POPUP, 0, 0, 1, 1,
                            nullptr, nullptr, instance, this);
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
    const int dpi = ScreenDpi(hwnd_);
    SetWindowPos(hwnd_, nullptr, TwipsToPixels(leftTwips, dpi), TwipsToPixels(topTwips, dpi), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK MainWindow::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || !self->form_) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    frmMain& form = *form_;
    switch (message) {
        case WM_TIMER:
            if (wParam == kTimer1) RunHandler([&] { form.Timer1_Timer(); });
            return 0;
        case WM_CLOSE:
            RunHandler([&] { form.Form_QueryUnload(); });
            return 0;
        case WM_QUERYENDSESSION:
            // Never hold up a log-off; the clean-up runs when the session really ends.
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) RunHandler([&] { form.Form_QueryUnload(); });
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace tapivex
