// The file services and the ANSI code page, with the real calls under the
// Japanese code page (932, Shift-JIS).
#include <gtest/gtest.h>
#include <windows.h>

#include "TestFolder.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32System.h"

namespace tapivex {
namespace {

using testing::TestFolder;
using testing::writeBytes;

// "表" is 0x95 0x5C in Shift-JIS: its second byte is the backslash, the classic
// trap for code that splits ANSI paths byte by byte.
const std::wstring kHyou = L"表";
const std::string kHyouSjis = "\x95\x5C";

TEST(AnsiText, JapaneseCodePageIsInForce) {
    ASSERT_EQ(GetACP(), 932u) << "the tests expect LC_ALL=ja_JP.UTF-8 (scripts/wine-run)";
}

TEST(AnsiText, ShiftJisConvertsBothWays) {
    const std::string sjis = kHyouSjis + "\x8E\xA6" + "abc\x83\x65\x83\x58\x83\x67";  // 表示abcテスト
    EXPECT_EQ(wideFromAnsi(sjis), L"表示abcテスト");
    EXPECT_EQ(ansiFromWide(L"表示abcテスト"), sjis);
    EXPECT_EQ(ansiName(L"C:\\" + kHyou + L"\\a.bmp"), "C:\\" + kHyouSjis + "\\a.bmp");
}

TEST(AnsiText, FromAnsiKeepsNulsAndSurvivesInvalidBytes) {
    EXPECT_EQ(wideFromAnsi(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
    // A lead byte with nothing after it, and a lead byte followed by an invalid trail byte.
    EXPECT_FALSE(wideFromAnsi("x\x81").empty());
    EXPECT_FALSE(wideFromAnsi("\x81\x20y").empty());
    EXPECT_EQ(wideFromAnsi("\x81\x20y").back(), L'y');
}

TEST(AnsiText, NamesWithoutAnAnsiFormNameNothing) {
    EXPECT_FALSE(ansiName(std::wstring(L"a.bmp\0.txt", 10)));
    EXPECT_FALSE(ansiName(L"caf\u00E9.bmp"));  // no é in 932; a best fit "e" would name another file
    EXPECT_EQ(ansiFromWide(L"caf\u00E9"), "caf?");
    EXPECT_EQ(ansiName(L""), "");
}

TEST(Win32FileSystem, ProgramAndTemporaryFolders) {
    Win32FileSystem files;
    const std::wstring program = files.programFolder();
    ASSERT_FALSE(program.empty());
    EXPECT_NE(program.back(), L'\\');
    EXPECT_TRUE(files.fileExists(program + L"\\win32_tests.exe"));

    const auto temp = files.windowsTempPath();
    ASSERT_TRUE(temp);
    EXPECT_EQ(temp->find(L'\0'), std::wstring::npos);
    EXPECT_EQ(temp->back(), L'\\');
    EXPECT_TRUE(files.folderExists(*temp));
}

TEST(Win32FileSystem, FilesAndFoldersAreToldApart) {
    TestFolder folder;
    Win32FileSystem files;
    writeBytes(folder.file(L"a.txt"), "a");
    CreateDirectoryW(folder.file(L"sub").c_str(), nullptr);

    EXPECT_TRUE(files.fileExists(folder.file(L"a.txt")));
    EXPECT_FALSE(files.folderExists(folder.file(L"a.txt")));
    EXPECT_TRUE(files.folderExists(folder.file(L"sub")));
    EXPECT_FALSE(files.fileExists(folder.file(L"sub")));
    EXPECT_FALSE(files.fileExists(folder.file(L"missing.txt")));
    EXPECT_FALSE(files.folderExists(folder.file(L"missing")));
    EXPECT_FALSE(files.fileExists(L""));
    // A wide call would stop at the NUL and find a.txt.
    EXPECT_FALSE(files.fileExists(folder.file(std::wstring(L"a.txt\0.jpg", 10))));
}

TEST(Win32FileSystem, RelativePathsFollowTheCurrentDirectory) {
    TestFolder folder;
    Win32FileSystem files;
    CreateDirectoryW(folder.file(L"sub").c_str(), nullptr);
    writeBytes(folder.file(L"sub\\list.txt"), "x");
    wchar_t before[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);

    ASSERT_TRUE(files.setCurrentDirectory(folder.path()));
    EXPECT_TRUE(files.fileExists(L"sub\\list.txt"));
    EXPECT_TRUE(files.folderExists(L"sub"));
    ASSERT_TRUE(files.setCurrentDirectory(folder.file(L"sub")));
    EXPECT_TRUE(files.fileExists(L"list.txt"));
    EXPECT_FALSE(files.fileExists(L"sub\\list.txt"));
    EXPECT_FALSE(files.setCurrentDirectory(folder.file(L"missing")));

    SetCurrentDirectoryW(before);
}

TEST(Win32FileSystem, DeleteFileGoesThroughTheAnsiName) {
    TestFolder folder;
    Win32FileSystem files;
    const std::wstring japanese = folder.file(kHyou + L"示.bmp");
    writeBytes(japanese, "BM");
    writeBytes(folder.file(L"keep.bmp"), "BM");

    files.deleteFile(japanese);
    EXPECT_FALSE(files.fileExists(japanese));
    // Neither a NUL nor a missing file may take another file with it.
    files.deleteFile(folder.file(std::wstring(L"keep.bmp\0x", 10)));
    files.deleteFile(folder.file(L"missing.bmp"));
    EXPECT_TRUE(files.fileExists(folder.file(L"keep.bmp")));
}

TEST(Win32FileSystem, OpenForReadingReadsTheWholeFile) {
    TestFolder folder;
    Win32FileSystem files;
    std::string content(10000, 'x');
    content[0] = '\x95';
    content[9999] = '\0';
    writeBytes(folder.file(L"list.txt"), content);

    auto stream = files.openForReading(folder.file(L"list.txt"));
    ASSERT_TRUE(stream);
    std::string read;
    char chunk[4096];
    while (std::size_t got = stream->read(chunk, sizeof chunk)) {
        read.append(chunk, got);
    }
    EXPECT_EQ(read, content);
    // Another program may rewrite the list while it is open here.
    HANDLE writer = CreateFileW(folder.file(L"list.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);

    EXPECT_EQ(files.openForReading(folder.file(L"missing.txt")), nullptr);
    EXPECT_EQ(files.openForReading(folder.path()), nullptr);
}

}  // namespace
}  // namespace tapivex
