#include "app/Module1.h"

namespace tapivex {
namespace {

constexpr std::uint32_t kNimAdd = 0;
constexpr std::uint32_t kNimDelete = 2;
constexpr std::uint32_t kFirstAnsiFormSize = 88;
constexpr std::uint32_t kMessageIconTip = 7;  // NIF_MESSAGE | NIF_ICON | NIF_TIP

}  // namespace

void AddTrayIcon(MainWindowHost& window, NotifyIconRecord& TrayIconData, std::uintptr_t hWnd,
                 std::uintptr_t hIcon, const std::wstring& tip) {
    TrayIconData.cbSize = kFirstAnsiFormSize;
    TrayIconData.hIcon = hIcon;
    TrayIconData.hWnd = hWnd;
    TrayIconData.szTip = tip;
    TrayIconData.uCallbackMessage = kTrayCallbackMessage;
    TrayIconData.uFlags = kMessageIconTip;
    TrayIconData.uID = 1;
    window.shellNotifyIcon(kNimAdd, TrayIconData);
}

void RemoveTrayIcon(MainWindowHost& window, const NotifyIconRecord& TrayIconData) {
    window.shellNotifyIcon(kNimDelete, TrayIconData);
}

}  // namespace tapivex
