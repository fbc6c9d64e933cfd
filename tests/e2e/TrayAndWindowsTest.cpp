// The rotation as the desktop records it (when the wallpaper changes, which picture
// it shows, in which order, and the display style written beside it), and the
// notification icon as a user works it: its menu's commands, the converted copies
// and their folders, the icon after a restarted taskbar, the screen through
// wallpaper changes, and every way the program ends.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <numeric>

#include "Harness.h"

namespace tapivex::e2e {
namespace {

// What the screen shows in `area`, 0xRRGGBB a pixel.
std::vector<std::uint32_t> capture(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory, previous);
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};  // top-down
    std::vector<std::uint32_t> shown(static_cast<std::size_t>(width * height));
    shown.resize(GetDIBits(memory, picture, 0, height, shown.data(), &info, DIB_RGB_COLORS) ? shown.size() : 0);
    for (std::uint32_t& pixel : shown) pixel &= 0xFFFFFF;
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shown;
}

// A second copy shows its message and leaves the first undisturbed. Next shows the
// converted copy, Reload starts the edited list at entry 0, a list of missing files
// leaves the stored wallpaper as it is, the settings command opens the dialog, whose
// Cancel writes nothing, and Exit deletes the copies, not the user's files. The list
// file is never written.
TEST_F(TrayAndWindows, TheMenusCommandsAndExitCleansUp) {
    folder.write(L"c.bmp", bitmap(16, 16, 0x00C800));
    const std::string settings = folder.read(L"TapiVEX.CFG");
    const auto run = start();
    ASSERT_TRUE(exists(converted()));
    const ProgramRun second(folder.exe());
    EXPECT_EQ(second.answer(), L"すでに起動しています");
    EXPECT_TRUE(second.endsWithoutACrash()) << "a crash, or the second copy still runs after OK";
    EXPECT_TRUE(exists(converted())) << "the second copy deleted the first one's copies";
    ASSERT_TRUE(openMenu('N')) << "no pop-up menu on a right click at the icon";
    EXPECT_EQ(desktop::waitForWallpaperOtherThan(L"", 3s), converted());
    folder.writeList(list = "600:3\r\nc.bmp\r\npic.jpg.bmp\r\n");
    openMenu('R');
    openMenu('N');
    EXPECT_EQ(desktop::waitForWallpaperOtherThan(converted(), 3s), folder.file(L"c.bmp"));
    folder.writeList(list = "600:3\r\nmissing.bmp\r\n");
    openMenu('R');
    openMenu('N');
    EXPECT_EQ(desktop::waitForWallpaperOtherThan(folder.file(L"c.bmp"), 1500ms), L"") << "a missing file was stored";

    openMenu('C');
    HWND dialog = waitForWindow(L"#32770", messages::settingsCaption);
    ASSERT_TRUE(dialog) << "the settings command showed no dialog";
    typeOver(control(dialog, frmOption::txtPath), folder.path());  // an existing folder: an apply would save it
    input::altKey('C');  // ｷｬﾝｾﾙ(&C)
    ASSERT_TRUE(waitForWindowGone(dialog));
    EXPECT_EQ(folder.read(L"TapiVEX.CFG"), settings);

    openMenu('X');
    EXPECT_EQ(run->waitForExit(), 0u) << "the Exit command did not end the program cleanly";
    EXPECT_FALSE(exists(converted())) << "the converted image outlived the program";
    EXPECT_EQ(folder.read(L"cache\\keep.txt"), "keep");
    EXPECT_EQ(folder.read(L"Tapivex.INI"), list);
}

