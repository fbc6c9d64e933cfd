// The rotation as the desktop records it: when the wallpaper changes, which picture it
// shows, in which order, and the display style values written beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "Harness.h"

namespace tapivex::e2e {
namespace {

using namespace std::chrono_literals;

class Rotation : public ::testing::Test {
protected:
    void SetUp() override { desktop::reset(); }
    // The desktop must not keep naming pictures that are about to be deleted.
    void TearDown() override { desktop::reset(); }

    // A list file of `header` and the given entry lines, in Shift-JIS with CR LF line ends.
    void writeList(const std::string& header, const std::vector<std::wstring>& entries) const {
        std::string bytes = header + "\r\n";
        for (const auto& entry : entries) {
            bytes += shiftJis(entry) + "\r\n";
        }
        folder.writeList(bytes);
    }

    // The next `count` values that the Wallpaper value takes, each within `limit` of the one before.
    static std::vector<std::wstring> nextWallpapers(int count, Milliseconds limit) {
        std::vector<std::wstring> seen;
        std::wstring last = desktop::wallpaper();
        for (int i = 0; i < count; ++i) {
            const auto next = desktop::waitForWallpaperOtherThan(last, limit);
            if (!next) {
                break;
            }
            seen.push_back(last = *next);
        }
        return seen;
    }

    const ProgramFolder folder;
};

TEST_F(Rotation, FirstChangeComesOneIntervalAfterStartAndShowsEntryZero) {
    const auto first = folder.writeBitmap(L"first.bmp", 220, 40, 40);
    const auto second = folder.writeBitmap(L"second.bmp", 40, 40, 220);
    writeList("2:3", {first, second});

    const auto started = std::chrono::steady_clock::now();
    const ProgramRun run(folder.exe());
    std::this_thread::sleep_until(started + 1200ms);
    EXPECT_EQ(desktop::wallpaper(), L"") << "the wallpaper changed before one interval had passed";
    ASSERT_TRUE(run.running());

    const auto changed = desktop::waitForWallpaperOtherThan(L"", 2300ms);
    ASSERT_TRUE(changed) << "no change within 3.5 s of the start";
    EXPECT_EQ(*changed, first);
}

TEST_F(Rotation, ShowsTheEntriesInOrderAndStartsAgainAfterTheLast) {
    const auto a = folder.writeBitmap(L"a.bmp", 250, 0, 0);
    const auto b = folder.writeBitmap(L"b.bmp", 0, 250, 0);
    const auto c = folder.writeBitmap(L"c.bmp", 0, 0, 250);
    writeList("1:3", {a, b, c});
    const ProgramRun run(folder.exe());

    EXPECT_EQ(nextWallpapers(4, 3000ms), (std::vector<std::wstring>{a, b, c, a}));
}

// The entry's path is relative, in a subfolder with a Japanese name; the program runs with
// another current directory. Were it resolved elsewhere, the entry would be dropped as missing
// and the absolute entry after it would come first.
TEST_F(Rotation, RelativeEntryResolvesAgainstTheProgramFolder) {
    const std::wstring relative = L"写真\\海.bmp";
    folder.writeBitmap(relative, 0, 120, 200);
    const auto absolute = folder.writeBitmap(L"town.bmp", 120, 120, 120);
    writeList("1:3", {relative, absolute});
    const ProgramRun run(folder.exe());

    const auto seen = nextWallpapers(2, 3000ms);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].substr(seen[0].size() - std::min(seen[0].size(), relative.size())), relative);
    EXPECT_EQ(seen[1], absolute);
}

class DisplayStyle : public Rotation, public ::testing::WithParamInterface<int> {};

// Styles 0 to 2 go into both registry values as text before the change; style 3 leaves them alone.
TEST_P(DisplayStyle, IsWrittenToTheDesktopValuesBeforeTheChange) {
    const int style = GetParam();
    const auto picture = folder.writeBitmap(L"a.bmp", 90, 160, 40);
    writeList("1:" + std::to_string(style), {picture});
    const ProgramRun run(folder.exe());

    const auto changed = desktop::waitForWallpaperOtherThan(L"", 3000ms);
    ASSERT_TRUE(changed) << "no change";
    EXPECT_EQ(*changed, picture);
    if (style == 3) {
        EXPECT_FALSE(desktop::value(L"WallpaperStyle"));
        EXPECT_FALSE(desktop::value(L"TileWallpaper"));
    } else {
        EXPECT_EQ(desktop::value(L"WallpaperStyle"), std::to_wstring(style));
        EXPECT_EQ(desktop::value(L"TileWallpaper"), std::to_wstring(style));
    }
}

INSTANTIATE_TEST_SUITE_P(Styles, DisplayStyle, ::testing::Values(0, 1, 2, 3),
                         [](const auto& test) { return "Style" + std::to_string(test.param); });

}  // namespace
}  // namespace tapivex::e2e
