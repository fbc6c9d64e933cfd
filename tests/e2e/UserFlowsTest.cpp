// The settings dialog's outcomes, its folder picker, the About window, and the
// version record of the built program, as a user meets them.
#include <windows.h>

#include <thread>
#include <vector>

#include "Harness.h"

namespace tapivex::e2e {
namespace {

using UserFlows = TrayAndWindows;

// Cancel writes nothing; typed letters never reach the interval; Enter applies
// once (no warning from a second apply) and 0 changes the wallpaper at every tick.
TEST_F(UserFlows, CancelKeepsTheFilesAndATypedIntervalOfZeroChangesAtEveryTick) {
    const std::string settings = folder.read(L"TapiVEX.CFG");
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    input::altKey('C');  // ｷｬﾝｾﾙ(&C)
    ASSERT_TRUE(waitForWindowGone(dialog));
    EXPECT_EQ(folder.read(L"TapiVEX.CFG"), settings);
    EXPECT_EQ(folder.read(L"Tapivex.INI"), list);

    dialog = openSettings();
    ASSERT_TRUE(dialog);
    typeOver(control(dialog, kText1), L"a0x");
    EXPECT_EQ(windowText(control(dialog, kText1)), L"0") << "only digits and backspace reach the field";
    input::key(VK_RETURN);
    EXPECT_TRUE(waitForWindowGone(dialog));
    EXPECT_EQ(desktop::nextWallpapers(4, 1500ms).size(), 4u) << "a change at every tick of 500 ms";
    EXPECT_FALSE(run->messageBox());
}

// A message box belongs to the window whose handler shows it: nothing of that
// window can be pressed until the answer, and the window survives it. The
// dialog's warnings keep it open and the settings file as it was.
TEST_F(UserFlows, AWindowWaitsForTheAnswerToItsOwnMessageBox) {
    const std::string settings = folder.read(L"TapiVEX.CFG");
    const auto run = start();
    ASSERT_TRUE(openMenu('A'));
    HWND about = waitForWindow(L"#32770", messages::aboutCaption);
    ASSERT_TRUE(about);
    // Under Wine the first click on the freshly shown window may go to its activation alone.
    ASSERT_TRUE(clickUntil(control(about, kHomePageLabel), [&] { return run->messageBox() != nullptr; }))
        << "no question on a click on the home-page link";
    input::click(input::centre(control(about, kOkButton)));
    std::this_thread::sleep_for(700ms);
    EXPECT_TRUE(IsWindowVisible(about)) << "OK was pressed while the question waited";
    EXPECT_EQ(run->answer(IDNO), L"ホームページを表示しますか？");
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(IsWindowVisible(about)) << "No closed the About window";

    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    typeOver(control(dialog, kText1), L"");
    input::key(VK_RETURN);
    ASSERT_TRUE(run->waitForMessageBox());
    input::click(input::centre(control(dialog, kCommand2)));
    std::this_thread::sleep_for(2000ms);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "Cancel was pressed while the warning waited";
    EXPECT_EQ(run->answer(), messages::intervalNotInteger);
    EXPECT_TRUE(waitUntil([&] { return windowText(control(dialog, kText1)) == L"600"; }))
        << "the interval in force is not shown again";

    typeOver(control(dialog, kTxtPath), cache() + L"\\missing");
    input::key(VK_RETURN);
    EXPECT_EQ(run->answer(), L"指定したパスが存在しません。");
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(folder.read(L"TapiVEX.CFG"), settings);
    EXPECT_TRUE(run->running());
}

// The controls are the only copy of what they show: opening the settings again
// refills them. The About window shows the build's version, comes forward when
// opened again, and once closed with OK is gone, not hidden.
TEST_F(UserFlows, ReopenedWindowsShowTheStateInForceOnce) {
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    typeOver(control(dialog, kText1), L"5");
    openSettings();
    EXPECT_EQ(windowText(control(dialog, kText1)), L"600") << "typed text outlived the reopening";
    EXPECT_EQ(countWindows(L"#32770", messages::settingsCaption), 1);

    for (int opening = 0; opening < 2; ++opening) {
        ASSERT_TRUE(openMenu('A'));
        HWND about = waitForWindow(L"#32770", messages::aboutCaption);
        ASSERT_TRUE(about);
        EXPECT_EQ(windowText(control(about, kTitleLabel)), messages::title);
        EXPECT_EQ(windowText(control(about, kVersionLabel)), L"Version " TAPIVEX_PROJECT_VERSION)
            << "the label and the CMake project disagree";
        ASSERT_TRUE(openMenu('A'));
        std::this_thread::sleep_for(500ms);
        EXPECT_EQ(waitForWindow(L"#32770", messages::aboutCaption, 0ms), about) << "the open window came forward";
        EXPECT_EQ(countWindows(L"#32770", messages::aboutCaption, true), 1);
        waitUntil([&] { return GetForegroundWindow() == about; });
        input::altKey('O');  // OK(&O)
        EXPECT_TRUE(waitUntil([&] { return !IsWindow(about); })) << "OK left the window behind";
        EXPECT_EQ(countWindows(L"#32770", messages::aboutCaption, true), 0);
    }
    EXPECT_TRUE(IsWindowVisible(dialog));
}

// A new folder is saved; the old copies are deleted and the list converted into it.
TEST_F(UserFlows, ANewFolderIsSavedAndTheListConvertedIntoIt) {
    folder.write(L"new\\keep.txt", "");
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    typeOver(control(dialog, kTxtPath), folder.file(L"new") + L"\\");
    input::key(VK_RETURN);
    EXPECT_EQ(run->answer().rfind(messages::reloading, 0), 0u);
    EXPECT_TRUE(waitUntil([&] { return exists(folder.file(L"new\\TapiVEX0.BMP")); }));
    EXPECT_FALSE(exists(converted()));
    const std::string settings = folder.read(L"TapiVEX.CFG");
    EXPECT_NE(settings.find("TempPathType=1"), std::string::npos);
    EXPECT_NE(settings.find(shiftJis(L"UserTempPath=" + folder.file(L"new") + L"\r\n")), std::string::npos) << settings;
}

// A settings file that cannot be written is the apply's failure: the choice is
// not lost in silence, and nothing is deleted or reloaded. (A folder of the
// file's name: a read-only file is written all the same by root.)
TEST_F(UserFlows, ASettingsFileThatCannotBeWrittenKeepsEverything) {
    DeleteFileW(folder.file(L"TapiVEX.CFG").c_str());
    folder.write(L"TapiVEX.CFG\\keep.txt", "");
    folder.write(L"new\\keep.txt", "");
    const std::wstring copy = tempFolder() + L"TapiVEX0.BMP";
    const auto run = start();
    ASSERT_TRUE(exists(copy));
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    clickUntil(control(dialog, kOpt2), [&] { return IsWindowEnabled(control(dialog, kTxtPath)) != FALSE; });
    typeOver(control(dialog, kTxtPath), folder.file(L"new"));
    input::key(VK_RETURN);
    EXPECT_EQ(run->answer(), L"設定時にエラーが発生しました。");
    EXPECT_TRUE(exists(folder.file(L"TapiVEX.CFG\\keep.txt")));
    EXPECT_TRUE(exists(copy)) << "the old copies were deleted";
    EXPECT_FALSE(exists(folder.file(L"new\\TapiVEX0.BMP"))) << "reloaded into the new folder";
    EXPECT_TRUE(IsWindowVisible(dialog));
    ASSERT_TRUE(run->close());
}

// The picker opens on the field's folder, the first time in the program's run
// too: confirming it at once gives that folder back, without a trailing
// backslash; cancel changes nothing. The folder is new, and its parent has not
// been read since: Wine's first look-up of such a path used to miss (it compares
// the folders' access times, which its reading moves on, in steps of two seconds).
TEST_F(UserFlows, TheBrowseButtonPicksAFolder) {
    folder.write(L"other\\new\\keep.txt", "");
    const auto made = std::chrono::steady_clock::now();
    const auto run = start();
    HWND dialog = openSettings();
    ASSERT_TRUE(dialog);
    HWND path = control(dialog, kTxtPath);
    const std::wstring other = folder.file(L"other\\new");
    SetWindowTextW(path, (other + L"\\").c_str());
    std::this_thread::sleep_until(made + 2500ms);
    auto usePicker = [&](WORD key) {
        input::altKey('B');  // 参照(&B)
        if (!waitUntil([&] { return GetForegroundWindow() != dialog && GetForegroundWindow() != nullptr; })) {
            return false;
        }
        HWND picker = GetForegroundWindow();
        std::this_thread::sleep_for(500ms);
        input::key(key);
        return waitForWindowGone(picker);
    };
    ASSERT_TRUE(usePicker(VK_RETURN));
    EXPECT_EQ(windowText(path), other) << "the first opening did not select the field's folder";
    SetWindowTextW(path, L"");
    ASSERT_TRUE(usePicker(VK_ESCAPE));
    EXPECT_EQ(windowText(path), L"") << "cancel changed the field";
}

// The version of the CMake project is the one the version record carries.
TEST(VersionRecord, NamesTheProgramAndItsVersion) {
    const ProgramFolder folder;
    const std::wstring exe = folder.exe();
    std::vector<BYTE> record(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
    ASSERT_FALSE(record.empty());
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(record.size()), record.data()));
    auto query = [&](const std::wstring& name) {
        void* value = nullptr;
        UINT length = 0;
        return VerQueryValueW(record.data(), name.c_str(), &value, &length) ? value : nullptr;
    };
    auto text = [&](const wchar_t* name) {
        const auto* value = static_cast<const wchar_t*>(query(std::wstring(L"\\StringFileInfo\\041104B0\\") + name));
        return value ? std::wstring(value) : std::wstring();
    };
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query(L"\\"));
    ASSERT_TRUE(fixed);
    const std::wstring version = TAPIVEX_PROJECT_VERSION;
    wchar_t fixedVersion[32] = {};
    swprintf(fixedVersion, 32, L"%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
             HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(fixedVersion, version);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(text(L"FileVersion"), version + L".0");
    EXPECT_EQ(text(L"ProductVersion"), version + L".0");
    EXPECT_EQ(text(L"ProductName"), messages::title);
    EXPECT_EQ(text(L"FileDescription"), L"壁紙が一定時間で自動的に変わります");
    EXPECT_EQ(text(L"OriginalFilename"), L"Tapivex.exe");
}

}  // namespace
}  // namespace tapivex::e2e
