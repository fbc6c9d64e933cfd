// TapiVEX.CFG: which conversion folder is in use, and what a save writes.
#include <gtest/gtest.h>

#include "FakeSystem.h"
#include "config/SettingsFile.h"

namespace tapivex::testing {
namespace {

TEST(SettingsFile, ReadsTheUsersFolderOnlyWhenItExists) {
    struct Row {
        const wchar_t *type, *path;  // nullptr: no such key
        std::int16_t use;
        const wchar_t* folder;
    } rows[] = {
        {L"1", L"D:\\Cache", 1, L"D:\\Cache\\"},
        {L"1", L"D:\\Cache\\", 1, L"D:\\Cache\\"},  // a hand-written backslash is not doubled
        {L"2", L"C:", 2, L"C:\\"},                  // any type but 0 is the user's folder
        {L"1", L"D:\\Gone", 0, L"C:\\Temp\\"},      // a missing folder falls back in silence
        {L"1", nullptr, 0, L"C:\\Temp\\"},
        {L"0", L"D:\\Cache", 0, L"C:\\Temp\\"},
        {nullptr, L"D:\\Cache", 0, L"C:\\Temp\\"},  // no type is the temporary folder
        {L"4294967295", L"D:\\Cache", -1, L"D:\\Cache\\"},  // the platform's -1
        {L"-32768", L"D:\\Cache", -32768, L"D:\\Cache\\"}, {L"32767", L"D:\\Cache", 32767, L"D:\\Cache\\"},
    };
    for (const Row& row : rows) {
        FakeSystem fake;
        fake.folders.insert(L"D:\\Cache");
        if (row.type) fake.profile[L"Setting/TempPathType"] = row.type;
        if (row.path) fake.profile[L"Setting/UserTempPath"] = row.path;
        const ConversionFolderChoice c = ReadSettingsFile(fake, fake, L"C:\\Tools\\TapiVEX.CFG", L"C:\\Temp\\");
        EXPECT_EQ(std::make_pair(c.UseUserFolder, c.ConvertFolder), std::make_pair(row.use, std::wstring(row.folder)));
        EXPECT_EQ(c.UserFolderSetting, row.path ? row.path : L"") << "kept exactly as read";
    }
    FakeSystem fake;
    fake.profile[L"Setting/UserTempPath"] = std::wstring(256, L'x');
    EXPECT_EQ(ReadSettingsFile(fake, fake, L"TapiVEX.CFG", L"").UserFolderSetting.size(), 255u) << "and the NUL: 256";
    for (const wchar_t* type : {L"32768", L"-32769"}) {
        fake.profile[L"Setting/TempPathType"] = type;
        EXPECT_THROW(ReadSettingsFile(fake, fake, L"TapiVEX.CFG", L"C:\\Temp\\"), RuntimeFailure) << "beyond 16 bits";
    }
}

}  // namespace
}  // namespace tapivex::testing
