// The rotation as the desktop records it: when the wallpaper changes, which picture
// it shows, in which order, and the display style written beside it.
#include <algorithm>
#include <thread>

#include "Harness.h"

namespace tapivex::e2e {
namespace {

class Rotation : public ::testing::Test {
protected:
    void SetUp() override { desktop::reset(); }
    // The desktop must not keep naming pictures that are about to be deleted.
    void TearDown() override { desktop::reset(); }
    const ProgramFolder folder;
};

// The first entry's path is relative, in a subfolder of a Japanese name, and the
// program runs with another current directory: resolved elsewhere, it would be
// dropped as missing and the absolute entry after it would come first.
TEST_F(Rotation, EveryIntervalTheNextEntryInOrderFromEntryZeroWithItsStyle) {
    const std::wstring relative = L"写真\\海.bmp";
    folder.write(relative, bitmap(16, 16, 0x0078C8));
    const auto b = folder.write(L"b.bmp", bitmap(16, 16, 0x00FA00));
    const auto c = folder.write(L"c.bmp", bitmap(16, 16, 0x0000FA));
    folder.writeList("2:0\r\n" + shiftJis(relative + L"\r\n" + b + L"\r\n" + c + L"\r\n"));

    const auto started = std::chrono::steady_clock::now();
    const ProgramRun run(folder.exe());
    std::this_thread::sleep_until(started + 1200ms);
    EXPECT_EQ(desktop::wallpaper(), L"") << "the wallpaper changed before one interval had passed";
    const auto seen = desktop::nextWallpapers(4, 3000ms);
    ASSERT_EQ(seen.size(), 4u) << "a change took longer than 3 s";
    EXPECT_EQ(seen[0].substr(seen[0].size() - std::min(seen[0].size(), relative.size())), relative);
    EXPECT_EQ(std::vector<std::wstring>(seen.begin() + 1, seen.end()), (std::vector<std::wstring>{b, c, seen[0]}));
    EXPECT_EQ(desktop::value(L"WallpaperStyle"), L"0");
    EXPECT_EQ(desktop::value(L"TileWallpaper"), L"0");
}

}  // namespace
}  // namespace tapivex::e2e
