// Start-up as a user meets it where the real system has a say in the answer: a
// missing list file, line ends, a number read through the locale, a damaged
// picture, and a second copy. Each message is followed by the program's end.
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

void PrintTo(const StartupCase& c, std::ostream* out) { *out << c.name; }

class StartupMessage : public ::testing::TestWithParam<StartupCase> {};

// One message, then the end once OK is pressed: a second message would keep the program running.
TEST_P(StartupMessage, ShowsTheMessageAndEndsAfterOk) {
    const ProgramFolder folder;
    folder.write(L"a.bmp", bitmap(16, 16, 0xC81E1E));
    if (GetParam().list) folder.writeList(*GetParam().list);
    const ProgramRun run(folder.exe());
    EXPECT_EQ(run.answer(), GetParam().message);
    EXPECT_TRUE(run.endsWithoutACrash()) << "a crash, or still running after OK";
}

INSTANTIATE_TEST_SUITE_P(
    ListFile, StartupMessage,
    ::testing::Values(StartupCase{"NoListFile", std::nullopt, messages::cannotStart},
                      StartupCase{"EmptyInterval", ":2\r\na.bmp\r\n", messages::intervalNotNumeric},
                      // Entry lines ending in a line feed alone run into the header line.
                      StartupCase{"LineFeedLineEnds", "60:2\na.bmp\n", messages::styleNotNumeric},
                      // Beyond a double: the locale-aware conversion overflows.
                      StartupCase{"IntervalBeyondADouble", "1e400:0\r\na.bmp\r\n", messages::intervalNotNumeric},
                      StartupCase{"HeaderOnly", "2:2\r\n", messages::noWallpaper}),
    [](const auto& test) { return std::string(test.param.name); });

// A damaged picture among the entries: the copies made before it are deleted at the end.
TEST(StartupDamagedPicture, IsTheStartupFailureAndLeavesNoCopy) {
    const ProgramFolder folder;
    folder.write(L"cache\\keep.txt", "keep");
    folder.writeSettings(folder.file(L"cache"));
    folder.write(L"good.jpg", testing::jpeg(64, 48));
    folder.write(L"good.gif", testing::stillGif);
    folder.write(L"cut.jpg", testing::jpeg(64, 48).substr(0, 120));
    folder.writeList("60:3\r\ngood.jpg\r\ngood.gif\r\ncut.jpg\r\n");
    const ProgramRun run(folder.exe());
    EXPECT_EQ(run.answer(IDOK, 15s), messages::cannotStart);
    EXPECT_TRUE(run.endsWithoutACrash()) << "a crash, or still running after OK";
    EXPECT_FALSE(exists(folder.file(L"cache\\TapiVEX0.BMP")) || exists(folder.file(L"cache\\TapiVEX1.BMP")));
    EXPECT_EQ(folder.read(L"cache\\keep.txt"), "keep");
}

TEST(SecondStart, IsRefusedWhileTheFirstCopyKeepsRunning) {
    const ProgramFolder folder;
    folder.write(L"a.bmp", bitmap(16, 16, 0x1EC81E));
    folder.writeList("600:3\r\na.bmp\r\n");
    const ProgramRun first(folder.exe());
    ASSERT_NE(first.mainWindow(), nullptr) << "the first copy did not start";
    WaitForInputIdle(first.handle(), 5000);

    const ProgramRun second(folder.exe());
    EXPECT_EQ(second.answer(), messages::alreadyRunning);
    EXPECT_TRUE(second.endsWithoutACrash()) << "a crash, or the second copy still runs after OK";
    EXPECT_TRUE(first.running());
    EXPECT_FALSE(first.messageBox()) << "the first copy was disturbed";
}

}  // namespace
}  // namespace tapivex::e2e