// The rotation from entry 0, one interval after the start, with the list's style;
// JPEG and GIF entries as their copies in the configured folder, and a close request
// deletes them. The first entry is relative, in a subfolder of a Japanese name, and
// the program runs with another current directory: resolved elsewhere, it would be
// dropped as missing. With that folder gone, the copies go to the Windows temporary
// folder, style 3 leaves the style values alone, and the end of the session, which
// the program does not hold up, deletes the copies too.
TEST_F(TrayAndWindows, ConvertedCopiesRotateAndEveryEndDeletesThem) {
    const std::wstring relative = L"写真\\海.bmp";
    folder.write(relative, bitmap(16, 16, 0x00C800));
    folder.write(L"b.jpg", testing::jpeg(64, 48));
    folder.write(L"c.gif", testing::stillGif);
    const std::string entries = shiftJis(relative) + "\r\nb.jpg\r\nc.gif\r\n";
    folder.writeList("2:0\r\n" + entries);
    const auto started = std::chrono::steady_clock::now();
    auto run = start();
    std::this_thread::sleep_until(started + 1200ms);
    EXPECT_EQ(desktop::wallpaper(), L"") << "the wallpaper changed before one interval had passed";
    const auto seen = desktop::nextWallpapers(4, 3500ms);
    ASSERT_EQ(seen.size(), 4u) << "a change took longer than 3.5 s";
    const std::wstring first = seen[0];
    EXPECT_EQ(first.substr(first.size() - std::min(first.size(), relative.size())), relative);
    EXPECT_EQ(seen,
              (std::vector<std::wstring>{first, cache() + L"\\TapiVEX0.BMP", cache() + L"\\TapiVEX1.BMP", first}));
    EXPECT_EQ(desktop::value(L"WallpaperStyle"), L"0");
    EXPECT_EQ(desktop::value(L"TileWallpaper"), L"0");
    ASSERT_TRUE(run->close()) << "no clean end on a close request";
    EXPECT_FALSE(exists(cache() + L"\\TapiVEX0.BMP") || exists(cache() + L"\\TapiVEX1.BMP"));

    folder.writeSettings(cache() + L"\\gone");
    folder.writeList("2:3\r\n" + entries);
    desktop::reset();
    run = start();
    EXPECT_EQ(desktop::nextWallpapers(2, 3500ms), (std::vector<std::wstring>{first, tempFolder() + L"TapiVEX0.BMP"}));
    EXPECT_FALSE(desktop::value(L"WallpaperStyle") || desktop::value(L"TileWallpaper"));
    HWND window = run->mainWindow();
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 2000, &answer);
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "a log-off must not be held up";
    EXPECT_TRUE(run->running());
    PostMessageW(window, WM_ENDSESSION, TRUE, 0);
    ASSERT_TRUE(run->waitForExit());
    EXPECT_FALSE(exists(tempFolder() + L"TapiVEX0.BMP"));
}

// A restarted shell has lost the icon: the program adds it again.
TEST_F(TrayAndWindows, TheIconAnswersAfterTheTaskbarIsCreatedAgain) {
    const auto run = start();
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = run->mainWindow();
    icon.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
    pause(Milliseconds(GetDoubleClickTime() + 100));
    input::click(input::notificationIcon(), true);
    EXPECT_FALSE(waitForWindow(L"#32768", L"", 1000ms)) << "the icon was not removed";
    input::key(VK_ESCAPE);
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 2000,
                        nullptr);
    ASSERT_TRUE(openMenu('N'));
    EXPECT_NE(desktop::waitForWallpaperOtherThan(L"", 3s), L"");
}

// Wine's desktop paints each new wallpaper over the windows on it; the taskbar
// with the icon, an open window and an open menu stay drawn all the same, and
// the menu still takes its keys.
TEST_F(TrayAndWindows, WallpaperChangesLeaveTheTaskbarAndTheWindowsDrawn) {
    const std::uint32_t red = 0xE61414, green = 0x14E614;
    folder.write(L"red.bmp", bitmap(16, 16, red));
    folder.write(L"green.bmp", bitmap(16, 16, green));
    folder.writeList("2:1\r\nred.bmp\r\ngreen.bmp\r\n");  // tiled: the whole desktop in one colour
    // The share of an area that shows the wallpaper.
    auto wallpaperIn = [&](const RECT& area) {
        const auto shown = capture(area);
        const auto painted = std::count_if(shown.begin(), shown.end(), [](auto c) { return c == red || c == green; });
        return shown.empty() ? 1.0 : static_cast<double>(painted) / static_cast<double>(shown.size());
    };
    std::wstring last = desktop::wallpaper();
    auto nextChange = [&] {
        last = desktop::waitForWallpaperOtherThan(last, 3s);
        pause(600ms);  // the desktop's painting, then the program's
        return !last.empty();
    };
    const auto run = start();
    const POINT icon = input::notificationIcon();
    const RECT tray{icon.x - 60, icon.y - 8, icon.x + 10, icon.y + 8};  // the icon and the strip before it
    const auto trayBefore = capture(tray);
    ASSERT_TRUE(openMenu('A'));
    HWND about = waitForWindow(L"#32770", messages::aboutCaption);
    ASSERT_TRUE(about);
    RECT aboutArea{};
    GetWindowRect(about, &aboutArea);
    for (int change = 0; change < 3; ++change) {
        ASSERT_TRUE(nextChange()) << "change " << change;
        const auto trayNow = capture(tray);
        EXPECT_GT(std::inner_product(trayNow.begin(), trayNow.end(), trayBefore.begin(), 0.0, std::plus<>(),
                                     std::equal_to<>()), 0.95 * trayBefore.size())
            << "the taskbar and the icon are gone, change " << change;
        EXPECT_LT(wallpaperIn(aboutArea), 0.05) << "the About window is not drawn, change " << change;
    }
    ASSERT_TRUE(openMenu());
    RECT menuArea{};
    GetWindowRect(waitForWindow(L"#32768", L"", 0ms), &menuArea);
    ASSERT_TRUE(nextChange());
    EXPECT_LT(wallpaperIn(menuArea), 0.05) << "the menu is not drawn";
    input::key('X');
    EXPECT_EQ(run->waitForExit(), 0u) << "the menu took no key after the change";
}

}  // namespace
}  // namespace tapivex::e2e
