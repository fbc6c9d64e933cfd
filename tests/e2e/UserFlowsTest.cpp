// The settings dialog's outcomes, its folder picker, start-up
// where the real system has a say in the answer (a missing list file, line ends, a
// number read through the locale, a damaged picture; each message followed by the
// program's end), as a user meets them.
#include <set>

#include "Harness.h"

namespace tapivex::e2e {
namespace {

using UserFlows = TrayAndWindows;

// Typed letters never reach the interval (nor a character beyond 0x7FFF, which
// arrives as a negative 16-bit key); Enter applies once (no warning from a second
// apply) and 0 changes the wallpaper at every tick, the two entries in turn, for
// 40 changes with the program's handles, GDI and USER objects and private bytes flat.
TEST_F(UserFlows, ATypedIntervalOfZeroChangesAtEveryTick) {
    const auto run = start();
    HWND dialog = openSettings();
    typeOver(control(dialog, frmOption::Text1), L"aｷ0x");
    EXPECT_EQ(windowText(control(dialog, frmOption::Text1)), L"0") << "only digits and backspace reach the field";
    input::key(VK_RETURN);
    EXPECT_TRUE(waitForWindowGone(dialog));
    ASSERT_EQ(desktop::nextWallpapers(5, 1500ms).size(), 5u) << "a change at every tick of 500 ms";
    EXPECT_FALSE(run->messageBox());
    const auto sample = [&] {
        const auto [handles, privateBytes] = testing::Holdings(run->handle());
        return std::vector<std::size_t>{handles, GetGuiResources(run->handle(), GR_GDIOBJECTS),
                                        GetGuiResources(run->handle(), GR_USEROBJECTS), privateBytes};
    };
    const char* const names[] = {"handles", "GDI objects", "USER objects", "private bytes"};
    const auto before = sample();
    const auto seen = desktop::nextWallpapers(40, 3s);
    const auto after = sample();
    ASSERT_EQ(seen.size(), 40u) << "a change took longer than 3 s";
    EXPECT_EQ(std::set<std::wstring>(seen.begin(), seen.end()).size(), 2u) << "the two entries alternate";
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_LE(after[i], before[i] + (i < 3 ? 10 : 2 << 20)) << names[i] << " grew from " << before[i];
    }
}

// A settings file that cannot be written is the apply's failure: the choice is
// not lost in silence, and nothing is deleted or reloaded. (A folder of the
// file's name: a read-only file is written all the same by root.) Once it can be
// written, the new folder is saved without its trailing backslash, the old copies
// are deleted and the list is converted into it.
TEST_F(UserFlows, ANewFolderIsSavedOnlyWhenTheSettingsFileCanBeWritten) {
    DeleteFileW(folder.file(L"TapiVEX.CFG").c_str());
    folder.write(L"TapiVEX.CFG\\keep.txt", "");
    folder.write(L"new\\keep.txt", "");
    const std::wstring copy = tempFolder() + L"TapiVEX0.BMP", newCopy = folder.file(L"new\\TapiVEX0.BMP");
    const auto run = start();
    ASSERT_TRUE(exists(copy));
    HWND dialog = openSettings();
    HWND path = control(dialog, frmOption::txtPath);
    clickUntil(control(dialog, frmOption::Opt2), [&] { return IsWindowEnabled(path) != FALSE; });
    typeOver(path, folder.file(L"new") + L"\\");
    input::key(VK_RETURN);
    EXPECT_EQ(run->answer(), L"設定時にエラーが発生しました。");
    EXPECT_TRUE(exists(copy)) << "the old copies were deleted";
    EXPECT_FALSE(exists(newCopy)) << "reloaded into the new folder";
    ASSERT_TRUE(IsWindowVisible(dialog));

    std::filesystem::remove_all(folder.file(L"TapiVEX.CFG"));
    typeOver(path, folder.file(L"new") + L"\\");
    input::key(VK_RETURN);
    EXPECT_EQ(run->answer().rfind(L"変換ファイルの保存先が変更されたため、設定を再読込みします。", 0), 0u);
    EXPECT_TRUE(waitUntil([&] { return exists(newCopy); }));
    EXPECT_FALSE(exists(copy));
    const std::string settings = folder.read(L"TapiVEX.CFG");
    EXPECT_NE(settings.find("TempPathType=1"), std::string::npos);
    EXPECT_NE(settings.find(shiftJis(L"UserTempPath=" + folder.file(L"new") + L"\r\n")), std::string::npos) << settings;
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
    HWND path = control(dialog, frmOption::txtPath);
    const std::wstring other = folder.file(L"other\\new");
    SetWindowTextW(path, (other + L"\\").c_str());
    std::this_thread::sleep_until(made + 2500ms);
    auto usePicker = [&](WORD key) {
        input::altKey('B');  // 参照(&B)
        if (!waitUntil([&] { return GetForegroundWindow() != dialog && GetForegroundWindow() != nullptr; })) {
            return false;
        }
        HWND picker = GetForegroundWindow();
        pause(500ms);
        input::key(key);
        return waitForWindowGone(picker);
    };
    ASSERT_TRUE(usePicker(VK_RETURN));
    EXPECT_EQ(windowText(path), other) << "the first opening did not select the field's folder";
    SetWindowTextW(path, L"");
    ASSERT_TRUE(usePicker(VK_ESCAPE));
    EXPECT_EQ(windowText(path), L"") << "cancel changed the field";
}

// Each message, then the end once OK is pressed: a second message would keep the
// program running. The copies made before the end are deleted: a damaged picture
// ends the load after two, a header error after the one entry's.
TEST(Startup, EachMessageEndsTheProgramAfterOkAndLeavesNoCopy) {
    const std::tuple<const char*, std::wstring, const char*> cases[] = {
        {nullptr, messages::cannotStart, nullptr},  // no Tapivex.INI at all
        {"60:3\r\ngood.jpg\r\ngood.gif\r\ncut.jpg\r\n", messages::cannotStart, nullptr},
        // Entry lines ending in a line feed alone run into the header line.
        {"60:2\ngood.jpg\n", L"書式にエラーがあります。1行目の壁紙表示サイズは数字で書いてください。", nullptr},
        // Beyond a double: the locale-aware conversion overflows.
        {"1e400:0\r\ngood.jpg\r\n", messages::intervalNotNumeric, nullptr},
        {"2:2\r\n", L"壁紙の指定がありません", nullptr},
        // TempPathType beyond 16 bits fails before the conversion folder is known: a file
        // of the user's named like a copy, in the folder the program was started from, stays.
        {"5:1\r\ngood.jpg\r\n", messages::cannotStart, "[Setting]\r\nTempPathType=70000\r\n"},
    };
    const std::wstring usersFile = tempFolder() + L"TapiVEX0.bmp";
    for (const auto& [list, message, settings] : cases) {
        SCOPED_TRACE(list ? list : "no list file");
        const ProgramFolder folder;
        folder.write(L"good.jpg", testing::jpeg(64, 48));
        folder.write(L"good.gif", testing::stillGif);
        folder.write(L"cut.jpg", testing::jpeg(64, 48).substr(0, 120));
        if (list) folder.writeList(list);
        if (settings) {
            folder.write(L"TapiVEX.CFG", settings);
            std::ofstream(std::filesystem::path(usersFile)) << "the user's";
        }
        const ProgramRun run(folder.exe());
        EXPECT_EQ(run.answer(IDOK, 15s), message);
        EXPECT_TRUE(run.endsWithoutACrash()) << "a crash, or still running after OK";
        EXPECT_EQ(exists(usersFile), settings != nullptr);
        EXPECT_FALSE(exists(tempFolder() + L"TapiVEX1.BMP"));
        DeleteFileW(usersFile.c_str());
    }
}

}  // namespace
}  // namespace tapivex::e2e
