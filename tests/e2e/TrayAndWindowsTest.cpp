// The notification icon as a user works it: a real right click opens the menu,
// a double click the settings dialog; the dialog, the folder picker and the
// About window; and every way the program ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "TrayFixture.h"

namespace tapivex::e2e {
namespace {

using namespace std::chrono_literals;

TEST_F(TrayAndWindows, RightClickMenuSkipsToTheNextWallpaperAndExitCleansUp) {
    const auto run = start();
    ASSERT_TRUE(exists(converted()));

    ASSERT_TRUE(openMenu()) << "no pop-up menu on a right click at the icon";
    input::key('N');
    const auto next = desktop::waitForWallpaperOtherThan(L"", 3s);
    ASSERT_TRUE(next) << "the Next command changed nothing";
    EXPECT_EQ(*next, converted());

    ASSERT_TRUE(openMenu());
    input::key('X');
    const auto code = run->waitForExit();
    ASSERT_TRUE(code) << "the Exit command did not end the program";
    EXPECT_EQ(*code, 0u);
    EXPECT_FALSE(exists(converted())) << "the converted image outlived the program";
    EXPECT_TRUE(exists(folder.file(L"cache\\keep.txt")));
    EXPECT_EQ(folder.read(L"Tapivex.INI"), list);
}

TEST_F(TrayAndWindows, ADoubleClickOpensOneSettingsDialogAndASingleClickNothing) {
    const auto run = start();
    input::click(input::notificationIcon());
    std::this_thread::sleep_for(800ms);
    EXPECT_FALSE(input::findWindow(L"#32770", kSettingsCaption));

    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(input::windowText(input::control(dialog, kText1)), L"600");
    EXPECT_EQ(SendMessageW(input::control(dialog, kCombo1), CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(SendMessageW(input::control(dialog, kOpt2), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(input::windowText(input::control(dialog, kTxtPath)), cache());

    input::doubleClick(input::notificationIcon());
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(input::countWindows(L"#32770", kSettingsCaption), 1);
}

TEST_F(TrayAndWindows, TypingAnIntervalAndEnterAppliesIt) {
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    HWND interval = input::control(dialog, kText1);
    input::click(Centre(interval));
    input::key(VK_END);
    for (int i = 0; i < 3; ++i) input::key(VK_BACK);
    input::type(L"a1x");
    EXPECT_EQ(input::windowText(interval), L"1") << "only digits and backspace reach the field";
    input::key(VK_RETURN);
    EXPECT_TRUE(input::waitForWindowGone(dialog));
    EXPECT_FALSE(run->findMessageBox());
    EXPECT_TRUE(desktop::waitForWallpaperOtherThan(L"", 3s)) << "the new interval of 1 s is not in force";
}

TEST_F(TrayAndWindows, LeavingTheUsersFolderSavesReloadsAndDeletesTheOldImages) {
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    // A click that only activated the window is repeated, as a user would.
    for (int attempt = 0; attempt < 3 && IsWindowEnabled(input::control(dialog, kTxtPath)); ++attempt) {
        input::click(Centre(input::control(dialog, kOpt1)));
        waitUntil([&] { return !IsWindowEnabled(input::control(dialog, kTxtPath)); }, 1000ms);
    }
    EXPECT_FALSE(IsWindowEnabled(input::control(dialog, kTxtPath)));
    input::key(VK_RETURN);  // the default button, 設定(&S)

    const auto notice = run->waitForMessageBox();
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->text(),
              L"変換ファイルの保存先が変更されたため、設定を再読込みします。\r\n（変更した時間などは、元に戻ります。）");
    notice->pressOk();
    EXPECT_TRUE(waitUntil([&] { return !exists(converted()); }, shortWait)) << "old images not deleted";
    const std::string settings = folder.read(L"TapiVEX.CFG");
    EXPECT_NE(settings.find("TempPathType=0"), std::string::npos) << settings;
    EXPECT_NE(settings.find("UserTempPath="), std::string::npos) << "the stored folder stays";
    EXPECT_TRUE(run->running());
}

// The picker opens on txtPath's folder, the first time in the program's run
// too: confirming it at once gives that folder back, without a trailing
// backslash; cancel changes nothing. The folder is new, and its parent has
// not been read since: Wine's first look-up of such a path used to miss
// (it compares the folders' access times, which its reading moves on, in
// steps of two seconds).
TEST_F(TrayAndWindows, TheBrowseButtonPicksAFolder) {
    folder.write(L"other\\new\\keep.txt", "");
    const auto made = std::chrono::steady_clock::now();
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    HWND path = input::control(dialog, kTxtPath);
    const std::wstring other = folder.file(L"other\\new");
    SetWindowTextW(path, (other + L"\\").c_str());
    std::this_thread::sleep_until(made + 2500ms);

    auto usePicker = [&](WORD key) {
        input::altKey('B');  // 参照(&B)
        if (!waitUntil([&] { return GetForegroundWindow() != dialog && GetForegroundWindow() != nullptr; },
                       shortWait)) {
            return false;
        }
        HWND picker = GetForegroundWindow();
        std::this_thread::sleep_for(500ms);
        input::key(key);
        return input::waitForWindowGone(picker);
    };
    ASSERT_TRUE(usePicker(VK_RETURN));
    EXPECT_EQ(input::windowText(path), other) << "the first opening did not select the field's folder";

    SetWindowTextW(path, L"");
    ASSERT_TRUE(usePicker(VK_ESCAPE));
    EXPECT_EQ(input::windowText(path), L"") << "cancel changed the field";
}

TEST_F(TrayAndWindows, TheAboutWindowShowsTheVersionAndOpensOnce) {
    const auto run = start();
    ASSERT_TRUE(openMenu());
    input::key('A');
    HWND about = input::waitForWindow(L"#32770", kAboutCaption);
    ASSERT_TRUE(about);
    EXPECT_EQ(input::windowText(input::control(about, kTitleLabel)), L"タピベックス");
    EXPECT_EQ(input::windowText(input::control(about, kVersionLabel)), L"Version " TAPIVEX_PROJECT_VERSION)
        << "the label and the CMake project disagree";

    // Two presses within the double-click time would count as a double click.
    std::this_thread::sleep_for(std::chrono::milliseconds(GetDoubleClickTime() + 100));
    ASSERT_TRUE(openMenu());
    input::key('A');
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(input::findWindow(L"#32770", kAboutCaption), about) << "the open window came forward";
    EXPECT_EQ(input::countWindows(L"#32770", kAboutCaption, true), 1);

    waitUntil([&] { return GetForegroundWindow() == about; }, shortWait);
    input::altKey('O');  // OK(&O)
    EXPECT_TRUE(input::waitForWindowGone(about));
    EXPECT_FALSE(input::findWindow(L"#32770", kSettingsCaption)) << "the dialog loaded for its icon stays hidden";
    EXPECT_TRUE(run->running());
}

// Wine's desktop paints each new wallpaper over the windows on it; the
// taskbar with the icon, an open window and an open menu stay drawn all the
// same, and the menu still takes its keys.
TEST_F(TrayAndWindows, WallpaperChangesLeaveTheTaskbarAndTheWindowsDrawn) {
    folder.writeBitmap(L"red.bmp", 230, 20, 20);
    folder.writeBitmap(L"green.bmp", 20, 230, 20);
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
    ASSERT_TRUE(openMenu());
    input::key('A');
    HWND about = input::waitForWindow(L"#32770", kAboutCaption);
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
    GetWindowRect(input::findWindow(L"#32768", L""), &menuArea);
    ASSERT_TRUE(nextChange());
    EXPECT_LT(wallpaperIn(menuArea), 0.05) << "the menu is not drawn";
    input::key('X');
    const auto code = run->waitForExit();
    ASSERT_TRUE(code) << "the menu took no key after the change";
    EXPECT_EQ(*code, 0u);
}

TEST_F(TrayAndWindows, ClosingTheWindowOrEndingTheSessionCleansUpAndEnds) {
    {
        const auto run = start();
        PostMessageW(run->waitForMainWindow(), WM_CLOSE, 0, 0);
        ASSERT_TRUE(run->waitForExit());
        EXPECT_FALSE(exists(converted()));
    }
    const auto run = start();
    HWND window = run->waitForMainWindow();
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 2000, &answer);
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "a log-off must not be held up";
    EXPECT_TRUE(run->running());
    PostMessageW(window, WM_ENDSESSION, TRUE, 0);
    ASSERT_TRUE(run->waitForExit());
    EXPECT_FALSE(exists(converted()));
}

}  // namespace
}  // namespace tapivex::e2e
