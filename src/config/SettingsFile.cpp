#include "config/SettingsFile.h"

#include <limits>

#include "config/PathText.h"
#include "platform/Failures.h"

namespace tapivex {
namespace {

constexpr wchar_t kSection[] = L"Setting";
constexpr wchar_t kTempPathTypeKey[] = L"TempPathType";
constexpr wchar_t kUserTempPathKey[] = L"UserTempPath";
constexpr std::size_t kPathBufferChars = 256;

std::int16_t ToInt16(std::uint32_t profileValue) {
    // The profile function's unsigned result is read as a signed 32-bit number.
    const auto value = static_cast<std::int32_t>(profileValue);
    if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max()) {
        throw RuntimeFailure("TempPathType beyond 16 bits");
    }
    return static_cast<std::int16_t>(value);
}

}  // namespace

FolderCheck CheckConversionFolder(FileSystem& files, const std::wstring& folder) {
    if (folder.empty() || !files.folderExists(folder)) return FolderCheck::Missing;
    const std::optional<std::size_t> bytes = files.folderPathAnsiBytes(folder);
    // The length first: the test file's name must fit beside the folder too.
    if (!bytes || *bytes > kLongestFolderBytes || !files.canCreateFileIn(folder)) return FolderCheck::Unusable;
    return FolderCheck::Usable;
}

ConversionFolderChoice ReadSettingsFile(FileSystem& files, ProfileFile& profile,
                                        const std::wstring& settingsFilePath,
                                        const std::wstring& windowsTempPath) {
    ConversionFolderChoice choice;
    choice.UseUserFolder = ToInt16(profile.readInt(settingsFilePath, kSection, kTempPathTypeKey, 0));
    choice.UserFolderSetting =
        profile.readString(settingsFilePath, kSection, kUserTempPathKey, L"", kPathBufferChars);

    const std::wstring& folder = choice.UserFolderSetting;
    if (choice.UseUserFolder != 0) choice.fallback = CheckConversionFolder(files, folder);
    if (choice.UseUserFolder != 0 && choice.fallback == FolderCheck::Usable) {
        choice.ConvertFolder = WithTrailingBackslash(folder);
    } else {
        choice.UseUserFolder = 0;
        choice.ConvertFolder = windowsTempPath;
    }
    return choice;
}

void WriteSettingsFile(ProfileFile& profile, const std::wstring& settingsFilePath,
                       bool useUserFolder, const std::wstring& userFolder) {
    // A key that holds the text already is left alone: an unchanged choice
    // needs no writable file.
    auto write = [&](const wchar_t* key, const std::wstring& value) {
        if (profile.readString(settingsFilePath, kSection, key, L"", kPathBufferChars) == value) return;
        if (!profile.writeString(settingsFilePath, kSection, key, value)) {
            throw RuntimeFailure("TapiVEX.CFG cannot be written");
        }
    };
    if (!useUserFolder) {
        write(kTempPathTypeKey, L"0");
        return;
    }
    write(kTempPathTypeKey, L"1");
    write(kUserTempPathKey, WithoutTrailingBackslash(userFolder));
}

}  // namespace tapivex
