// The files a person writes and the numbers in them: reading Tapivex.INI and the
// load's verdict on it, row by row of the worked files; which conversion folder
// TapiVEX.CFG gives; the one number reading of the list's header and the dialog's
// interval field.
#include <cmath>

#include "ListFileCases.h"
#include "ProgramFixture.h"
#include "config/Number.h"
#include "config/SettingsFile.h"
#include "config/WallpaperListFile.h"

namespace tapivex::testing {
namespace {

TEST(ListFile, WorkedFilesReadAndLoad) {
    for (const ListCase& c : ListCases()) {
        SCOPED_TRACE(c.guards);
        auto program = std::make_unique<Program>();
        FakeSystem& fake = program->fake;
        AddListPictures(fake);
        fake.writeList(c.bytes);
        fake.currentDirectory = fake.folder;
        WallpaperTable list;
        std::int16_t entryCount = 0, missing = 0;
        std::array<std::wstring, kUnreadableSlots> unreadable;
        std::wstring header;
        try {
            header = ReadWallpaperList(fake, {list, entryCount, unreadable, missing});
            EXPECT_FALSE(c.bytes.empty()) << "a file without a line is a failure";
        } catch (const RuntimeFailure&) {
            EXPECT_TRUE(c.bytes.empty()) << "only a file without a line fails";
        }
        EXPECT_EQ(header, c.header);
        std::vector<std::wstring> entries;
        for (int i = 0; i < entryCount; ++i) entries.push_back(list[i].Path);
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(missing, c.missing);
        EXPECT_EQ(list[kListSlots - 1].Path, L"");

        const bool runs = program->load();
        EXPECT_EQ(runs, c.message == nullptr);
        EXPECT_EQ(fake.messages, c.message ? std::vector<std::wstring>{c.message} : std::vector<std::wstring>{});
        if (runs) {
            EXPECT_EQ(program->globals.ChangeInterval, c.interval);
            EXPECT_EQ(program->globals.DisplayStyle, c.style);
        }
        // A header error and a failure end through the unload, which deletes the copies.
        EXPECT_EQ(fake.deleted.size(), c.message && c.message != kMsgNothingToShow ? 202u : 0u);
    }
}

// 240 bytes in the ANSI code page, in 122 characters: the longest folder.
const std::wstring kFolder240Bytes = L"D:\\" + std::wstring(117, L'Ｌ') + L"abc";

TEST(SettingsFile, ReadsTheUsersFolderOnlyWhenItCanTakeTheCopies) {
    struct Row {
        const wchar_t* type;
        std::wstring path;  // L"?": no such key
        std::int16_t use;
        std::wstring folder;
    } rows[] = {
        {L"1", L"D:\\Cache", 1, L"D:\\Cache\\"},
        {L"1", L"D:\\Cache\\", 1, L"D:\\Cache\\"},  // a hand-written backslash is not doubled
        {L"2", L"C:", 2, L"C:\\"},                  // any type but 0 is the user's folder
        {L"1", L"D:\\Gone", 0, L"C:\\Temp\\"},      // a missing folder falls back in silence
        {L"1", L"?", 0, L"C:\\Temp\\"},
        {L"0", L"D:\\Cache", 0, L"C:\\Temp\\"},
        {nullptr, L"D:\\Cache", 0, L"C:\\Temp\\"},  // no type is the temporary folder
        {L"4294967295", L"D:\\Cache", -1, L"D:\\Cache\\"},  // the platform's -1
        {L"-32768", L"D:\\Cache", -32768, L"D:\\Cache\\"}, {L"32767", L"D:\\Cache", 32767, L"D:\\Cache\\"},
        // A folder that cannot take the copies falls back like a missing one:
        // a protected one, or one whose copies' names would not fit 255 bytes.
        {L"1", L"C:\\Program Files", 0, L"C:\\Temp\\"},
        {L"1", kFolder240Bytes, 1, kFolder240Bytes + L"\\"},
        {L"1", kFolder240Bytes + L"x", 0, L"C:\\Temp\\"},
    };
    for (const Row& row : rows) {
        FakeSystem fake;
        fake.folders.insert({L"D:\\Cache", L"C:\\Program Files", kFolder240Bytes, kFolder240Bytes + L"x"});
        fake.unwritableFolders.insert(L"C:\\PROGRAM FILES");
        if (row.type) fake.profile[L"Setting/TempPathType"] = row.type;
        if (row.path != L"?") fake.profile[L"Setting/UserTempPath"] = row.path;
        const ConversionFolderChoice c = ReadSettingsFile(fake, fake, L"C:\\Tools\\TapiVEX.CFG", L"C:\\Temp\\");
        EXPECT_EQ(std::make_pair(c.UseUserFolder, c.ConvertFolder), std::make_pair(row.use, row.folder));
        EXPECT_EQ(c.UserFolderSetting, row.path != L"?" ? row.path : L"") << "kept exactly as read";
    }
    FakeSystem fake;
    fake.profile[L"Setting/UserTempPath"] = std::wstring(256, L'x');
    EXPECT_EQ(ReadSettingsFile(fake, fake, L"TapiVEX.CFG", L"").UserFolderSetting.size(), 255u) << "and the NUL: 256";
    for (const wchar_t* type : {L"32768", L"-32769"}) {
        fake.profile[L"Setting/TempPathType"] = type;
        EXPECT_THROW(ReadSettingsFile(fake, fake, L"TapiVEX.CFG", L"C:\\Temp\\"), RuntimeFailure) << "beyond 16 bits";
    }
}

TEST(Number, ParseAcceptsSignFractionExponentAndBlanksOnly) {
    const double no = NAN;  // not numeric
    const std::tuple<std::wstring, wchar_t, double> cases[] = {
        {L" 60\t", '.', 60}, {L"+5", '.', 5}, {L"-0.5", '.', -0.5}, {L".5", '.', 0.5}, {L"5.", '.', 5},
        {L"2.5E-1", '.', 0.25}, {L"1e+3", '.', 1000}, {L"1E5", '.', 1e5}, {L"2,5", ',', 2.5}, {L"1e-999", '.', 0},
        {std::wstring(300, L'9'), '.', 1e300},
        {L"", '.', no}, {L" ", '.', no}, {L"6 0", '.', no}, {L"1e", '.', no}, {L"1e+", '.', no}, {L"--1", '.', no},
        {L"+", '.', no}, {L".", '.', no}, {L"12x", '.', no}, {L"0x10", '.', no}, {L"１２", '.', no},
        {L"2.5", ',', no}, {std::wstring(L"1\0" L"2", 3), '.', no}, {std::wstring(100000, L'9'), '.', no},
    };
    for (const auto& [text, separator, value] : cases) {
        const std::optional<double> parsed = ParseNumber(text, separator);
        SCOPED_TRACE(::testing::PrintToString(text.substr(0, 20)));
        if (std::isnan(value)) {
            EXPECT_FALSE(parsed.has_value());
            continue;
        }
        EXPECT_NEAR(parsed.value_or(NAN), value, std::abs(value) * 1e-12);
    }
}

TEST(Number, FloorRoundsDownAndFailsOutsideTheWidth) {
    EXPECT_EQ(FloorToInt32(-0.5), -1);
    EXPECT_EQ(FloorToInt32(-2147483648.0), -2147483647 - 1);
    EXPECT_THROW(FloorToInt32(-2147483648.5), RuntimeFailure);
    EXPECT_EQ(FloorToInt16(32767.5), 32767);
    EXPECT_EQ(FloorToInt16(-32768), -32768);
    EXPECT_THROW(FloorToInt16(-32768.25), RuntimeFailure);
    EXPECT_THROW(FloorToInt16(HUGE_VAL), RuntimeFailure);
}

}  // namespace
}  // namespace tapivex::testing
