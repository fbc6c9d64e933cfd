// The program-wide state that the windows share.
#pragma once

#include <cstdint>
#include <string>

#include "config/WallpaperListFile.h"
#include "platform/MainWindowHost.h"

namespace tapivex {

struct Globals {
    WallpaperTable WallpaperList;
    std::int32_t ChangeInterval = 0;  // seconds between changes
    std::int16_t DisplayStyle = 0;    // 0 centred, 1 tiled, 2 stretched, 3 keep the system's setting
    std::int16_t UseUserFolder = 0;   // 0: the Windows temporary folder; otherwise the user's folder
    std::wstring UserFolderSetting;   // UserTempPath exactly as the settings file holds it
    std::wstring ConvertFolder;       // the conversion folder in use, ending with a backslash
    std::wstring SettingsFilePath;
    NotifyIconRecord TrayIconData;    // all zero until the first add
};

}  // namespace tapivex
