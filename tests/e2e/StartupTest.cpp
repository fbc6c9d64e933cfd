// Start-up as a user meets it: the warnings about a bad list file, each followed by the
// program's end, and the refusal of a second copy.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "Harness.h"

namespace tapivex::e2e {
namespace {

struct StartupCase {
    const char* name;
    std::optional<std::string> list;  // nullopt: no Tapivex.INI at all
    std::wstring message;
};

void PrintTo(const StartupCase& c, std::ostream* out) {
    *out << c.name;
}

class StartupMessage : public ::testing::TestWithParam<StartupCase> {};

// One message, then the program ends once OK is pressed: a second message would keep it running.
TEST_P(StartupMessage, ShowsTheMessageAndEndsAfterOk) {
    const ProgramFolder folder;
    folder.writeBitmap(L"a.bmp", 200, 30, 30);
    if (GetParam().list) {
        folder.writeList(*GetParam().list);
    }
    const ProgramRun run(folder.exe());

    const auto box = run.waitForMessageBox();
    ASSERT_TRUE(box) << "no message box; program still running: " << run.running();
    EXPECT_EQ(box->text(), GetParam().message);
    box->pressOk();

    const auto exitCode = run.waitForExit();
    ASSERT_TRUE(exitCode) << "the program still runs after OK";
    EXPECT_FALSE(isCrashCode(*exitCode)) << std::hex << *exitCode;
}

INSTANTIATE_TEST_SUITE_P(
    ListFile, StartupMessage,
    ::testing::Values(
        StartupCase{"EmptyInterval", ":2\r\na.bmp\r\n", messages::intervalNotNumeric},
        // The interval is judged first: its message alone, not the style's after it.
        StartupCase{"LettersInBothFields", "abc:xyz\r\na.bmp\r\n", messages::intervalNotNumeric},
        StartupCase{"EmptyFirstLine", "\r\na.bmp\r\n", messages::intervalNotNumeric},
        // Entry lines ending in a line feed alone run into the header line.
        StartupCase{"LineFeedLineEnds", "60:2\na.bmp\n", messages::styleNotNumeric},
        StartupCase{"EmptyStyle", "60:\r\na.bmp\r\n", messages::styleNotNumeric},
        StartupCase{"EmptySecondFieldBeforeThird", "30::2\r\na.bmp\r\n", messages::styleNotNumeric},
        StartupCase{"NoListFile", std::nullopt, messages::cannotStart},
        StartupCase{"EmptyListFile", "", messages::cannotStart},
        StartupCase{"StyleBeyondSixteenBits", "60:40000\r\na.bmp\r\n", messages::cannotStart},
        StartupCase{"IntervalBeyondADouble", "1e400:0\r\na.bmp\r\n", messages::intervalNotNumeric},
        StartupCase{"HeaderOnly", "2:2\r\n", messages::noWallpaper}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(SecondStart, IsRefusedWhileTheFirstCopyKeepsRunning) {
    const ProgramFolder folder;
    folder.writeBitmap(L"a.bmp", 30, 200, 30);
    folder.writeList("600:3\r\na.bmp\r\n");
    const ProgramRun first(folder.exe());
    ASSERT_NE(first.waitForMainWindow(), nullptr) << "the first copy did not start";
    first.waitForIdle();

    const ProgramRun second(folder.exe());
    const auto box = second.waitForMessageBox();
    ASSERT_TRUE(box) << "the second copy showed no message";
    EXPECT_EQ(box->text(), messages::alreadyRunning);
    box->pressOk();
    const auto exitCode = second.waitForExit();
    ASSERT_TRUE(exitCode) << "the second copy still runs after OK";
    EXPECT_FALSE(isCrashCode(*exitCode)) << std::hex << *exitCode;

    EXPECT_TRUE(first.running());
    EXPECT_FALSE(first.findMessageBox()) << "the first copy was disturbed";
}

}  // namespace
}  // namespace tapivex::e2e
