// Start-up and reload of frmMain on the fake system; what the list file alone
// decides is in WallpaperListFileTest.
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

TEST_F(ProgramTest, StartsTheTimerHidesTheWindowAndAppliesNothingYet) {
    fake.now = 123456;
    fake.writeList("60\r\n\r\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(fake.timerInterval, 500u);
    EXPECT_EQ(fake.windowPosition, std::make_pair(-5000, -5000));
    EXPECT_EQ(fake.currentDirectory, L"C:\\Tools");
    EXPECT_EQ(form.LastChangeTick, 123456);
    EXPECT_TRUE(fake.wallpaperCalls.empty());
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

// The conversion runs before the header is read; an end after it deletes the copies.
TEST_F(ProgramTest, ADamagedPictureAnUnwritableCopyOrAHeaderErrorEndsAfterTheCopiesAndDeletesThem) {
    const std::pair<const char*, const wchar_t*> failures[] = {
        {"60", L"bad.jpg"}, {"60", L"C:\\Temp\\TapiVEX2.BMP"}, {"abc", L""}};
    for (const auto& [header, failing] : failures) {
        Program p;
        for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"bad.jpg"}) p.fake.addFile(L"C:\\Tools\\" + std::wstring(name));
        p.fake.unreadablePictures.insert(failing);  // a picture that cannot be read,
        p.fake.unwritableBitmaps.insert(failing);   // or a copy that cannot be written
        p.fake.writeList(std::string(header) + "\r\na.jpg\r\nb.jpg\r\nbad.jpg\r\n");
        EXPECT_FALSE(p.load());
        EXPECT_EQ(p.fake.conversions.size(), header[0] == '6' ? 2u : 3u);
        EXPECT_EQ(p.fake.messages, std::vector<std::wstring>{header[0] == '6' ? kMsgStartupFailure
                                                                               : kMsgIntervalNotNumeric});
        EXPECT_FALSE(p.fake.fileExists(L"C:\\Temp\\TapiVEX0.BMP"));
        EXPECT_FALSE(p.fake.fileExists(L"C:\\Temp\\TapiVEX1.BMP"));
    }
}

TEST_F(ProgramTest, AReloadStartsAfreshAndALoadNeverRunsInsideAnother) {
    fake.addFile(L"C:\\Tools\\a.jpg");
    fake.addFile(L"C:\\Tools\\b.bmp");
    fake.writeList("10:1\r\na.jpg\r\nb.bmp\r\n");
    ASSERT_TRUE(load());
    form.CurrentIndex = 1;
    form.NextRequested = -1;
    form.LastAppliedPath = L"C:\\Temp\\TapiVEX0.BMP";  // a refusal after the reload must not bring it back
    globals.ChangeInterval = 99;

    // A reload or the settings asked for while the conversion yields wait for
    // the running load to end, and a tick in that window leaves the half-built list alone.
    int yields = 0;
    fake.onDoEvents = [&] {
        if (++yields == 1) form.mnRefresh_Click();
        if (yields == 1) form.mnChange_Click();
        form.Timer1_Timer();
        EXPECT_EQ(fake.conversions.size(), static_cast<std::size_t>(yields)) << "no load inside another";
    };
    fake.now = 50000;
    form.mnRefresh_Click();
    EXPECT_EQ(yields, 2) << "the reload asked for during the load ran after it";
    EXPECT_EQ(form.CurrentIndex, 0);
    EXPECT_EQ(form.NextRequested, 0);
    EXPECT_EQ(form.LastAppliedPath, L"");
    EXPECT_EQ(globals.ChangeInterval, 10);
    EXPECT_EQ(form.LastChangeTick, 50000);
    EXPECT_TRUE(fake.wallpaperCalls.empty());
    FakeFormWindow& dialog = fake.newestWindow(L"オプション設定");
    EXPECT_EQ(dialog[frmOption::Text1].text, L"10") << "the settings opened once the load was over";
    EXPECT_EQ(dialog[frmOption::Combo1].selectedIndex, 1);
    EXPECT_EQ(globals.WallpaperList[0].Path, L"C:\\Temp\\TapiVEX0.BMP");
}

}  // namespace
}  // namespace tapivex::testing
