// The rotation tick: when a change falls due, what it writes and applies.
#include "ProgramFixture.h"
#include "app/Module2.h"

namespace tapivex::testing {
namespace {

class TickTest : public ProgramTest {
protected:
    // Loads a list of `entries` with the given header, at clock reading `start`.
    void start(const std::string& header, std::vector<std::string> entries, std::uint32_t startMs = 1000) {
        std::string bytes = header + "\r\n";
        for (const std::string& e : entries) {
            bytes += e + "\r\n";
            if (!e.empty()) fake.addFile(L"C:\\Tools\\" + std::wstring(e.begin(), e.end()));
        }
        fake.writeList(bytes);
        fake.now = startMs;
        ASSERT_TRUE(load());
    }
};

TEST_F(TickTest, AChangeFallsDueWhenTheRoundedSecondsReachTheInterval) {
    start("5", {"a.bmp"});
    tickAfter(4500);  // 4.5 s rounds to 4
    EXPECT_TRUE(fake.wallpaperCalls.empty());
    tickAfter(1);     // 4.501 s rounds to 5
    EXPECT_EQ(fake.wallpaperCalls, std::vector<std::wstring>{L"a.bmp"});
    EXPECT_EQ(form.LastChangeTick, 5501);

    fake.wallpaperCalls.clear();
    globals.ChangeInterval = 4;
    tickAfter(3500);  // 3.5 s rounds to 4
    EXPECT_EQ(fake.wallpaperCalls.size(), 1u);
}

TEST_F(TickTest, CounterWrapDoesNotPauseTheRotation) {
    start("2", {"a.bmp"}, 0xFFFFF000u);  // the counter is about to wrap
    tickAfter(0x1000 + 1000);            // reads 1000 after the wrap: 5.096 s later
    EXPECT_EQ(fake.wallpaperCalls.size(), 1u);

    fake.wallpaperCalls.clear();
    start("2", {"a.bmp"}, 0x7FFFFC00u);  // passes 2^31, where the signed reading turns negative
    tickAfter(2000);
    EXPECT_EQ(fake.wallpaperCalls.size(), 1u);
}

TEST_F(TickTest, NextCommandAppliesAtTheNextTickAndRebasesTheInterval) {
    start("600", {"a.bmp", "b.bmp"});
    form.mnNext_Click();
    form.mnNext_Click();
    tickAfter(500);
    tickAfter(500);
    EXPECT_EQ(fake.wallpaperCalls, std::vector<std::wstring>{L"a.bmp"}) << "two commands, one change";
    EXPECT_EQ(form.NextRequested, 0);

    form.NextRequested = 1;  // only exactly -1 counts as a request
    tickAfter(500);
    EXPECT_EQ(fake.wallpaperCalls.size(), 1u);
}

TEST_F(TickTest, RotatesInOrderWithEmptyEntriesUsingTheirTurn) {
    start("1", {"a.bmp", "", "c.bmp"});
    for (int i = 0; i < 6; ++i) tickAfter(1000);
    EXPECT_EQ(fake.wallpaperCalls, (std::vector<std::wstring>{L"a.bmp", L"c.bmp", L"a.bmp", L"c.bmp"}));
    EXPECT_EQ(form.CurrentIndex, 0);
}

TEST_F(TickTest, IntervalZeroMakesEveryTickDue) {
    start("1", {"a.bmp"});
    globals.ChangeInterval = 0;
    tickAfter(500);
    tickAfter(500);
    EXPECT_EQ(fake.wallpaperCalls.size(), 2u);
}

TEST_F(TickTest, StyleIsWrittenToBothValuesBeforeTheChangeExceptStyle3) {
    for (int style = 0; style <= 3; ++style) {
        fake.registryWrites.clear();
        start("1:" + std::to_string(style), {"a.bmp"});
        tickAfter(1000);
        if (style == 3) {
            EXPECT_TRUE(fake.registryWrites.empty());
            continue;
        }
        const std::wstring digit = std::to_wstring(style);
        EXPECT_EQ(fake.registryWrites, (std::vector<std::pair<std::wstring, std::wstring>>{
                                           {kWallpaperStyleValue, digit}, {kTileWallpaperValue, digit}}));
    }
}

TEST_F(TickTest, ARefusedEntryReappliesTheLastAcceptedPath) {
    start("1:2", {"a.bmp", "bad.bmp"});
    fake.refusedWallpapers.insert(L"bad.bmp");
    tickAfter(1000);
    tickAfter(1000);
    EXPECT_EQ(fake.wallpaperCalls, (std::vector<std::wstring>{L"a.bmp", L"bad.bmp", L"a.bmp"}));
    EXPECT_EQ(fake.registryWrites.size(), 6u) << "the style is written again before the fallback";
    EXPECT_EQ(form.LastAppliedPath, L"a.bmp");
    EXPECT_EQ(form.CurrentIndex, 0);
}

// Before any accepted entry there is nothing to go back to: the empty path
// would wipe the user's wallpaper, so it stays as it is.
TEST_F(TickTest, ARefusalBeforeAnyAcceptedEntryLeavesTheUsersWallpaper) {
    fake.writeList("1:2\r\nD:\\gone.bmp\r\n");
    fake.refusedWallpapers.insert(L"D:\\gone.bmp");
    ASSERT_TRUE(load());
    tickAfter(1000);
    tickAfter(1000);
    EXPECT_EQ(fake.wallpaperCalls, (std::vector<std::wstring>{L"D:\\gone.bmp", L"D:\\gone.bmp"}));
    EXPECT_EQ(fake.registryWrites.size(), 8u) << "the style is still written twice a turn";
    EXPECT_EQ(form.CurrentIndex, 0);
}

TEST_F(TickTest, AFailingRegistryWriteStillAppliesTheWallpaper) {
    start("1:1", {"a.bmp"});
    fake.registryFails = true;
    fake.folder = L"C:\\Vanished";  // and the program's folder cannot be made current
    tickAfter(1000);
    EXPECT_EQ(fake.wallpaperCalls, std::vector<std::wstring>{L"a.bmp"});
}

}  // namespace
}  // namespace tapivex::testing
