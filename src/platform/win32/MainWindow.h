// The real window behind frmMain: hidden, never shown, receiving the rotation
// timer and the system's session messages.
#pragma once

#include <windows.h>

#include "platform/MainWindowHost.h"

namespace tapivex {

inline constexpr wchar_t kMainWindowClass[] = L"TapivexMain";

class MainWindow : public MainWindowHost {
public:
    MainWindow(HINSTANCE instance, const wchar_t* caption);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // What the window's messages run; set once before the first load.
    void attach(MainWindowEvents& events) { events_ = &events; }
    HWND handle() const { return hwnd_; }

    bool previousInstance() override { return previousInstance_; }
    void setTimerInterval(unsigned milliseconds) override;
    void moveTo(int leftTwips, int topTwips) override;
    std::uintptr_t windowHandle() override { return reinterpret_cast<std::uintptr_t>(hwnd_); }
    std::uintptr_t iconHandle() override { return reinterpret_cast<std::uintptr_t>(icon_); }
    void shellNotifyIcon(std::uint32_t message, const NotifyIconRecord& record) override;
    int popUpMenu(const std::vector<std::wstring>& captions) override;

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
    UINT taskbarCreated_ = 0;
    HANDLE instanceMutex_ = nullptr;
    bool previousInstance_ = false;
    MainWindowEvents* events_ = nullptr;
};

}  // namespace tapivex
