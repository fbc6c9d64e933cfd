// TapiVEX.CFG: which conversion folder is in use, and what a save writes.
#include <gtest/gtest.h>

#include "FakeSystem.h"
#include "config/SettingsFile.h"

namespace tapivex::testing {
namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    FakeSystem fake;
    ConversionFolderChoice read(const wchar_t* type, const wchar_t* path) {
        if (type) fake.profile[L"Setting/TempPathType"] = type;
        if (path) fake.profile[L"Setting/UserTempPath"] = path;
        return ReadSettingsFile(fake, fake, L"C:\\Tools\\TapiVEX.CFG", L"C:\\Windows\\Temp\\");
    }
};

TEST_F(SettingsFileTest, UsesTheUsersFolderOnlyWhenItExists) {
    fake.folders.insert(L"D:\\Cache");
    auto c = read(L"1", L"D:\\Cache");
    EXPECT_EQ(c.UseUserFolder, 1);
    EXPECT_EQ(c.ConvertFolder, L"D:\\Cache\\");

    c = read(L"1", L"D:\\Cache\\");
    EXPECT_EQ(c.ConvertFolder, L"D:\\Cache\\") << "a hand-written trailing backslash is not doubled";
    EXPECT_EQ(c.UserFolderSetting, L"D:\\Cache\\");

    c = read(L"2", L"C:");
    EXPECT_EQ(c.UseUserFolder, 2);
    EXPECT_EQ(c.ConvertFolder, L"C:\\");

    c = read(L"1", L"D:\\Gone");
    EXPECT_EQ(c.UseUserFolder, 0);
    EXPECT_EQ(c.UserFolderSetting, L"D:\\Gone");
    EXPECT_EQ(c.ConvertFolder, L"C:\\Windows\\Temp\\");

    c = read(L"0", L"D:\\Cache");
    EXPECT_EQ(c.UseUserFolder, 0);
    EXPECT_EQ(c.ConvertFolder, L"C:\\Windows\\Temp\\");
}

TEST_F(SettingsFileTest, AMissingFileGivesTheTemporaryFolderAndAHugeTypeFails) {
    EXPECT_EQ(read(nullptr, nullptr).ConvertFolder, L"C:\\Windows\\Temp\\");
    EXPECT_EQ(read(L"4294967295", L"C:\\Temp").UseUserFolder, -1) << "the platform's -1";
    EXPECT_THROW(read(L"32768", nullptr), RuntimeFailure);
    EXPECT_THROW(read(L"-32769", nullptr), RuntimeFailure);
}

TEST_F(SettingsFileTest, SavingWritesTheTypeThenThePathWithoutItsBackslash) {
    WriteSettingsFile(fake, L"C:\\Tools\\TapiVEX.CFG", true, L"D:\\Cache\\");
    WriteSettingsFile(fake, L"C:\\Tools\\TapiVEX.CFG", false, L"ignored");
    EXPECT_EQ(fake.profileWrites,
              (std::vector<std::wstring>{L"TempPathType=1", L"UserTempPath=D:\\Cache", L"TempPathType=0"}));
}

}  // namespace
}  // namespace tapivex::testing
