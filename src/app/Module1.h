// The notification icon of the main window.
#pragma once

#include <cstdint>
#include <string>

#include "platform/MainWindowHost.h"

namespace tapivex {

inline constexpr wchar_t kTrayTip[] = L"壁紙自動変更";
inline constexpr std::uint32_t kTrayCallbackMessage = 512;  // arrives as WM_MOUSEMOVE

// Fills `TrayIconData` and adds the icon; the result is not examined.
void AddTrayIcon(MainWindowHost& window, NotifyIconRecord& TrayIconData, std::uintptr_t hWnd,
                 std::uintptr_t hIcon, const std::wstring& tip);
// Removes the icon of the last add (with the all-zero record before any add).
void RemoveTrayIcon(MainWindowHost& window, const NotifyIconRecord& TrayIconData);

}  // namespace tapivex
