// The notification icon as a user works it: its menu's commands, the converted
// copies and their folders, the icon after a restarted taskbar, the screen through
// wallpaper changes, every way the program ends, and a long run's resources.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <iostream>
#include <set>
#include <thread>

#include "Harness.h"

namespace tapivex::e2e {
namespace {

// Next shows the converted copy, Reload starts the edited list at entry 0, the
// settings command opens the dialog, and Exit deletes every copy's number.
TEST_F(TrayAndWindows, TheMenusCommandsAndExitCleansUp) {
    folder.write(L"c.bmp", bitmap(16, 16, 0x00C800));
    folder.write(L"cache\\TapiVEX150.BMP", "not written by this run");
    const auto run = start();
    ASSERT_TRUE(exists(converted()));
    ASSERT_TRUE(openMenu('N')) << "no pop-up menu on a right click at the icon";
    EXPECT_EQ(desktop::waitForWallpaperOtherThan(L"", 3s), converted());
    folder.writeList("600:3\r\nc.bmp\r\npic.jpg.bmp\r\n");
    openMenu('R');
    openMenu('N');
    EXPECT_EQ(desktop::waitForWallpaperOtherThan(converted(), 3s), folder.file(L"c.bmp"));

    openMenu('C');
    HWND dialog = waitForWindow(L"#32770", messages::settingsCaption);
    ASSERT_TRUE(dialog) << "the settings command showed no dialog";
    waitUntil([&] { return GetForegroundWindow() == dialog; });
    input::altKey('C');  // ｷｬﾝｾﾙ(&C)
    ASSERT_TRUE(waitForWindowGone(dialog));

    openMenu('X');
    EXPECT_EQ(run->waitForExit(), 0u) << "the Exit command did not end the program cleanly";
    EXPECT_FALSE(exists(converted())) << "the converted image outlived the program";
    EXPECT_FALSE(exists(cache() + L"\\TapiVEX150.BMP")) << "every number is deleted";
    EXPECT_EQ(folder.read(L"cache\\keep.txt"), "keep");
}

// JPEG and GIF entries rotate as their copies in the configured folder, style 3
// leaving the style values alone, and a close request deletes them. With that
// folder gone, the copies go to the Windows temporary folder; the end of the
// session, which the program does not hold up, deletes them too.
TEST_F(TrayAndWindows, ConvertedCopiesRotateAndEveryEndDeletesThem) {
    const std::wstring a = folder.write(L"a.bmp", bitmap(16, 16, 0x00C800));
    folder.write(L"b.jpg", testing::jpeg(64, 48));
    folder.write(L"c.gif", testing::stillGif);
    folder.writeList("2:3\r\na.bmp\r\nb.jpg\r\nc.gif\r\n");
    auto run = start();
    EXPECT_EQ(desktop::nextWallpapers(4, 3500ms),
              (std::vector<std::wstring>{a, cache() + L"\\TapiVEX0.BMP", cache() + L"\\TapiVEX1.BMP", a}));
    EXPECT_FALSE(desktop::value(L"WallpaperStyle") || desktop::value(L"TileWallpaper"));
    ASSERT_TRUE(run->close()) << "no clean end on a close request";
    EXPECT_FALSE(exists(cache() + L"\\TapiVEX0.BMP") || exists(cache() + L"\\TapiVEX1.BMP"));

    folder.writeSettings(cache() + L"\\gone");
    desktop::reset();
    run = start();
    EXPECT_EQ(desktop::nextWallpapers(2, 3500ms), (std::vector<std::wstring>{a, tempFolder() + L"TapiVEX0.BMP"}));
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
    std::this_thread::sleep_for(Milliseconds(GetDoubleClickTime() + 100));
    input::click(input::notificationIcon(), true);
    EXPECT_FALSE(waitForWindow(L"#32768", L"", 1000ms)) << "the icon was not removed";
    input::key(VK_ESCAPE);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 2000,
                        &ignored);
    ASSERT_TRUE(openMenu('N'));
    EXPECT_TRUE(desktop::waitForWallpaperOtherThan(L"", 3s));
}

// Wine's desktop paints each new wallpaper over the windows on it; the taskbar
// with the icon, an open window and an open menu stay drawn all the same, and
// the menu still takes its keys.
TEST_F(TrayAndWindows, WallpaperChangesLeaveTheTaskbarAndTheWindowsDrawn) {
    folder.write(L"red.bmp", bitmap(16, 16, 0xE61414));
    folder.write(L"green.bmp", bitmap(16, 16, 0x14E614));
    folder.writeList("2:1\r\nred.bmp\r\ngreen.bmp\r\n");  // tiled: the whole desktop in one colour
    // The share of an area that shows the wallpaper.
    auto wallpaperIn = [](const RECT& area) {
        const auto shown = capture(area);
        const auto red = std::count(shown.begin(), shown.end(), 0xE61414u);
        const auto green = std::count(shown.begin(), shown.end(), 0x14E614u);
        return shown.empty() ? 1.0 : static_cast<double>(red + green) / static_cast<double>(shown.size());
    };
    std::wstring last = desktop::wallpaper();
    auto nextChange = [&] {
        const auto next = desktop::waitForWallpaperOtherThan(last, 3s);
        if (next) last = *next;
        std::this_thread::sleep_for(600ms);  // the desktop's painting, then the program's
        return next.has_value();
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
        EXPECT_GT(alike(capture(tray), trayBefore), 0.95) << "the taskbar and the icon are gone, change " << change;
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

// The process's rows in the system handle table (NtQuerySystemInformation, class 16).
unsigned long long HandlesInSystemTable(DWORD processId) {
    struct Row {
        ULONG owner;
        BYTE type, flags;
        USHORT handle;
        PVOID object;
        ACCESS_MASK access;
    };
    struct Table {
        ULONG count;
        Row rows[1];
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<Table> buffer((8 << 20) / sizeof(Table));
    if (query(16, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(Table)), nullptr) != 0) return 0;
    unsigned long long count = 0;
    for (ULONG i = 0; i < buffer[0].count && i + 1 < buffer.size(); ++i) count += buffer[0].rows[i].owner == processId;
    return count;
}

// A change at every tick (interval 0, typed in the settings dialog) for 40 changes:
// the two entries alternate and the program's resource counts stay flat. Under Wine
// the handle, GDI, USER and private byte counters read 0: there the system's handle
// table and the pagefile bytes are what move.
TEST_F(TrayAndWindows, FortyChangesKeepTheResourceCountsFlat) {
    folder.write(L"a.jpg", testing::jpeg(320, 240));
    folder.writeList("600:0\r\na.jpg\r\nb.bmp\r\n");
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    typeOver(control(dialog, kText1), L"0");
    input::key(VK_RETURN);
    ASSERT_TRUE(waitForWindowGone(dialog));
    const auto sample = [&] {
        DWORD handles = 0;
        GetProcessHandleCount(run->handle(), &handles);
        PROCESS_MEMORY_COUNTERS_EX memory{};
        GetProcessMemoryInfo(run->handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
        return std::vector<unsigned long long>{handles, HandlesInSystemTable(run->id()),
                                               GetGuiResources(run->handle(), GR_GDIOBJECTS),
                                               GetGuiResources(run->handle(), GR_USEROBJECTS), memory.PrivateUsage,
                                               memory.PagefileUsage};
    };
    const char* const names[] = {"handles", "system table", "GDI objects", "USER objects", "private", "pagefile"};
    ASSERT_EQ(desktop::nextWallpapers(5, 3s).size(), 5u);
    const auto before = sample();
    const auto seen = desktop::nextWallpapers(40, 3s);
    const auto after = sample();
    ASSERT_EQ(seen.size(), 40u) << "a change took longer than 3 s";
    EXPECT_EQ(std::set<std::wstring>(seen.begin(), seen.end()).size(), 2u) << "the two entries alternate";
    for (std::size_t i = 0; i < before.size(); ++i) {
        std::cout << names[i] << ": " << before[i] << " -> " << after[i] << std::endl;
        EXPECT_LE(after[i], before[i] + (i < 4 ? 10 : 2 << 20)) << names[i] << " grew";
    }
}

}  // namespace
}  // namespace tapivex::e2e
