// frmMain on the fake system: start-up and reload, the notification icon, its
// pop-up menu and the shutdown; what the list file alone decides is in ConfigTest,
// the rotation's tick in TimerTest.
#include "ProgramFixture.h"
#include "app/Messages.h"
#include "ui/frmOption.h"

namespace tapivex::testing {
namespace {

TEST_F(ProgramTest, ASecondCopyShowsItsMessageAndTouchesNothing) {
    fake.anotherCopyRunning = true;
    fake.writeList("60\r\n\r\n");
    EXPECT_FALSE(load());
    EXPECT_EQ(fake.messages, std::vector<std::wstring>{kMsgAlreadyRunning});
    EXPECT_EQ(fake.messageStyles, std::vector<unsigned>{kWarning});
    EXPECT_EQ(fake.messageOwners, std::vector<std::uintptr_t>{0}) << "the hidden main window owns no box";
    EXPECT_TRUE(fake.deleted.empty());
    EXPECT_EQ(fake.timerInterval, 0u);
}

// No temporary folder, or one too long for the 250-character buffer.
TEST_F(ProgramTest, WithoutAUsableTemporaryFolderTheProgramsFolderIsUsed) {
    fake.folder = L"C:\\";
    fake.writeList("60\r\n\r\n");
    for (const std::wstring& temp : {std::wstring(), L"C:\\" + std::wstring(246, L'x') + L"\\"}) {
        fake.tempPath = temp;
        ASSERT_TRUE(load());
        EXPECT_EQ(globals.ConvertFolder, L"C:\\");
    }
    EXPECT_EQ(globals.SettingsFilePath, L"C:\\TapiVEX.CFG") << "no doubled backslash in a drive's root";
    EXPECT_EQ(fake.windowPosition, std::make_pair(-5000, -5000)) << "the hidden window lies off the screen";
}

TEST_F(ProgramTest, ConvertsJpegAndGifEntriesInOrderIntoTheSettingsFolder) {
    fake.folders.insert(L"D:\\Cache");
    fake.profile[L"Setting/TempPathType"] = L"1";
    fake.profile[L"Setting/UserTempPath"] = L"D:\\Cache";
    for (const wchar_t* name : {L"a.jpg", L"b.bmp", L"c.GIF", L"d.jpe", L"album.jpg\\cover.bmp", L"e.Jpeg"}) {
        fake.addFile(std::wstring(L"C:\\Tools\\") + name);
    }
    int yields = 0;
    fake.onDoEvents = [&] { ++yields; };
    fake.writeList("60:1\r\na.jpg\r\nb.bmp\r\nc.GIF\r\n\r\nd.jpe\r\nalbum.jpg\\cover.bmp\r\ne.Jpeg\r\na.jpg\r\n");
    ASSERT_TRUE(load());
    std::vector<std::wstring> paths;
    for (int i = 0; i < form.EntryCount; ++i) paths.push_back(globals.WallpaperList[i].Path);
    EXPECT_EQ(paths, (std::vector<std::wstring>{L"D:\\Cache\\TapiVEX0.BMP", L"b.bmp", L"D:\\Cache\\TapiVEX1.BMP", L"",
                                                L"d.jpe", L"D:\\Cache\\TapiVEX2.BMP", L"D:\\Cache\\TapiVEX3.BMP",
                                                L"D:\\Cache\\TapiVEX4.BMP"}));
    EXPECT_EQ(yields, 5) << "one yield per converted picture";
}

// A reload asked for while the conversion yields takes the running load's
// place: nothing is written after the yield, and the new load, into the folder
// that the settings file names now, first removes the old folder's copies.
// The settings asked for meanwhile open once it is over, on the list's values.
TEST_F(ProgramTest, AReloadAskedForDuringTheConversionTakesTheLoadsPlace) {
    fake.folders.insert(L"D:\\Cache");
    fake.addFile(L"C:\\Tools\\a.jpg");
    fake.addFile(L"C:\\Tools\\b.jpg");
    fake.writeList("10:1\r\na.jpg\r\nb.jpg\r\n");
    ASSERT_TRUE(load());
    form.CurrentIndex = 1;
    form.NextRequested = -1;
    form.LastAppliedPath = L"C:\\Temp\\TapiVEX0.BMP";  // a refusal after the reload must not bring it back
    globals.ChangeInterval = 99;
    fake.conversions.clear();
    fake.onDoEvents = [&] {
        if (!fake.conversions.empty() || fake.profile.count(L"Setting/UserTempPath")) return;
        fake.profile[L"Setting/TempPathType"] = L"1";
        fake.profile[L"Setting/UserTempPath"] = L"D:\\Cache";
        form.mnRefresh_Click();
        form.mnChange_Click();
    };
    fake.now = 50000;
    form.mnRefresh_Click();
    EXPECT_EQ(fake.conversions, (std::vector<std::wstring>{L"D:\\Cache\\TapiVEX0.BMP", L"D:\\Cache\\TapiVEX1.BMP"}));
    EXPECT_FALSE(fake.fileExists(L"C:\\Temp\\TapiVEX1.BMP"));
    EXPECT_EQ(std::make_tuple(form.CurrentIndex, form.NextRequested, form.LastAppliedPath, form.LastChangeTick),
              std::make_tuple(std::int16_t{0}, std::int16_t{0}, std::wstring(), 50000));
    FakeFormWindow& dialog = fake.newestWindow(L"オプション設定");
    EXPECT_EQ(dialog[frmOption::Text1].text, L"10");
    EXPECT_EQ(dialog[frmOption::Combo1].selectedIndex, 1);
}

class TrayTest : public ProgramTest {
protected:
    void SetUp() override {
        fake.addFile(L"C:\\Tools\\a.bmp");
        fake.writeList("600\r\na.bmp\r\n");
        ASSERT_TRUE(load());
    }
};

// Every add sends the same record, filled at the first; a removal sends it too.
TEST_F(TrayTest, TheIconIsAddedAtEachLoadAndTaskbarStartAndRemovedLast) {
    form.mnRefresh_Click();
    form.TaskbarCreated();
    std::size_t iconCallsAtFirstDelete = 0;
    fake.observe = [&](const std::string& what, const std::wstring&) {
        if (what == "delete" && fake.deleted.size() == 1) iconCallsAtFirstDelete = fake.iconCalls.size();
    };
    EXPECT_THROW(form.mnClose_Click(), ProgramEnd);
    EXPECT_EQ(iconCallsAtFirstDelete, 3u) << "the icon goes after the images";
    ASSERT_EQ(fake.iconCalls.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const NotifyIconRecord& r = fake.iconCalls[i].second;
        EXPECT_EQ(fake.iconCalls[i].first, i < 3 ? 0u : 2u);
        EXPECT_EQ(std::make_tuple(r.cbSize, r.hWnd, r.uID, r.uFlags, r.uCallbackMessage, r.hIcon),
                  std::make_tuple(88u, 0x1234u, 1u, 7u, 512u, 0x5678u));
    }
}

TEST_F(TrayTest, RightButtonPopsUpTheMenuAndRunsTheChosenItem) {
    form.Form_MouseMove(513);
    form.Form_MouseMove(514);
    EXPECT_TRUE(fake.menuCaptions.empty()) << "only the right button's press";
    // Next, dismissed, a separator, beyond the last item.
    const std::pair<int, std::int16_t> choices[] = {{2, -1}, {-1, 0}, {3, 0}, {7, 0}};
    for (const auto& [choice, next] : choices) {
        form.NextRequested = 0;
        fake.menuChoice = choice;
        form.Form_MouseMove(0x10000 | 516);  // only the low word counts
        EXPECT_EQ(form.NextRequested, next) << choice;
    }
    fake.menuChoice = 0;  // reload: the timer stops while the load converts
    fake.addFile(L"C:\\Tools\\b.jpg");
    fake.writeList("600\r\nb.jpg\r\n");
    std::vector<unsigned> intervals;
    fake.onDoEvents = [&] { intervals.push_back(fake.timerInterval); };
    form.Form_MouseMove(516);
    EXPECT_EQ(intervals, std::vector<unsigned>{0u});
    EXPECT_EQ(fake.timerInterval, 500u);
    fake.windowsFail = true;
    EXPECT_THROW(form.Form_MouseMove(515), RuntimeFailure);
    EXPECT_EQ(fake.timerInterval, 500u) << "no dialog: the rotation goes on";
    fake.windowsFail = false;
    fake.menuChoice = 1;
    form.Form_MouseMove(516);
    EXPECT_EQ(fake.windows.size(), 1u) << "the settings dialog";
    fake.menuChoice = 6;
    EXPECT_THROW(form.Form_MouseMove(516), ProgramEnd);
}

// No conversion folder is known yet: bare names would delete the user's files.
TEST(TrayBeforeLoad, NoIconBeforeTheFirstLoadAndAShutdownSendsTheAllZeroRecordAndDeletesNothing) {
    Program p;
    p.form.TaskbarCreated();
    EXPECT_TRUE(p.fake.iconCalls.empty());
    EXPECT_THROW(p.form.Form_QueryUnload(), ProgramEnd);
    EXPECT_TRUE(p.fake.deleted.empty());
    ASSERT_EQ(p.fake.iconCalls.size(), 1u);
    EXPECT_EQ(p.fake.iconCalls[0].second.cbSize, 0u);
}

}  // namespace
}  // namespace tapivex::testing
