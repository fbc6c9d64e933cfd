// tapivex-check on the worked list files, against the fake Windows file system
// of the unit tests: the program's folder C:\Tools holds Tapivex.INI.
#include <gtest/gtest.h>

#include "FakeSystem.h"
#include "ListCheck.h"
#include "app/Messages.h"

namespace tapivex::check {
namespace {

using tapivex::testing::FakeSystem;

class ListCheckTest : public ::testing::Test {
protected:
    FakeSystem fake;

    void SetUp() override {
        fake.addFile(L"C:\\Pictures\\sea.bmp");
        fake.addFile(L"C:\\Tools\\photos\\hill.jpg");
        fake.addFile(L"C:\\Pictures\\town.gif");
    }
    CheckResult check(const std::string& bytes) {
        fake.writeList(bytes);
        return CheckList(fake, L"C:\\Tools");
    }
    std::wstring report(const std::string& bytes) { return FormatReport(L"Tapivex.INI", check(bytes)); }
};

// "fate" of each line, compactly: e0, e1.. entries (c0.. when converted), "empty", "missing".
std::vector<std::wstring> Fates(const CheckResult& result) {
    std::vector<std::wstring> fates;
    for (const LineReport& line : result.lines) {
        if (line.fate == LineFate::Missing) fates.push_back(L"missing");
        else if (line.text.empty()) fates.push_back(L"empty");
        else if (line.convertedNumber >= 0) fates.push_back(L"c" + std::to_wstring(line.convertedNumber));
        else fates.push_back(L"e" + std::to_wstring(line.entry));
    }
    return fates;
}

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

TEST_F(ListCheckTest, TheWorkedFile) {
    const CheckResult result =
        check("300:2\r\nC:\\Pictures\\sea.bmp\r\nphotos\\hill.jpg\r\n\r\nD:\\old.bmp\r\nC:\\Pictures\\town.gif\r\n");
    EXPECT_EQ(result.outcome, Outcome::Starts);
    EXPECT_EQ(Fates(result), (std::vector<std::wstring>{L"e0", L"c0", L"empty", L"missing", L"c1"}));
    EXPECT_EQ(result.lines[4].entry, 3) << "the line after a missing path takes its slot";
    EXPECT_EQ(result.lines[3].lineNumber, 5);
    EXPECT_EQ(result.interval, 300);
    EXPECT_EQ(result.style, 2);
    EXPECT_EQ(ExitCodeFor(result), 0);

    const std::wstring text = FormatReport(L"Tapivex.INI", result);
    EXPECT_TRUE(Contains(text, L"line 3:     entry 1: photos\\hill.jpg, will be converted to TapiVEX0.BMP\n"));
    EXPECT_TRUE(Contains(text, L"line 4:     entry 2: empty entry"));
    EXPECT_TRUE(Contains(text, L"line 5:     missing and dropped: D:\\old.bmp\n"));
    EXPECT_TRUE(Contains(text, L"Summary: 4 entries (1 empty), 2 pictures to convert, 1 missing path dropped.\n"));
}

TEST_F(ListCheckTest, HeaderOutcomesFollowTheLoadsOrder) {
    // The range fix of the style and the clamp of the interval.
    CheckResult result = check("0:5\r\nC:\\Pictures\\sea.bmp\r\n");
    EXPECT_EQ(result.outcome, Outcome::Starts);
    EXPECT_EQ(std::make_pair(result.headerInterval, result.interval), std::make_pair(0, 1));
    EXPECT_EQ(std::make_pair(result.headerStyle, result.style), std::make_pair(std::int16_t{5}, std::int16_t{3}));
    EXPECT_FALSE(check("45.7\r\nC:\\Pictures\\sea.bmp\r\n").styleGiven);

    // Each error shows the program's own text; a bad first field hides the second.
    const std::wstring interval = report("abc:xyz\r\nC:\\Pictures\\sea.bmp\r\n");
    EXPECT_TRUE(Contains(interval, kMsgIntervalNotNumeric));
    EXPECT_FALSE(Contains(interval, kMsgStyleNotNumeric));
    EXPECT_TRUE(Contains(report("30::2\r\nC:\\Pictures\\sea.bmp\r\n"), kMsgStyleNotNumeric));

    // 40000 is beyond the style's 16 bits: the start-up failure, and its cause.
    result = check("60:40000\r\nC:\\Pictures\\sea.bmp\r\n");
    EXPECT_EQ(result.outcome, Outcome::StartupFailure);
    EXPECT_TRUE(Contains(result.failureCause, L"16 bits"));
    EXPECT_EQ(ExitCodeFor(result), 1);
    EXPECT_EQ(Fates(result), (std::vector<std::wstring>{L"e0"})) << "the lines are read before the header";

    // A header error comes before the empty-list rule.
    EXPECT_EQ(check(":2").outcome, Outcome::IntervalNotNumeric);
}

TEST_F(ListCheckTest, NothingToShowOnlyForAHeaderAlone) {
    const CheckResult alone = check("600:2\r\n");
    EXPECT_EQ(alone.outcome, Outcome::NothingToShow);
    EXPECT_TRUE(Contains(FormatReport(L"Tapivex.INI", alone), kMsgNothingToShow));

    // Only missing paths: no message, the program runs with no entry.
    const CheckResult missing = check("600:2\r\nD:\\old.bmp\r\n  \r\nC:\\Pictures\r\n");
    EXPECT_EQ(missing.outcome, Outcome::Starts);
    EXPECT_EQ(Fates(missing), (std::vector<std::wstring>(3, L"missing"))) << "blanks and folders are not files";
    EXPECT_TRUE(Contains(FormatReport(L"Tapivex.INI", missing), L"(blanks and quotes are part of the path)"));
}

TEST_F(ListCheckTest, NoLineIsReadBeyondThe201stEntry) {
    std::string bytes = "60\r\nD:\\old.bmp\r\n";
    for (int i = 0; i < 200; ++i) bytes += "C:\\Pictures\\sea.bmp\r\n";
    bytes += "\r\nD:\\old.bmp\r\nC:\\Pictures\\town.gif\r\n";  // the empty line is entry 200
    const CheckResult result = check(bytes);
    EXPECT_EQ(result.entryCount, 201);
    EXPECT_EQ(result.missingPaths, 1) << "missing paths after the limit are not counted";
    EXPECT_EQ(result.conversions, 0);
    EXPECT_EQ(std::make_pair(result.firstUnreadLine, result.unreadLines), std::make_pair(204, 2));
    EXPECT_TRUE(Contains(FormatReport(L"Tapivex.INI", result), L"lines 204 to 205: not read beyond the 201st entry\n"));
}

TEST_F(ListCheckTest, UnreadableFilesAndLineFeeds) {
    EXPECT_EQ(CheckList(fake, L"C:\\Tools").failureCause, L"the file does not exist or cannot be opened");
    const CheckResult empty = check("");
    EXPECT_EQ(empty.outcome, Outcome::StartupFailure);
    EXPECT_FALSE(empty.headerRead);
    EXPECT_TRUE(Contains(FormatReport(L"Tapivex.INI", empty), kMsgStartupFailure));

    // Lines ending with LF alone are one header line; the check says why.
    const std::wstring text = report("60:2\nC:\\Pictures\\sea.bmp\n");
    EXPECT_TRUE(Contains(text, L"header \"60:2<LF>C:\\Pictures\\sea.bmp<LF>\""));
    EXPECT_TRUE(Contains(text, kMsgStyleNotNumeric));
    EXPECT_TRUE(Contains(text, L"CR LF"));
}

TEST_F(ListCheckTest, Arguments) {
    std::wstring out, err;
    EXPECT_EQ(RunTool({L"a", L"b"}, fake, out, err), 2);
    EXPECT_EQ(RunTool({L"--verbose"}, fake, out, err), 2);
    EXPECT_TRUE(Contains(err, L"Usage:"));
    EXPECT_EQ(RunTool({L"--help"}, fake, out, err), 0);

    // A list of another name, in a folder given by its path; then the folder alone.
    fake.addFile(L"C:\\Lists\\week.ini", "60:1\r\nC:\\Pictures\\sea.bmp\r\npics\\town.gif\r\n");
    fake.addFile(L"C:\\Lists\\pics\\town.gif");
    fake.folders.insert(L"C:\\Lists");
    EXPECT_EQ(RunTool({L"C:\\Lists\\week.ini"}, fake, out, err), 0);
    EXPECT_TRUE(Contains(out, L"entry 1: pics\\town.gif, will be converted")) << "relative to the list";
    EXPECT_EQ(RunTool({L"C:\\Lists"}, fake, out, err), 1) << "C:\\Lists holds no Tapivex.INI";
    fake.addFile(L"C:\\Lists\\Tapivex.INI", "60:1\r\n");
    EXPECT_EQ(RunTool({L"C:\\Lists"}, fake, out, err), 1);
    EXPECT_TRUE(Contains(out, kMsgNothingToShow));
}

}  // namespace
}  // namespace tapivex::check
