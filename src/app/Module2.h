// Writes of the desktop's wallpaper settings in the registry.
#pragma once

#include <cstdint>
#include <string>

#include "platform/System.h"

namespace tapivex {

inline constexpr wchar_t kWallpaperStyleValue[] = L"HKCU\\Control Panel\\desktop\\WallpaperStyle";
inline constexpr wchar_t kTileWallpaperValue[] = L"HKCU\\Control Panel\\desktop\\TileWallpaper";

// Stores `value` in decimal digits as a string value. A failure reaches the caller.
void WriteDesktopRegistry(Desktop& desktop, const std::wstring& name, std::int16_t value);

}  // namespace tapivex
