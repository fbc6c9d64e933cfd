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
        fake.writeList("600\r\n\r\n");
        ASSERT_TRUE(load());
        form.mnAbout_Click();
        about = &fake.newestWindow(L"ﾊﾞｰｼﾞｮﾝ情報");
    }
    FakeFormWindow* about = nullptr;
    std::pair<bool, bool> bold() { return {(*about)[V::Label2].bold, (*about)[V::Label3].bold}; }
};

TEST_F(AboutWindowTest, FillsTitleAndVersionAndTakesTheHiddenSettingsDialogsIcon) {
    const std::wstring version = std::to_wstring(TAPIVEX_VERSION_MAJOR) + L"." + std::to_wstring(TAPIVEX_VERSION_MINOR) +
                                 L"." + std::to_wstring(TAPIVEX_VERSION_REVISION);
    EXPECT_EQ((*about)[V::Label1_0].text + L" " + (*about)[V::Label1_1].text, L"タピベックス Version " + version);
    FakeFormWindow& dialog = fake.newestWindow(L"オプション設定");
    EXPECT_EQ(about->icon(), dialog.icon());
    EXPECT_FALSE(dialog.visible);
    globals.ConvertFolder = L"D:\\Changed\\";
    form.mnChange_Click();
    EXPECT_EQ(fake.windowsCreated, 2) << "the next opening reuses the hidden dialog";
    EXPECT_EQ(form.optionDialog().OldConvertFolder, L"D:\\Changed") << "the opening takes the folder in force";
}

TEST_F(AboutWindowTest, AtMostOneLinkIsBold) {
    const std::pair<int, std::pair<bool, bool>> moves[] = {
        {V::Label2, {true, false}}, {V::Label3, {false, true}}, {V::imgLogo, {false, true}},
        {V::Label2, {true, false}}, {kOnWindow, {false, false}}, {V::Label2, {true, false}},
        {V::Label1_0, {false, false}}, {V::Label2, {true, false}}, {V::Label1_2, {false, false}},
        {V::Label2, {true, false}}, {V::OKButton, {false, false}}};
    for (const auto& [control, bold] : moves) {
        about->moveOver(control);
        EXPECT_EQ(this->bold(), bold) << control;
    }
}

TEST_F(AboutWindowTest, EachLinkAsksFirstAndOpensOnlyOnYes) {
    for (int answer : {7, kAnswerYes}) {
        fake.answer = answer;
        about->click(V::Label2);
        about->press(V::Label3);
        about->click(V::Label3);
        about->press(V::Label2);
        if (answer == 7) { EXPECT_TRUE(about->links.empty()) << "opened on No"; }
    }
    EXPECT_EQ(fake.messageStyles, std::vector<unsigned>(4, kQuestion));
    EXPECT_EQ(fake.messageOwners, std::vector<std::uintptr_t>(4, about->handle())) << "modal to the window";
    EXPECT_EQ(about->links, (std::vector<std::wstring>{kMaker.homePage, std::wstring(L"mailto:") + kMaker.mailAddress +
                                                                           L"?Subject=" + kMaker.mailSubject}));
}

TEST_F(AboutWindowTest, OneWindowAtMostAndEachOpeningAfterOkStartsAfresh) {
    form.mnAbout_Click();
    EXPECT_EQ(std::make_pair(fake.windowsCreated, about->showCount), std::make_pair(2, 2)) << "brought forward";
    about->moveOver(V::Label2);
    about->click(V::OKButton);
    EXPECT_EQ(form.loadedAboutWindow(), nullptr);
    EXPECT_EQ(fake.windows.size(), 1u) << "only the hidden settings dialog is left";
    form.mnAbout_Click();
    EXPECT_EQ(fake.windowsCreated, 3);
    EXPECT_FALSE((*fake.windows.back())[V::Label2].bold);
    fake.windows.back()->closeBox();
    EXPECT_EQ(form.loadedAboutWindow(), nullptr);
}

}  // namespace
}  // namespace tapivex::testing
