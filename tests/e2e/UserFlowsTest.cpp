// What a user does with the running program, end to end: the converted copies
// in the rotation, reloads from the menu, the settings dialog's outcomes, the
// About window's questions, and the version record of the built program.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "PictureFiles.h"
#include "TrayFixture.h"

namespace tapivex::e2e {
namespace {

using namespace std::chrono_literals;

enum Rows { kText1 = 4, kTxtPath = 12, kCommand2 = 15, kLabel2 = 4, kLabel3 = 5 };

class UserFlows : public TrayAndWindows {
protected:
    // The next `count` wallpapers, each within `limit` of the one before.
    static std::vector<std::wstring> nextWallpapers(int count, Milliseconds limit) {
        std::vector<std::wstring> seen;
        for (std::wstring last = desktop::wallpaper(); static_cast<int>(seen.size()) < count;) {
            const auto next = desktop::waitForWallpaperOtherThan(last, limit);
            if (!next) break;
            seen.push_back(last = *next);
        }
        return seen;
    }
    // Chooses a menu item by its mnemonic.
    void menu(WORD mnemonic) {
        std::this_thread::sleep_for(std::chrono::milliseconds(GetDoubleClickTime() + 100));
        ASSERT_TRUE(openMenu());
        input::key(mnemonic);
    }
    // The program's message box: its text, then the button `answer` pressed.
    static std::wstring answer(const ProgramRun& run, int button) {
        const auto box = run.waitForMessageBox();
        if (!box) return L"<no message box>";
        const std::wstring text = box->text();
        HWND window = input::waitForWindow(L"#32770", messages::title);
        if (button == IDOK) box->pressOk();
        else SendMessageW(GetDlgItem(window, button), BM_CLICK, 0, 0);
        input::waitForWindowGone(window);
        return text;
    }
};

TEST_F(UserFlows, JpegAndGifEntriesRotateAsTheirCopiesInTheConfiguredFolder) {
    folder.writeBitmap(L"a.bmp", 0, 200, 0);
    folder.write(L"b.jpg", pictures::jpeg(64, 48));
    folder.write(L"c.gif", pictures::gif());
    folder.writeList("2:3\r\na.bmp\r\nb.jpg\r\nc.gif\r\n");
    const auto run = start();
    const std::wstring a = folder.file(L"a.bmp");
    EXPECT_EQ(nextWallpapers(4, 3500ms),
              (std::vector<std::wstring>{a, cache() + L"\\TapiVEX0.BMP", cache() + L"\\TapiVEX1.BMP", a}));

    // With the configured folder gone, the copies go to the Windows temporary folder.
    PostMessageW(run->waitForMainWindow(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(run->waitForExit());
    folder.write(L"TapiVEX.CFG", shiftJis(L"[Setting]\r\nTempPathType=1\r\nUserTempPath=" + cache() + L"\\gone\r\n"));
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    desktop::reset();
    const auto again = start();
    EXPECT_EQ(nextWallpapers(2, 3500ms), (std::vector<std::wstring>{a, std::wstring(temp) + L"TapiVEX0.BMP"}));
    PostMessageW(again->waitForMainWindow(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(again->waitForExit());
    EXPECT_FALSE(exists(std::wstring(temp) + L"TapiVEX0.BMP"));
}

TEST_F(UserFlows, AHeaderErrorAfterAConversionLeavesNoCopy) {
    folder.writeList("abc\r\npic.jpg.bmp\r\n");
    const ProgramRun run(folder.exe());
    EXPECT_EQ(answer(run, IDOK), messages::intervalNotNumeric);
    ASSERT_TRUE(run.waitForExit());
    EXPECT_FALSE(exists(converted()));
}

TEST_F(UserFlows, ReloadStartsTheEditedListAtEntryZeroAndEndsWhenTheListIsGone) {
    folder.writeBitmap(L"c.bmp", 0, 200, 0);
    folder.write(L"cache\\TapiVEX150.BMP", "not written by this run");
    const auto run = start();
    menu('N');
    EXPECT_EQ(desktop::waitForWallpaperOtherThan(L"", 3s), converted());
    folder.writeList("600:3\r\nc.bmp\r\npic.jpg.bmp\r\n");
    menu('R');
    menu('N');
    EXPECT_EQ(desktop::waitForWallpaperOtherThan(converted(), 3s), folder.file(L"c.bmp"));

    DeleteFileW(folder.file(L"Tapivex.INI").c_str());
    menu('R');
    EXPECT_EQ(answer(*run, IDOK), messages::cannotStart);
    ASSERT_TRUE(run->waitForExit());
    EXPECT_FALSE(exists(converted()));
    EXPECT_FALSE(exists(cache() + L"\\TapiVEX150.BMP")) << "every number is deleted";
}

// A restarted shell has lost the icon: the program adds it again.
TEST_F(UserFlows, TheIconAnswersAfterTheTaskbarIsCreatedAgain) {
    const auto run = start();
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = run->waitForMainWindow();
    icon.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
    std::this_thread::sleep_for(std::chrono::milliseconds(GetDoubleClickTime() + 100));
    input::click(input::notificationIcon(), true);
    EXPECT_FALSE(input::waitForWindow(L"#32768", L"", 1000ms)) << "the icon was not removed";
    input::key(VK_ESCAPE);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 2000,
                        &ignored);
    menu('N');
    EXPECT_TRUE(desktop::waitForWallpaperOtherThan(L"", 3s));
}

TEST_F(UserFlows, DialogWarningsKeepTheDialogAndTheSettingsFile) {
    const std::string settings = folder.read(L"TapiVEX.CFG");
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    typeOver(input::control(dialog, kText1), L"");
    input::key(VK_RETURN);
    EXPECT_EQ(answer(*run, IDOK), L"時間は整数を入れてください。");
    EXPECT_EQ(input::windowText(input::control(dialog, kText1)), L"600");

    typeOver(input::control(dialog, kTxtPath), cache() + L"\\missing");
    input::key(VK_RETURN);
    EXPECT_EQ(answer(*run, IDOK), L"指定したパスが存在しません。");
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(folder.read(L"TapiVEX.CFG"), settings);
}

TEST_F(UserFlows, ANewFolderIsSavedAndTheListConvertedIntoIt) {
    folder.write(L"new\\keep.txt", "");
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    typeOver(input::control(dialog, kTxtPath), folder.file(L"new") + L"\\");
    input::key(VK_RETURN);
    EXPECT_EQ(answer(*run, IDOK).rfind(L"変換ファイルの保存先が変更されたため", 0), 0u);
    EXPECT_TRUE(waitUntil([&] { return exists(folder.file(L"new\\TapiVEX0.BMP")); }, shortWait));
    EXPECT_FALSE(exists(converted()));
    const std::string settings = folder.read(L"TapiVEX.CFG");
    EXPECT_NE(settings.find("TempPathType=1"), std::string::npos);
    EXPECT_NE(settings.find(shiftJis(L"UserTempPath=" + folder.file(L"new") + L"\r\n")), std::string::npos) << settings;
}

// A settings file that cannot be written is the apply's failure: the choice
// is not lost in silence, and nothing is deleted or reloaded. (A folder of
// the file's name: a read-only file is written all the same by root.)
TEST_F(UserFlows, ASettingsFileThatCannotBeWrittenKeepsEverything) {
    DeleteFileW(folder.file(L"TapiVEX.CFG").c_str());
    folder.write(L"TapiVEX.CFG\\keep.txt", "");
    folder.write(L"new\\keep.txt", "");
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring copy = std::wstring(temp) + L"TapiVEX0.BMP";
    const auto run = start();
    ASSERT_TRUE(exists(copy));
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    for (int attempt = 0; attempt < 3 && !IsWindowEnabled(input::control(dialog, kTxtPath)); ++attempt) {
        input::click(Centre(input::control(dialog, kOpt2)));
        waitUntil([&] { return IsWindowEnabled(input::control(dialog, kTxtPath)) != FALSE; }, 1000ms);
    }
    typeOver(input::control(dialog, kTxtPath), folder.file(L"new"));
    input::key(VK_RETURN);
    EXPECT_EQ(answer(*run, IDOK), L"設定時にエラーが発生しました。");
    EXPECT_TRUE(exists(folder.file(L"TapiVEX.CFG\\keep.txt")));
    EXPECT_TRUE(exists(copy)) << "the old copies were deleted";
    EXPECT_FALSE(exists(folder.file(L"new\\TapiVEX0.BMP"))) << "reloaded into the new folder";
    EXPECT_TRUE(IsWindowVisible(dialog));
    PostMessageW(run->waitForMainWindow(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(run->waitForExit());
}

TEST_F(UserFlows, IntervalZeroChangesAtEveryTickAndCancelRestartsTheRotation) {
    const std::string settings = folder.read(L"TapiVEX.CFG");
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    input::altKey('C');  // ｷｬﾝｾﾙ(&C)
    ASSERT_TRUE(input::waitForWindowGone(dialog));
    EXPECT_EQ(folder.read(L"TapiVEX.CFG"), settings);
    EXPECT_EQ(folder.read(L"Tapivex.INI"), list);

    dialog = openSettings();
    ASSERT_TRUE(dialog);
    typeOver(input::control(dialog, kText1), L"0");
    input::key(VK_RETURN);
    EXPECT_EQ(nextWallpapers(4, 1500ms).size(), 4u) << "a change at every tick of 500 ms";
}

TEST_F(UserFlows, AnsweringNoToEitherLinkKeepsTheAboutWindowOpen) {
    const auto run = start();
    menu('A');
    HWND about = input::waitForWindow(L"#32770", kAboutCaption);
    ASSERT_TRUE(about);
    HWND settings = FindWindowW(L"#32770", kSettingsCaption.c_str());
    EXPECT_TRUE(settings && !IsWindowVisible(settings)) << "the settings dialog is loaded, hidden";

    // Under Wine the first click on the freshly shown window may go to its
    // activation alone; a user clicks again.
    auto clickUntilAsked = [&](HWND label, bool right) {
        for (int attempt = 0; attempt < 3 && !run->findMessageBox(); ++attempt) {
            input::click(Centre(label), right);
            waitUntil([&] { return run->findMessageBox().has_value(); }, 1500ms);
        }
    };
    clickUntilAsked(input::control(about, kLabel2), false);
    EXPECT_EQ(answer(*run, IDNO), L"ホームページを表示しますか？");
    clickUntilAsked(input::control(about, kLabel3), true);  // any button asks
    EXPECT_EQ(answer(*run, IDNO), L"ご意見、ご感想、ご要望何でもお待ちしております。メールを送信しますか？");
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_FALSE(run->findMessageBox());
}

// A message box belongs to the window whose handler shows it: nothing of
// that window can be pressed until the answer, and the window survives it.
TEST_F(UserFlows, AWindowWaitsForTheAnswerToItsOwnMessageBox) {
    const auto run = start();
    menu('A');
    HWND about = input::waitForWindow(L"#32770", kAboutCaption);
    ASSERT_TRUE(about);
    for (int attempt = 0; attempt < 3 && !run->findMessageBox(); ++attempt) {
        input::click(Centre(input::control(about, kLabel2)));
        waitUntil([&] { return run->findMessageBox().has_value(); }, 1500ms);
    }
    ASSERT_TRUE(run->findMessageBox()) << "no question on a click on the home-page link";
    input::click(Centre(input::control(about, kOkButton)));
    std::this_thread::sleep_for(700ms);
    EXPECT_TRUE(IsWindowVisible(about)) << "OK was pressed while the question waited";
    EXPECT_EQ(answer(*run, IDNO), L"ホームページを表示しますか？");
    EXPECT_TRUE(IsWindowVisible(about));

    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    typeOver(input::control(dialog, kText1), L"");
    input::key(VK_RETURN);
    ASSERT_TRUE(run->waitForMessageBox());
    input::click(Centre(input::control(dialog, kCommand2)));
    std::this_thread::sleep_for(2000ms);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Cancel was pressed while the warning waited";
    EXPECT_EQ(answer(*run, IDOK), L"時間は整数を入れてください。");
    EXPECT_TRUE(waitUntil([&] { return input::windowText(input::control(dialog, kText1)) == L"600"; }, shortWait))
        << "the interval in force is not shown again";
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(run->running());
}

// The controls are the only copy of what they show: opening the settings
// again refills them, and an About window that closed is gone, not hidden.
TEST_F(UserFlows, ReopenedWindowsShowTheStateInForceOnce) {
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    typeOver(input::control(dialog, kText1), L"5");
    std::this_thread::sleep_for(std::chrono::milliseconds(GetDoubleClickTime() + 100));
    openSettings();
    EXPECT_EQ(input::windowText(input::control(dialog, kText1)), L"600") << "typed text outlived the reopening";
    EXPECT_EQ(input::countWindows(L"#32770", kSettingsCaption), 1);

    for (int opening = 0; opening < 2; ++opening) {
        menu('A');
        HWND about = input::waitForWindow(L"#32770", kAboutCaption);
        ASSERT_TRUE(about);
        EXPECT_EQ(input::countWindows(L"#32770", kAboutCaption, true), 1);
        waitUntil([&] { return GetForegroundWindow() == about; }, shortWait);
        input::altKey('O');  // OK(&O)
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(about); }, shortWait)) << "OK left the window behind";
        EXPECT_EQ(input::countWindows(L"#32770", kAboutCaption, true), 0);
    }
    EXPECT_TRUE(IsWindowVisible(dialog));
}

// The version of the CMake project is the one the version record carries.
TEST(VersionRecord, NamesTheProgramAndItsVersion) {
    const ProgramFolder folder;
    const std::wstring exe = folder.exe();
    std::vector<BYTE> record(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
    ASSERT_FALSE(record.empty());
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(record.size()), record.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
        return VerQueryValueW(record.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) && value
                   ? std::wstring(value)
                   : std::wstring();
    };
    const std::wstring version = TAPIVEX_PROJECT_VERSION;
    const std::wstring fixedVersion = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                      std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                      std::to_wstring(HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(fixedVersion, version);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(text(L"FileVersion"), version + L".0");
    EXPECT_EQ(text(L"ProductVersion"), version + L".0");
    EXPECT_EQ(text(L"ProductName"), L"タピベックス");
    EXPECT_EQ(text(L"FileDescription"), L"壁紙が一定時間で自動的に変わります");
    EXPECT_EQ(text(L"OriginalFilename"), L"Tapivex.exe");
}

}  // namespace
}  // namespace tapivex::e2e
