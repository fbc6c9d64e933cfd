// Start-up and reload of frmMain on the fake system.
#include "ProgramFixture.h"
#include "app/Messages.h"

namespace tapivex::testing {
namespace {

struct HeaderCase {
    const char* header;
    std::int32_t interval;   // in force after the load
    std::int16_t style;
    const wchar_t* message;  // nullptr when the load goes through
};

class HeaderLineTest : public ProgramTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(HeaderLineTest, GivesTheIntervalAndStyleOrTheMessage) {
    const HeaderCase& c = GetParam();
    fake.addFile(L"C:\\Tools\\a.bmp");
    fake.writeList(std::string(c.header) + "\r\na.bmp\r\n");
    const bool running = load();
    if (c.message) {
        EXPECT_FALSE(running);
        EXPECT_EQ(onlyMessage(), c.message);
        EXPECT_EQ(fake.deleted.size(), 202u) << "the unload deletes the converted images";
        return;
    }
    ASSERT_TRUE(running);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(globals.ChangeInterval, c.interval);
    EXPECT_EQ(globals.DisplayStyle, c.style);
}

INSTANTIATE_TEST_SUITE_P(WorkedHeaders, HeaderLineTest, ::testing::Values(
    HeaderCase{"600:2", 600, 2, nullptr},
    HeaderCase{"60", 60, 3, nullptr},
    HeaderCase{"30:1:abc", 30, 1, nullptr},
    HeaderCase{"45.7:0", 45, 0, nullptr},
    HeaderCase{"60:2.9", 60, 2, nullptr},
    HeaderCase{" 60 : 2 ", 60, 2, nullptr},
    HeaderCase{"0:1", 1, 1, nullptr},
    HeaderCase{"-10:2", 1, 2, nullptr},
    HeaderCase{"60:5", 60, 3, nullptr},
    HeaderCase{"60:-1", 60, 3, nullptr},
    HeaderCase{"60:", 0, 0, kMsgStyleNotNumeric},
    HeaderCase{"30::2", 0, 0, kMsgStyleNotNumeric},
    HeaderCase{":2", 0, 0, kMsgIntervalNotNumeric},
    HeaderCase{"", 0, 0, kMsgIntervalNotNumeric},
    HeaderCase{"abc:xyz", 0, 0, kMsgIntervalNotNumeric},
    HeaderCase{"1e400:0", 0, 0, kMsgIntervalNotNumeric},  // beyond a double: no number at all
    HeaderCase{"60:-1e999", 0, 0, kMsgStyleNotNumeric},
    HeaderCase{"60:32768", 0, 0, kMsgStartupFailure},
    HeaderCase{"2147483648:1", 0, 0, kMsgStartupFailure},
    HeaderCase{"2147483647.9:1", 2147483647, 1, nullptr}));

TEST_F(ProgramTest, ASecondCopyShowsItsMessageAndTouchesNothing) {
    fake.anotherCopyRunning = true;
    fake.writeList("60\r\n\r\n");
    EXPECT_FALSE(load());
    EXPECT_EQ(onlyMessage(), kMsgAlreadyRunning);
    EXPECT_EQ(fake.messageStyles[0], 48u);
    EXPECT_TRUE(fake.deleted.empty());
    EXPECT_EQ(fake.timerInterval, 0u);
}

TEST_F(ProgramTest, AListWithNothingToShowEndsWithoutDeletingAnything) {
    fake.writeList("60:2\r\n");
    EXPECT_FALSE(load());
    EXPECT_EQ(onlyMessage(), kMsgNothingToShow);
    EXPECT_TRUE(fake.deleted.empty());
}

TEST_F(ProgramTest, AListOfOnlyMissingPathsRunsWithNoEntry) {
    fake.writeList("60:2\r\nD:\\gone.bmp\r\n");
    EXPECT_TRUE(load());
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(form.EntryCount, 0);
    EXPECT_EQ(form.UnreadableCount, 1);
}

TEST_F(ProgramTest, AMissingListFileIsTheStartupFailure) {
    EXPECT_FALSE(load());
    EXPECT_EQ(onlyMessage(), kMsgStartupFailure);
    EXPECT_EQ(fake.deleted.front(), L"C:\\Temp\\TapiVEX0.bmp");
    EXPECT_EQ(fake.deleted.back(), L"C:\\Temp\\TapiVEX201.bmp");
}

TEST_F(ProgramTest, StartsTheTimerHidesTheWindowAndMakesTheProgramFolderCurrent) {
    fake.now = 123456;
    fake.writeList("60\r\n\r\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(fake.timerInterval, 500u);
    EXPECT_EQ(fake.windowPosition, std::make_pair(-5000, -5000));
    EXPECT_EQ(fake.currentDirectory, L"C:\\Tools");
    EXPECT_EQ(form.LastChangeTick, 123456);
    EXPECT_TRUE(fake.wallpaperCalls.empty()) << "start-up applies no wallpaper";
}

TEST_F(ProgramTest, TemporaryFolderFallsBackToTheProgramFolder) {
    fake.tempPath.reset();
    fake.folder = L"C:\\";
    fake.writeList("60\r\n\r\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(form.WindowsTempPath, L"C:\\");
    EXPECT_EQ(globals.ConvertFolder, L"C:\\");
    EXPECT_EQ(globals.SettingsFilePath, L"C:\\TapiVEX.CFG") << "no doubled backslash in a drive's root";
}

TEST_F(ProgramTest, ConvertsJpegAndGifEntriesInOrderBeforeTheHeaderIsRead) {
    for (const wchar_t* name : {L"a.jpg", L"b.bmp", L"c.GIF", L"d.jpe", L"album.jpg\\cover.bmp", L"e.Jpeg"}) {
        fake.addFile(std::wstring(L"C:\\Tools\\") + name);
    }
    fake.writeList("60:1\r\na.jpg\r\nb.bmp\r\nc.GIF\r\n\r\nd.jpe\r\nalbum.jpg\\cover.bmp\r\ne.Jpeg\r\na.jpg\r\n");
    ASSERT_TRUE(load());
    std::vector<std::wstring> paths;
    for (int i = 0; i < form.EntryCount; ++i) paths.push_back(globals.WallpaperList[i].Path);
    EXPECT_EQ(paths, (std::vector<std::wstring>{L"C:\\Temp\\TapiVEX0.BMP", L"b.bmp", L"C:\\Temp\\TapiVEX1.BMP", L"",
                                                L"d.jpe", L"C:\\Temp\\TapiVEX2.BMP", L"C:\\Temp\\TapiVEX3.BMP",
                                                L"C:\\Temp\\TapiVEX4.BMP"}));
    EXPECT_EQ(form.ConvertedCount, 5);
    EXPECT_EQ(fake.doEventsCalls, 5) << "one yield per converted picture";
}

TEST_F(ProgramTest, ADamagedPictureEndsStartupAfterTheCopiesSoFar) {
    for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"bad.jpg"}) fake.addFile(std::wstring(L"C:\\Tools\\") + name);
    fake.unreadablePictures.insert(L"bad.jpg");
    fake.writeList("60\r\na.jpg\r\nb.jpg\r\nbad.jpg\r\n");
    EXPECT_FALSE(load());
    EXPECT_EQ(fake.conversions.size(), 2u);
    EXPECT_EQ(onlyMessage(), kMsgStartupFailure);
    EXPECT_FALSE(fake.fileExists(L"C:\\Temp\\TapiVEX0.BMP")) << "the unload deleted the copies";
    EXPECT_FALSE(fake.fileExists(L"C:\\Temp\\TapiVEX1.BMP"));
}

TEST_F(ProgramTest, AHeaderErrorComesAfterTheConversionAndTheEndDeletesTheCopies) {
    fake.addFile(L"C:\\Tools\\a.jpg");
    fake.writeList("abc\r\na.jpg\r\n");
    EXPECT_FALSE(load());
    EXPECT_EQ(fake.conversions.size(), 1u);
    EXPECT_FALSE(fake.fileExists(L"C:\\Temp\\TapiVEX0.BMP"));
}

TEST_F(ProgramTest, AReloadStartsAfreshAndALoadNeverRunsInsideAnother) {
    fake.addFile(L"C:\\Tools\\a.jpg");
    fake.addFile(L"C:\\Tools\\b.bmp");
    fake.writeList("10:1\r\na.jpg\r\nb.bmp\r\n");
    ASSERT_TRUE(load());
    form.CurrentIndex = 1;
    form.NextRequested = -1;
    globals.ChangeInterval = 99;

    // A reload asked for while the conversion yields waits for the running
    // load to end, and a tick in that window leaves the half-built list alone.
    int yields = 0;
    fake.onDoEvents = [&] {
        if (++yields == 1) form.mnRefresh_Click();
        form.Timer1_Timer();
        EXPECT_EQ(fake.conversions.size(), static_cast<std::size_t>(yields)) << "no load inside another";
    };
    fake.now = 50000;
    form.mnRefresh_Click();
    EXPECT_EQ(yields, 2) << "the reload asked for during the load ran after it";
    EXPECT_EQ(form.CurrentIndex, 0);
    EXPECT_EQ(form.NextRequested, 0);
    EXPECT_EQ(globals.ChangeInterval, 10);
    EXPECT_EQ(form.LastChangeTick, 50000);
    EXPECT_EQ(fake.timerInterval, 500u);
    EXPECT_TRUE(fake.wallpaperCalls.empty());
    EXPECT_EQ(globals.WallpaperList[0].Path, L"C:\\Temp\\TapiVEX0.BMP");
}

TEST_F(ProgramTest, ConversionFolderComesFromTheSettingsFile) {
    fake.folders.insert(L"D:\\Cache");
    fake.profile[L"Setting/TempPathType"] = L"1";
    fake.profile[L"Setting/UserTempPath"] = L"D:\\Cache";
    fake.addFile(L"C:\\Tools\\a.gif");
    fake.writeList("60\r\na.gif\r\n");
    ASSERT_TRUE(load());
    EXPECT_EQ(globals.ConvertFolder, L"D:\\Cache\\");
    EXPECT_EQ(globals.WallpaperList[0].Path, L"D:\\Cache\\TapiVEX0.BMP");
}

}  // namespace
}  // namespace tapivex::testing
