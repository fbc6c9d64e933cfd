// The settings file TapiVEX.CFG beside the program: where the converted images go.
//   [Setting]
//   TempPathType=1          0: the Windows temporary folder; otherwise the user's folder
//   UserTempPath=D:\Cache   the user's folder, without a trailing backslash
#pragma once

#include <cstdint>
#include <string>

#include "platform/System.h"

namespace tapivex {

inline constexpr wchar_t kSettingsFileName[] = L"TapiVEX.CFG";

// The longest folder, in ANSI bytes, that can take the converted images: the
// settings file reads a folder back into 255 bytes, and the wallpaper call
// takes 255, so the folder and "\TapiVEX200.BMP" must fit into 255.
inline constexpr std::size_t kLongestFolderBytes = 255 - 15;

// Whether a folder can take the converted images: it exists, fits
// kLongestFolderBytes, and a file can be made there.
enum class FolderCheck { Usable, Missing, Unusable };
FolderCheck CheckConversionFolder(FileSystem& files, const std::wstring& folder);

struct ConversionFolderChoice {
    std::int16_t UseUserFolder = 0;  // forced to 0 when the user's folder cannot be used
    std::wstring UserFolderSetting;  // UserTempPath exactly as read
    std::wstring ConvertFolder;      // the folder in use, ending with a backslash
    FolderCheck fallback = FolderCheck::Usable;  // why the user's folder asked for was passed over
};

// Reads the settings file and decides the conversion folder, falling back to
// `windowsTempPath` in silence when the user's folder is empty or cannot take
// the converted images.
// A TempPathType beyond 16 bits throws RuntimeFailure.
ConversionFolderChoice ReadSettingsFile(FileSystem& files, ProfileFile& profile,
                                        const std::wstring& settingsFilePath,
                                        const std::wstring& windowsTempPath);

// Saves the choice: TempPathType "1" then UserTempPath (one trailing backslash
// removed), or TempPathType "0" alone, leaving UserTempPath as it is. A key
// is written only when its stored text differs. Throws RuntimeFailure when a
// write fails (a read-only folder, say), after which the file holds the
// writes made before it.
void WriteSettingsFile(ProfileFile& profile, const std::wstring& settingsFilePath,
                       bool useUserFolder, const std::wstring& userFolder);

}  // namespace tapivex
