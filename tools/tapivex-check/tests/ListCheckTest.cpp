// tapivex-check against the fake Windows file system of the unit tests: it
// must agree with the program's own load on every worked list file.
#include <gtest/gtest.h>

#include <algorithm>

#include "ListCheck.h"
#include "ListFileCases.h"

namespace tapivex::check {
namespace {

using namespace tapivex::testing;

Outcome OutcomeFor(const wchar_t* message) {
    if (!message) return Outcome::Starts;
    if (message == kMsgIntervalNotNumeric) return Outcome::IntervalNotNumeric;
    if (message == kMsgStyleNotNumeric) return Outcome::StyleNotNumeric;
    return message == kMsgNothingToShow ? Outcome::NothingToShow : Outcome::StartupFailure;
}

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

CheckResult Check(FakeSystem& fake, const std::string& bytes) {
    AddListPictures(fake);
    fake.writeList(bytes);
    return CheckList({fake, fake, &fake}, L"C:\\Tools");
}

TEST(ListCheck, AgreesWithTheProgramOnTheWorkedFiles) {
    for (const ListCase& c : ListCases()) {
        SCOPED_TRACE(c.guards);
        FakeSystem fake;
        const CheckResult result = Check(fake, c.bytes);
        EXPECT_EQ(result.outcome, OutcomeFor(c.message));
        EXPECT_EQ(ExitCodeFor(result), c.message ? 1 : 0);
        EXPECT_EQ(result.header, c.header);
        std::vector<std::wstring> entries;
        for (const LineReport& line : result.lines) {
            if (line.fate == LineFate::Entry) entries.push_back(line.text);
        }
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(std::min(result.missingPaths, 32767), c.missing) << "every one is reported, the program counts less";
        if (c.message) {
            EXPECT_TRUE(Contains(FormatReport(L"Tapivex.INI", result), c.message)) << "the program's text";
        } else {
            EXPECT_EQ(std::make_pair(result.interval, result.style), std::make_pair(c.interval, c.style));
        }
    }
}

// Each line's fate with its number and its copy's number (the line after a
// missing path takes its slot), what the load changes, and why a file fails.
TEST(ListCheck, ReportsEachLineAndWhatTheLoadChanges) {
    FakeSystem fake;
    const std::wstring text = FormatReport(L"Tapivex.INI", Check(fake, "0:5\r\nC:\\Pictures\\sea.bmp\r\n"
                                                                       "photos\\hill.jpg\r\n\r\nD:\\old.bmp\r\n"
                                                                       "C:\\Pictures\\town.gif\r\n"));
    for (const wchar_t* part : {L"line 3:     entry 1: photos\\hill.jpg, will be converted to TapiVEX0.BMP\n",
                                L"line 5:     missing and dropped: D:\\old.bmp\n",
                                L"line 6:     entry 3: C:\\Pictures\\town.gif, will be converted to TapiVEX1.BMP\n",
                                L"(line 1 says 0; the program raises it to 1)",
                                L"(line 1 says 5, which is outside 0 to 2)",
                                L"Summary: 4 entries (1 empty), 2 pictures to convert, 1 missing path dropped.\n"}) {
        EXPECT_TRUE(Contains(text, part)) << part;
    }
    EXPECT_FALSE(Check(fake, "45.7\r\n\r\n").styleGiven);
    EXPECT_TRUE(Contains(Check(fake, "60:40000\r\nC:\\Pictures\\sea.bmp\r\n").failureCause, L"16 bits"));
    EXPECT_TRUE(Contains(FormatReport(L"Tapivex.INI", Check(fake, "60:2\nC:\\Pictures\\sea.bmp\n")),
                         L"header \"60:2<LF>C:\\Pictures\\sea.bmp<LF>\"")) << "why a lone LF makes one line";
    EXPECT_EQ(CheckList({fake, fake}, L"C:\\Nowhere").outcome, Outcome::StartupFailure);
    const std::string bytes = "60\r\nD:\\old.bmp\r\n" + Lines("C:\\Pictures\\sea.bmp", 201) + "D:\\old.bmp\r\n\r\n";
    EXPECT_TRUE(Contains(FormatReport(L"Tapivex.INI", Check(fake, bytes)),
                         L"lines 204 to 205: not read beyond the 201st entry\n"));
}

// A list of another name, in another folder: its relative paths are taken from
// there; a folder's list is named with the folder's own separator.
TEST(ListCheck, Arguments) {
    FakeSystem fake;
    const CheckServices services{fake, fake, &fake};
    std::wstring out, err;
    EXPECT_EQ(RunTool({L"--verbose"}, services, out, err), 2);
    EXPECT_TRUE(Contains(err, L"Usage:"));
    EXPECT_EQ(RunTool({L"--help"}, services, out, err), 0);
    fake.addFile(L"C:\\Lists\\week.ini", "60:1\r\npics\\town.gif\r\n");
    fake.addFile(L"C:\\Lists\\pics\\town.gif");
    fake.folders.insert(L"C:\\Lists");
    EXPECT_EQ(RunTool({L"C:\\Lists\\week.ini"}, services, out, err), 0);
    EXPECT_TRUE(Contains(out, L"entry 0: pics\\town.gif, will be converted"));
    RunTool({L"C:\\Lists"}, services, out, err);
    EXPECT_TRUE(Contains(out, L"Checking C:\\Lists\\Tapivex.INI\n"));
}

// What else stops the start or leaves the wallpaper as it is (TapiVEX.CFG, a
// picture that cannot be decoded, a list in UTF-8 or of missing paths), and the
// verdict of a build that cannot decode pictures.
TEST(ListCheck, SettingsPicturesEncodingsAndTheVerdict) {
    static const std::wstring kTooLong = L"C:\\" + std::wstring(119, L'Ｌ');  // 241 bytes
    struct Row {
        const char* guards;
        std::string list;
        const wchar_t *type, *folder;  // TapiVEX.CFG's keys; nullptr: no file
        int exitCode;
        const wchar_t* says;
        bool decodes = true;
    } rows[] = {
        {"a TempPathType beyond 16 bits ends the start", "60\r\n", L"40000", L"", 1, L"TempPathType in TapiVEX.CFG"},
        {"a missing folder", "60\r\nC:\\Pictures\\sea.bmp\r\n", L"1", L"D:\\Gone", 0,
         L"names the folder D:\\Gone,\n  which does not exist"},
        {"a folder too long", "60\r\nC:\\Pictures\\sea.bmp\r\n", L"1", kTooLong.c_str(), 0,
         L"longer than 240 bytes"},
        {"a folder in use, whose writing is not tried", "60\r\nC:\\Pictures\\sea.bmp\r\n", L"2", L"C:\\Pictures", 0,
         L"C:\\Pictures (TapiVEX.CFG). Whether Tapivex can create files\n  there was not checked"},
        {"a damaged picture", "60\r\nC:\\Pictures\\bad.jpg\r\n", nullptr, nullptr, 1,
         L"cannot be decoded as a picture: C:\\Pictures\\bad.jpg\n"},
        {"no decoder", "60\r\nC:\\Pictures\\bad.jpg\r\n", nullptr, nullptr, 4,
         L"would start if its 1 picture to convert can be decoded", false},
        {"UTF-8's mark", "\xEF\xBB\xBF" "60\r\nC:\\Pictures\\sea.bmp\r\n", nullptr, nullptr, 1, L"byte order mark"},
        {"UTF-8", "60\r\nC:\\\xE5\xA3\x81\xE7\xB4\x99.bmp\r\nC:\\Pictures\\sea.bmp\r\n", nullptr, nullptr, 0,
         L"the file is in UTF-8"},
        {"every path missing", "60\r\nD:\\old.bmp\r\n", nullptr, nullptr, 0, L"the wallpaper will never change"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.guards);
        FakeSystem fake;
        fake.folders.insert({L"C:\\Pictures", kTooLong});
        fake.addFile(L"C:\\Pictures\\bad.jpg", FakeSystem::kDamaged);
        fake.addFile(L"C:\\Pictures\\sea.bmp");
        fake.writeList(row.list);
        fake.currentDirectory = fake.folder;
        if (row.type) fake.profile = {{L"Setting/TempPathType", row.type}, {L"Setting/UserTempPath", row.folder}};
        std::wstring out, err;
        EXPECT_EQ(RunTool({}, {fake, fake, row.decodes ? &fake : nullptr}, out, err), row.exitCode);
        EXPECT_TRUE(Contains(out, row.says)) << out;
    }
    EXPECT_EQ(std::make_tuple(WaitsForAKey(1, true), WaitsForAKey(2, true), WaitsForAKey(1, false)),
              std::make_tuple(true, false, false));
}

}  // namespace
}  // namespace tapivex::check
