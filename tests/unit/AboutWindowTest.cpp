// The About window: what it fills in, the link highlight, the two links and
// its life while its questions wait.
#include "ProgramFixture.h"
#include "app/Messages.h"
#include "app/Version.h"
#include "ui/frmOption.h"
#include "ui/frmVersion.h"

namespace tapivex::testing {
namespace {

using V = frmVersion;

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
    std::pair<bool, bool> bold(FakeFormWindow& about) { return {about[V::Label2].bold, about[V::Label3].bold}; }
};

TEST_F(AboutWindowTest, FillsTitleAndVersionAndTakesTheHiddenSettingsDialogsIcon) {
    FakeFormWindow& about = openAbout();
    EXPECT_TRUE(about.visible);
    EXPECT_EQ(about[V::Label1_0].text, kAppTitle);
    EXPECT_EQ(about[V::Label1_1].text.rfind(L"Version ", 0), 0u);
    EXPECT_EQ(frmVersion::VersionText(2, 10, 7), L"Version 2.10.7");

    ASSERT_EQ(fake.windowsCreated, 2);
    FakeFormWindow& dialog = fake.newestWindow(L"オプション設定");
    EXPECT_EQ(about.icon(), dialog.icon());
    EXPECT_FALSE(dialog.visible);
    globals.ConvertFolder = L"D:\\Changed\\";
    form.mnChange_Click();
    EXPECT_EQ(fake.windowsCreated, 2) << "the next opening reuses the hidden dialog";
    EXPECT_EQ(form.optionDialog().OldConvertFolder, L"C:\\Temp") << "Form_Load ran when it was loaded";
}

TEST_F(AboutWindowTest, AtMostOneLinkIsBold) {
    FakeFormWindow& about = openAbout();
    EXPECT_EQ(bold(about), std::make_pair(false, false));
    about.moveOver(V::Label2);
    EXPECT_EQ(bold(about), std::make_pair(true, false));
    about.moveOver(V::Label3);
    EXPECT_EQ(bold(about), std::make_pair(false, true));
    about.moveOver(V::imgLogo);
    EXPECT_EQ(bold(about), std::make_pair(false, true)) << "the logo changes nothing";
    for (int resetter : {kOnWindow, int{V::Label1_0}, int{V::Label1_2}, int{V::OKButton}}) {
        about.moveOver(V::Label2);
        about.moveOver(resetter);
        EXPECT_EQ(bold(about), std::make_pair(false, false)) << resetter;
    }
}

TEST_F(AboutWindowTest, EachLinkAsksFirstAndOpensOnlyOnYes) {
    FakeFormWindow& about = openAbout();
    for (int answer : {7, kAnswerYes}) {
        fake.answer = answer;
        about.click(V::Label2);
        about.press(V::Label3);
        about.click(V::Label3);
        about.press(V::Label2);
    }
    EXPECT_EQ(fake.messageStyles, std::vector<unsigned>(4, kQuestion));
    EXPECT_EQ(about.links, (std::vector<std::wstring>{kMaker.homePage, std::wstring(L"mailto:") + kMaker.mailAddress +
                                                                           L"?Subject=" + kMaker.mailSubject}));
}

TEST_F(AboutWindowTest, OneWindowAtMostAndEachOpeningAfterOkStartsAfresh) {
    FakeFormWindow& about = openAbout();
    form.mnAbout_Click();
    EXPECT_EQ(fake.windowsCreated, 2) << "the open window is brought forward";
    EXPECT_EQ(about.showCount, 2);
    about.moveOver(V::Label2);
    about.click(V::OKButton);
    EXPECT_EQ(form.loadedAboutWindow(), nullptr);
    EXPECT_EQ(fake.windows.size(), 1u) << "only the hidden settings dialog is left";

    FakeFormWindow& again = openAbout();
    EXPECT_EQ(fake.windowsCreated, 3);
    EXPECT_EQ(bold(again), std::make_pair(false, false));
    again.closeBox();
    EXPECT_EQ(form.loadedAboutWindow(), nullptr);
}

// A question is modal to the About window: OK cannot be pressed meanwhile,
// and the rotation goes on. A close request that still reaches the window
// unloads it, and the handler runs to its end on an object that still lives.
TEST_F(AboutWindowTest, AQuestionKeepsTheWindowAndItsObjectUntilAnswered) {
    FakeFormWindow& about = openAbout();
    globals.ChangeInterval = 0;
    fake.answer = 7;  // No
    fake.whileBoxWaits = [&] {
        about.click(V::OKButton);
        form.Timer1_Timer();
    };
    about.click(V::Label2);
    EXPECT_EQ(fake.messageOwners.back(), about.handle());
    EXPECT_EQ(fake.wallpaperCalls.size(), 1u);
    EXPECT_TRUE(about.visible) << "OK could not be pressed";

    fake.answer = kAnswerYes;
    fake.whileBoxWaits = [&] { about.requestClose(); };
    about.press(V::Label3);
    EXPECT_EQ(form.loadedAboutWindow(), nullptr);
}

}  // namespace
}  // namespace tapivex::testing
