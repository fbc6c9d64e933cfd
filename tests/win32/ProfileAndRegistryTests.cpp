// The profile-file functions on ANSI files, and registry writes read back.
#include <gtest/gtest.h>
#include <windows.h>

#include "TestFolder.h"
#include "platform/Failures.h"
#include "platform/win32/Win32System.h"

namespace tapivex {
namespace {

using testing::readBytes;
using testing::TestFolder;
using testing::writeBytes;

TEST(Win32ProfileFile, JapaneseRoundTripIsShiftJisOnDisk) {
    TestFolder folder;
    Win32ProfileFile profile;
    const std::wstring file = folder.file(L"設定.ini");

    profile.writeString(file, L"表示", L"フォルダ", L"C:\\壁紙\\表");
    EXPECT_EQ(profile.readString(file, L"表示", L"フォルダ", L"", 250), L"C:\\壁紙\\表");
    // 表示 95 5C 8E A6, 表 95 5C: the file stays ANSI for the program's other readers.
    const std::string disk = readBytes(file);
    EXPECT_NE(disk.find("[\x95\x5C\x8E\xA6]"), std::string::npos) << disk;
    EXPECT_NE(disk.find("\\\x95\x5C"), std::string::npos) << disk;
}

TEST(Win32ProfileFile, ReadStringDefaultsAndBuffer) {
    TestFolder folder;
    Win32ProfileFile profile;
    const std::wstring file = folder.file(L"Tapivex.ini");
    writeBytes(file, "[Option]\r\nPath=abcdefghij\r\n");

    EXPECT_EQ(profile.readString(file, L"Option", L"Path", L"", 250), L"abcdefghij");
    EXPECT_EQ(profile.readString(file, L"Option", L"Path", L"", 5), L"abcd");  // room for the NUL
    EXPECT_EQ(profile.readString(file, L"Option", L"Missing", L"既定", 250), L"既定");
    EXPECT_EQ(profile.readString(folder.file(L"none.ini"), L"Option", L"Path", L"d", 250), L"d");
    // A key name with a NUL names no key, not the shorter "Path".
    EXPECT_EQ(profile.readString(file, L"Option", std::wstring(L"Path\0x", 6), L"d", 250), L"d");
}

TEST(Win32ProfileFile, ReadIntAsThePlatformReadsIt) {
    TestFolder folder;
    Win32ProfileFile profile;
    const std::wstring file = folder.file(L"Tapivex.ini");
    writeBytes(file, "[Option]\r\nTempPathType=1\r\nInterval=30min\r\nNegative=-1\r\nWord=abc\r\n");

    EXPECT_EQ(profile.readInt(file, L"Option", L"TempPathType", 0), 1u);
    EXPECT_EQ(profile.readInt(file, L"Option", L"Interval", 0), 30u);  // leading digits only
    EXPECT_EQ(profile.readInt(file, L"Option", L"Negative", 0), 0xFFFFFFFFu);
    EXPECT_EQ(profile.readInt(file, L"Option", L"Word", 7), 0u);
    EXPECT_EQ(profile.readInt(file, L"Option", L"Missing", 7), 7u);
    EXPECT_EQ(profile.readInt(folder.file(L"none.ini"), L"Option", L"TempPathType", 2), 2u);
}

class Win32Registry : public ::testing::Test {
protected:
    static constexpr wchar_t kTestKey[] = L"Software\\TapivexTest";
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }

    static std::wstring read(const wchar_t* subkey, const wchar_t* name) {
        wchar_t data[256] = {};
        DWORD size = sizeof data;
        DWORD type = 0;
        const LONG result = RegGetValueW(HKEY_CURRENT_USER, subkey, name, RRF_RT_ANY, &type, data, &size);
        if (result != ERROR_SUCCESS || type != REG_SZ) {
            return L"<missing or not REG_SZ>";
        }
        return data;
    }
};

TEST_F(Win32Registry, WritesStringValuesUnderAnyRootSpelling) {
    Win32Desktop desktop;
    desktop.writeRegistryString(L"HKCU\\Software\\TapivexTest\\Control Panel\\desktop\\WallpaperStyle", L"2");
    desktop.writeRegistryString(L"HKEY_CURRENT_USER\\Software\\TapivexTest\\TileWallpaper", L"0");
    desktop.writeRegistryString(L"hkcu\\Software\\TapivexTest\\Wallpaper", L"C:\\壁紙\\表.bmp");
    desktop.writeRegistryString(L"HKCU\\Software\\TapivexTest\\Wallpaper", L"");  // overwrites

    EXPECT_EQ(read(L"Software\\TapivexTest\\Control Panel\\desktop", L"WallpaperStyle"), L"2");
    EXPECT_EQ(read(kTestKey, L"TileWallpaper"), L"0");
    EXPECT_EQ(read(kTestKey, L"Wallpaper"), L"");
}

TEST_F(Win32Registry, RefusesWhatItCannotWrite) {
    Win32Desktop desktop;
    EXPECT_THROW(desktop.writeRegistryString(L"HKXX\\Software\\TapivexTest\\A", L"1"), RuntimeFailure);
    EXPECT_THROW(desktop.writeRegistryString(L"HKCU", L"1"), RuntimeFailure);
    EXPECT_THROW(desktop.writeRegistryString(std::wstring(L"HKCU\\Software\\TapivexTest\\A\0B", 29), L"1"),
                 RuntimeFailure);
    EXPECT_EQ(read(kTestKey, L"A"), L"<missing or not REG_SZ>");
}

// The wallpaper's path reaches Windows in its ANSI form; the user's setting is put back afterwards.
TEST(Win32Desktop, SetWallpaperStoresTheJapanesePath) {
    const auto wallpaper = [] {
        wchar_t data[MAX_PATH * 2] = {};
        DWORD size = sizeof data;
        RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper", RRF_RT_REG_SZ, nullptr, data, &size);
        return std::wstring(data);
    };
    const std::wstring original = wallpaper();
    TestFolder folder;
    Win32Desktop desktop;

    EXPECT_TRUE(desktop.setWallpaper(folder.file(L"表示.bmp")));
    EXPECT_EQ(wallpaper(), folder.file(L"表示.bmp"));
    EXPECT_FALSE(desktop.setWallpaper(folder.file(std::wstring(L"a.bmp\0b", 7))));
    EXPECT_EQ(wallpaper(), folder.file(L"表示.bmp"));

    desktop.setWallpaper(original);
}

}  // namespace
}  // namespace tapivex
