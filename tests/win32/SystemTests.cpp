// The system services of Win32System.h and the ANSI conversions of Text.h,
// with the real calls under the Japanese code page (932, Shift-JIS).
//
// "表" is 0x95 0x5C in Shift-JIS: its second byte is the backslash, the classic
// trap for code that splits ANSI paths byte by byte.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "IniProfile.h"
#include "TestFiles.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32System.h"

namespace tapivex {
namespace {

using namespace testing;

TEST(Win32FileSystem, ShiftJisNamesForFilesFoldersDeletionAndReading) {
    ASSERT_EQ(GetACP(), 932u) << "the tests expect LC_ALL=ja_JP.UTF-8 (scripts/wine-run)";
    const std::string sjis = "\x95\x5C\x8E\xA6" "abc\x83\x65\x83\x58\x83\x67";  // 表示abcテスト
    EXPECT_EQ(wideFromAnsi(sjis), L"表示abcテスト");
    EXPECT_EQ(ansiFromWide(L"表示abcテスト"), sjis);
    EXPECT_EQ(ansiName(L"C:\\表\\a.bmp"), "C:\\\x95\x5C\\a.bmp");
    EXPECT_EQ(wideFromAnsi(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    EXPECT_EQ(wideFromAnsi("\x81\x20y").back(), L'y');  // an invalid pair costs no text after it
    // No é in 932: a best-fit "e" would name another file, and so would the part before a NUL.
    EXPECT_EQ(ansiFromWide(L"caf\u00E9"), "caf?");
    EXPECT_FALSE(ansiName(L"caf\u00E9.bmp"));
    EXPECT_FALSE(ansiName(std::wstring(L"a.bmp\0.txt", 10)));

    // The file system through those names. The program's folder and the temporary
    // folder are the end-to-end tests' part.
    TestFolder folder;
    Win32FileSystem files;
    folder.write(L"a.txt", "a");
    folder.write(L"表示.bmp", "BM");
    // A whole file read in pieces.
    std::string content(10000, '\x95');
    content[9999] = '\0';
    folder.write(L"sub\\list.txt", content);

    EXPECT_TRUE(files.fileExists(folder.file(L"a.txt")));
    EXPECT_FALSE(files.folderExists(folder.file(L"a.txt")));
    EXPECT_TRUE(files.folderExists(folder.file(L"sub")));
    EXPECT_FALSE(files.fileExists(folder.file(L"sub")));
    EXPECT_FALSE(files.fileExists(folder.file(std::wstring(L"a.txt\0.jpg", 10))));  // a wide call finds a.txt
    files.deleteFile(folder.file(L"表示.bmp"));
    files.deleteFile(folder.file(std::wstring(L"a.txt\0x", 7)));  // must not take a.txt with it
    EXPECT_FALSE(files.fileExists(folder.file(L"表示.bmp")));
    EXPECT_TRUE(files.fileExists(folder.file(L"a.txt")));
    // No é in 932: the folder exists, but no ANSI call or file could name it.
    CreateDirectoryW(folder.file(L"caf\u00E9").c_str(), nullptr);
    EXPECT_FALSE(files.folderExists(folder.file(L"caf\u00E9")));
    // The user's locale capitalises full-width and accented letters too.
    EXPECT_EQ(files.upperCase(L"d:\\ｃａｃｈｅ\\caf\u00E9"), L"D:\\ＣＡＣＨＥ\\CAF\u00C9");

    ASSERT_TRUE(files.setCurrentDirectory(folder.file(L"sub")));
    EXPECT_FALSE(files.setCurrentDirectory(folder.file(L"missing")));
    auto stream = files.openForReading(L"list.txt");  // relative to the current directory
    ASSERT_TRUE(stream);
    std::string read;
    char chunk[4096];
    while (std::size_t got = stream->read(chunk, sizeof chunk)) read.append(chunk, got);
    EXPECT_EQ(read, content);
    EXPECT_EQ(files.openForReading(folder.path()), nullptr);
    EXPECT_TRUE(files.setCurrentDirectory(L"..\\.."));  // out of the folder, which is then removed
}

// The test file of the check goes again at once, and nothing else is touched.
// A protected folder (scripts/test.sh makes one with chattr +i, which Wine can
// neither write nor delete in) takes none: there Wine's GetTempFileNameA says
// yes all the same. The length counts the Shift-JIS bytes of the full path.
TEST(Win32FileSystem, AFileCanBeMadeOnlyWhereTheFolderAllowsItAndNoneStays) {
    TestFolder folder;
    Win32FileSystem files;
    folder.write(L"表示\\keep.txt", "");
    EXPECT_TRUE(files.canCreateFileIn(folder.file(L"表示")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.file(L"表示")), {}), 1);
    EXPECT_FALSE(files.canCreateFileIn(folder.file(L"missing")));
    EXPECT_EQ(files.folderPathAnsiBytes(L"C:\\表示\\"), 7u);
    EXPECT_EQ(files.folderPathAnsiBytes(L"C:\\"), 3u);
    EXPECT_EQ(files.folderPathAnsiBytes(L"caf\u00E9"), std::nullopt);
    ASSERT_TRUE(files.setCurrentDirectory(folder.path()));
    EXPECT_EQ(files.folderPathAnsiBytes(L"表示"), ansiName(folder.file(L"表示"))->size());
    files.setCurrentDirectory(L"C:\\");

    const char* protectedFolder = std::getenv("TAPIVEX_PROTECTED_FOLDER");
    if (!protectedFolder) GTEST_SKIP() << "no protected folder: scripts/test.sh makes one";
    std::wstring name = L"Z:" + wideFromAnsi(protectedFolder);  // Wine's drive Z: is the Linux root
    std::replace(name.begin(), name.end(), L'/', L'\\');
    ASSERT_TRUE(files.folderExists(name));
    EXPECT_FALSE(files.canCreateFileIn(name));
}

TEST(Win32ProfileFile, JapaneseIsShiftJisOnDiskAndReadsAsThePlatformReads) {
    TestFolder folder;
    Win32ProfileFile profile;
    profile.writeString(folder.file(L"設定.ini"), L"表示", L"フォルダ", L"C:\\壁紙\\表");
    EXPECT_EQ(profile.readString(folder.file(L"設定.ini"), L"表示", L"フォルダ", L"", 250), L"C:\\壁紙\\表");
    // 表示 95 5C 8E A6, 表 95 5C: the file stays ANSI for the program's other readers.
    const std::string disk = folder.read(L"設定.ini");
    EXPECT_NE(disk.find("[\x95\x5C\x8E\xA6]"), std::string::npos) << disk;
    EXPECT_NE(disk.find("\\\x95\x5C"), std::string::npos) << disk;

    // The platform's answers, which the fake system of the unit tests copies.
    const std::wstring none = folder.file(L"none.ini");
    const std::wstring file = folder.write(L"Tapivex.ini", "[Option]\r\nPath=abcdefghij\r\nInterval=30min\r\n"
                                                           "Negative=-1\r\nWord=abc\r\n");
    EXPECT_EQ(profile.readString(file, L"Option", L"Path", L"", 5), L"abcd");  // room for the NUL
    EXPECT_EQ(profile.readString(file, L"Option", L"Missing", L"既定", 250), L"既定");
    EXPECT_EQ(profile.readString(none, L"Option", L"Path", L"d", 250), L"d");
    EXPECT_EQ(profile.readInt(file, L"Option", L"Interval", 0), 30u);  // leading digits only
    EXPECT_EQ(profile.readInt(file, L"Option", L"Negative", 0), 0xFFFFFFFFu);
    EXPECT_EQ(profile.readInt(file, L"Option", L"Word", 7), 0u);
    EXPECT_EQ(profile.readInt(none, L"Option", L"Interval", 2), 2u);

    // The checker's reader on Linux gives the same answers.
    const std::wstring quirks = folder.write(L"quirks.cfg", "; note\r\n [setting] \r\n  userTEMPpath =  \"C:\\x\"  \r\n"
                                                            "TempPathType=1\r\ntemppathtype=2\r\n[Other]\r\nA=b\r\n");
    Win32FileSystem files;
    check::IniProfile portable(files);
    for (const auto& [path, section, key] : {std::tuple(quirks, L"Setting", L"UserTempPath"),
                                             std::tuple(quirks, L"SETTING", L"TempPathType"),
                                             std::tuple(quirks, L"Setting", L"A"), std::tuple(file, L"Option", L"Path"),
                                             std::tuple(file, L"Option", L"Interval"), std::tuple(none, L"Option", L"Path")}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(key)));
        EXPECT_EQ(portable.readString(path, section, key, L"d", 5), profile.readString(path, section, key, L"d", 5));
        EXPECT_EQ(portable.readInt(path, section, key, 7), profile.readInt(path, section, key, 7));
    }
    for (const wchar_t* key : {L"Negative", L"Word"}) {
        EXPECT_EQ(portable.readInt(file, L"Option", key, 7), profile.readInt(file, L"Option", key, 7));
    }
}

// A name the ANSI call would cut short is refused, and so is a file that does
// not exist, which Wine would store, and a full path beyond 255 bytes, which it
// would store cut. Japanese paths reaching the desktop and the style values in
// the registry: the end-to-end rotation.
TEST(Win32Desktop, RefusesAWallpaperNameWithANulOrOfNoFileOrTooLong) {
    EXPECT_FALSE(Win32Desktop().setWallpaper(std::wstring(L"C:\\a.bmp\0b", 10)));
    EXPECT_FALSE(Win32Desktop().setWallpaper(L"C:\\tapivex-missing.bmp"));
    TestFolder folder;
    const std::wstring deep = folder.path() + L"\\" + std::wstring(130, L'd') + L"\\" + std::wstring(130, L'e');
    const std::wstring picture = folder.write(deep.substr(folder.path().size() + 1) + L"\\a.bmp", bitmap(2, 2, 0));
    ASSERT_GT(ansiName(picture)->size(), 263u);
    ASSERT_TRUE(Win32FileSystem().fileExists(picture));
    EXPECT_FALSE(Win32Desktop().setWallpaper(picture));
}

TEST(Win32UserInterface, DoEventsRunsWaitingMessagesAndLeavesTheQuitRequest) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);  // the default handling destroys the window
    PostQuitMessage(7);
    Win32UserInterface(L"タピベックス").doEvents();
    EXPECT_FALSE(IsWindow(window));
    MSG message = {};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
}  // namespace tapivex
