// Reading Tapivex.INI: line ends, entries, missing paths and the limits.
#include <gtest/gtest.h>

#include "FakeSystem.h"
#include "config/WallpaperListFile.h"

namespace tapivex::testing {
namespace {

class ListFileTest : public ::testing::Test {
protected:
    FakeSystem fake;
    WallpaperTable list;
    std::int16_t entryCount = 0;
    std::array<std::wstring, kUnreadableSlots> unreadable;
    std::int16_t unreadableCount = 0;

    void SetUp() override {
        fake.currentDirectory = fake.folder;
        fake.addFile(L"C:\\Pictures\\sea.bmp");
        fake.addFile(L"C:\\Tools\\photos\\hill.jpg");
        fake.addFile(L"C:\\Pictures\\town.gif");
    }
    std::wstring read(const std::string& bytes) {
        fake.writeList(bytes);
        return ReadWallpaperList(fake, {list, entryCount, unreadable, unreadableCount});
    }
};

std::vector<std::wstring> Paths(const WallpaperTable& list, int count) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < count; ++i) paths.push_back(list[i].Path);
    return paths;
}

TEST_F(ListFileTest, TheWorkedFile) {
    const std::wstring header =
        read("300:2\r\nC:\\Pictures\\sea.bmp\r\nphotos\\hill.jpg\r\n\r\nD:\\old.bmp\r\nC:\\Pictures\\town.gif\r\n");
    EXPECT_EQ(header, L"300:2");
    EXPECT_EQ(Paths(list, entryCount),
              (std::vector<std::wstring>{L"C:\\Pictures\\sea.bmp", L"photos\\hill.jpg", L"", L"C:\\Pictures\\town.gif"}));
    EXPECT_EQ(unreadableCount, 1);
    EXPECT_EQ(unreadable[0], L"D:\\old.bmp");
    EXPECT_EQ(list[4].Path, L"");
}

TEST_F(ListFileTest, LineEnds) {
    // CR alone ends a line too; a trailing line end adds no entry, two add an empty one.
    read("60\rC:\\Pictures\\sea.bmp\r\n\r\n");
    EXPECT_EQ(Paths(list, entryCount), (std::vector<std::wstring>{L"C:\\Pictures\\sea.bmp", L""}));

    // A line feed alone is part of the line: the whole file is one header line.
    entryCount = 0;
    EXPECT_EQ(read("60:2\nC:\\Pictures\\sea.bmp\n"), L"60:2\nC:\\Pictures\\sea.bmp\n");
    EXPECT_EQ(entryCount, 0);
}

TEST_F(ListFileTest, MissingPathsAreCountedAndTheLastStaysInItsSlot) {
    read("60\r\nD:\\a.bmp\r\n   \r\nC:\\Pictures\r\n");
    EXPECT_EQ(entryCount, 0);
    EXPECT_EQ(unreadableCount, 3) << "a missing file, a line of blanks, a folder";
    EXPECT_EQ(list[0].Path, L"C:\\Pictures");
}

TEST_F(ListFileTest, TakesAtMost201EntriesAndReadsNoFurther) {
    std::string bytes = "60\r\n";
    for (int i = 0; i < 201; ++i) bytes += "C:\\Pictures\\sea.bmp\r\n";
    bytes += "D:\\missing.bmp\r\nC:\\Pictures\\town.gif\r\n";
    read(bytes);
    EXPECT_EQ(entryCount, 201);
    EXPECT_EQ(unreadableCount, 0) << "lines after the 201st entry are not read";
    EXPECT_EQ(list[201].Path, L"");
}

TEST_F(ListFileTest, AnyNumberOfMissingPathsIsCountedWithoutOverflow) {
    std::string bytes = "60\r\n";
    for (int i = 0; i < 40000; ++i) bytes += "D:\\missing" + std::to_string(i) + ".bmp\r\n";
    bytes += "C:\\Pictures\\sea.bmp";
    read(bytes);
    EXPECT_EQ(entryCount, 1);
    EXPECT_EQ(unreadableCount, 32767) << "the count stops at its largest value";
    EXPECT_EQ(unreadable[50], L"D:\\missing50.bmp");
}

TEST_F(ListFileTest, AFileThatIsMissingOrHasNoLineFails) {
    EXPECT_THROW(ReadWallpaperList(fake, {list, entryCount, unreadable, unreadableCount}), RuntimeFailure);
    EXPECT_THROW(read(""), RuntimeFailure);
    EXPECT_EQ(read("\r\n"), L"") << "one empty line is a header line";
}

TEST_F(ListFileTest, BinaryGarbageGivesLinesNotFailures) {
    std::string bytes;
    unsigned seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes += static_cast<char>(seed >> 16);
    }
    EXPECT_NO_THROW(read(bytes));
    EXPECT_LE(entryCount, 201);
}

}  // namespace
}  // namespace tapivex::testing
