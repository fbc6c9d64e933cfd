// The start-up and idle reference: the least a notification-area program does.
// It registers a class, creates a hidden window, adds one icon and waits for
// messages; WM_CLOSE removes the icon and ends it.
#include <windows.h>
#include <shellapi.h>

namespace {

constexpr UINT kCallbackMessage = WM_APP + 1;
constexpr UINT kIconId = 1;

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = hwnd;
        data.uID = kIconId;
        Shell_NotifyIconW(NIM_DELETE, &data);
        DestroyWindow(hwnd);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"BenchMinimalTray";
    RegisterClassExW(&windowClass);
    HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"minimal", WS_POPUP, 0, 0, 1, 1,
                                nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;

    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = hwnd;
    data.uID = kIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(data.szTip, L"minimal", ARRAYSIZE(data.szTip));
    Shell_NotifyIconW(NIM_ADD, &data);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
