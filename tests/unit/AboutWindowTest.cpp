// The About window: what it shows, the link highlight and the two links.
#include "ProgramFixture.h"
#include "app/Messages.h"
#include "app/Version.h"
#include "ui/frmOption.h"
#include "ui/frmVersion.h"

namespace tapivex::testing {
namespace {

class AboutWindowTest : public ProgramTest {
protected:
    void SetUp() override {
        fake.addFile(L"C:\\Tools\\a.bmp");
        fake.writeList("600\r\na.bmp\r\n");
        ASSERT_TRUE(load());
    }
    FakeFormWindow& openAbout() {
        form.mnAbout_Click();
        return fake.newestWindow(L"ﾊﾞｰｼﾞｮﾝ情報");
    }
    std::pair<bool, bool> bold(FakeFormWindow& about) { return {about[L"Label2"].bold, about[L"Label3"].bold}; }
};

TEST_F(AboutWindowTest, ShowsTitleVersionAndTakesTheSettingsDialogsIcon) {
    FakeFormWindow& about = openAbout();
    EXPECT_TRUE(about.visible());
    EXPECT_EQ(about[L"Label1(0)"].text, L"タピベックス");
    EXPECT_EQ(about[L"Label1(1)"].text, L"Version 1.3.0");
    EXPECT_EQ(frmVersion::VersionText(2, 10, 7), L"Version 2.10.7");
    EXPECT_EQ(about[L"Label2"].text, std::wstring(L"HomePage : ") + kMaker.homePage);
    EXPECT_EQ(about[L"Label3"].text, std::wstring(L"Mail : ") + kMaker.mailAddress);

    // The settings dialog was loaded hidden for its icon, and its next opening reuses it.
    ASSERT_EQ(fake.windows.size(), 2u);
    FakeFormWindow& dialog = fake.newestWindow(L"オプション設定");
    EXPECT_EQ(about.icon(), dialog.icon());
    EXPECT_FALSE(dialog.visible());
    globals.ConvertFolder = L"D:\\Changed\\";
    form.mnChange_Click();
    EXPECT_EQ(fake.windows.size(), 2u);
    EXPECT_EQ(form.optionDialog().OldConvertFolder, L"C:\\Temp") << "Form_Load ran when the About window loaded it";
}

TEST_F(AboutWindowTest, AtMostOneLinkIsBold) {
    FakeFormWindow& about = openAbout();
    EXPECT_EQ(bold(about), std::make_pair(false, false));
    about.moveOver(L"Label2");
    EXPECT_EQ(bold(about), std::make_pair(true, false));
    about.moveOver(L"Label3");
    EXPECT_EQ(bold(about), std::make_pair(false, true));
    about.moveOver(L"imgLogo");
    EXPECT_EQ(bold(about), std::make_pair(false, true)) << "the logo changes nothing";
    for (const wchar_t* resetter : {L"", L"Label1(2)", L"OKButton"}) {
        about.moveOver(L"Label2");
        about.moveOver(resetter);
        EXPECT_EQ(bold(about), std::make_pair(false, false)) << ::testing::PrintToString(std::wstring(resetter));
    }
}

TEST_F(AboutWindowTest, EachLinkAsksFirstAndOpensOnlyOnYes) {
    FakeFormWindow& about = openAbout();
    fake.answer = 7;  // No
    about.click(L"Label2");
    about.press(L"Label3");
    EXPECT_TRUE(about.links.empty());
    EXPECT_EQ(fake.messageStyles, (std::vector<unsigned>{68u, 68u}));

    fake.answer = 6;  // Yes
    about.click(L"Label2");
    about.press(L"Label3");
    EXPECT_EQ(about.links, (std::vector<std::wstring>{
                               kMaker.homePage,
                               std::wstring(L"mailto:") + kMaker.mailAddress + L"?Subject=" + kMaker.mailSubject}));
    EXPECT_EQ(fake.messages[2], L"ホームページを表示しますか？");
    EXPECT_EQ(fake.messages[3], L"ご意見、ご感想、ご要望何でもお待ちしております。メールを送信しますか？");
}

TEST_F(AboutWindowTest, OneWindowAtMostAndEachOpeningAfterOkStartsAfresh) {
    FakeFormWindow& about = openAbout();
    const std::size_t windows = fake.windows.size();
    form.mnAbout_Click();
    EXPECT_EQ(fake.windows.size(), windows) << "the open window is brought forward";
    EXPECT_EQ(about.showCount, 2);

    about.moveOver(L"Label2");
    about.click(L"OKButton");
    EXPECT_FALSE(about.visible());
    form.Timer1_Timer();

    FakeFormWindow& again = openAbout();
    EXPECT_EQ(fake.windows.size(), windows + 1);
    EXPECT_EQ(bold(again), std::make_pair(false, false));
    again.close();
    EXPECT_FALSE(again.visible());
}

}  // namespace
}  // namespace tapivex::testing
