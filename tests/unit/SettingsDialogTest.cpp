// The settings dialog: opening, the key filter of the interval field, and
// every outcome of the apply button.
#include "ProgramFixture.h"
#include "app/Messages.h"
#include "ui/frmOption.h"

namespace tapivex::testing {
namespace {

using O = frmOption;

class SettingsDialogTest : public ProgramTest {
protected:
    void SetUp() override {
        fake.folders.insert(L"D:\\Cache");
        fake.folders.insert(L"E:\\Other");
        fake.addFile(L"C:\\Tools\\a.bmp");
        fake.writeList("600:2\r\na.bmp\r\n");
    }
    // Loads with the user's folder `folder` (nullptr: the temporary folder) and opens the dialog.
    FakeFormWindow& open(const wchar_t* folder = nullptr) {
        if (folder) {
            fake.profile[L"Setting/TempPathType"] = L"1";
            fake.profile[L"Setting/UserTempPath"] = folder;
        }
        EXPECT_TRUE(load());
        form.mnChange_Click();
        return fake.newestWindow(L"オプション設定");
    }
    bool apply(FakeFormWindow& dialog) {
        try {
            dialog.click(O::Command1);
            return true;
        } catch (const ProgramEnd&) {
            return false;
        }
    }
    std::size_t deletionsIn(const std::wstring& folder) const {
        return std::count_if(fake.deleted.begin(), fake.deleted.end(),
                             [&](const std::wstring& p) { return p.rfind(folder + L"TapiVEX", 0) == 0; });
    }
};

TEST_F(SettingsDialogTest, OpeningFillsTheControlsAndStopsTheRotation) {
    FakeFormWindow& dialog = open(L"D:\\Cache\\");
    EXPECT_EQ(fake.timerInterval, 0u);
    EXPECT_TRUE(dialog.visible);
    EXPECT_EQ(dialog[O::Text1].text, L"600");
    EXPECT_EQ(dialog[O::Combo1].selectedIndex, 2);
    EXPECT_EQ(dialog[O::txtPath].text, L"D:\\Cache") << "one backslash removed";
    EXPECT_TRUE(dialog[O::Opt2].checked);
    EXPECT_FALSE(dialog[O::Opt1].checked);
    EXPECT_TRUE(dialog[O::txtPath].enabled);

    // A second opening refills the same window and keeps what it loaded with.
    dialog[O::Text1].text = L"5";
    globals.DisplayStyle = 3;
    globals.UseUserFolder = 0;
    form.mnChange_Click();
    EXPECT_EQ(fake.windowsCreated, 1);
    EXPECT_EQ(dialog[O::Text1].text, L"600");
    EXPECT_EQ(dialog[O::Combo1].selectedIndex, 3);
    EXPECT_TRUE(dialog[O::Opt1].checked);
    EXPECT_FALSE(dialog[O::cmdBrowser].enabled);
    EXPECT_EQ(form.optionDialog().OldUseUserFolder, 1);
    EXPECT_EQ(form.optionDialog().OldConvertFolder, L"D:\\Cache");
}

TEST_F(SettingsDialogTest, TheIntervalFieldTakesDigitsAndBackspaceAndEnterAppliesOnce) {
    FakeFormWindow& dialog = open();
    EXPECT_EQ(dialog.type(O::Text1, L'7'), L'7');
    EXPECT_EQ(dialog.type(O::Text1, 8), 8);
    EXPECT_EQ(dialog.type(O::Text1, L'a'), 0);
    EXPECT_EQ(dialog.type(O::Text1, L'-'), 0);
    dialog[O::Text1].text = L"abc";
    EXPECT_EQ(dialog.type(O::Text1, 13), 0);
    EXPECT_EQ(fake.messages, std::vector<std::wstring>{kMsgIntervalNotInteger}) << "one apply per Enter";
}

TEST_F(SettingsDialogTest, ApplyKeepsIntervalAndStyleInMemoryOnly) {
    FakeFormWindow& dialog = open();
    dialog[O::Text1].text = L"0";
    dialog[O::Combo1].selectedIndex = 1;
    EXPECT_TRUE(apply(dialog));
    EXPECT_EQ(globals.ChangeInterval, 0) << "no lower bound in the dialog";
    EXPECT_EQ(globals.DisplayStyle, 1);
    EXPECT_TRUE(fake.profileWrites.empty());
    EXPECT_TRUE(fake.windows.empty()) << "the window and its object are gone";
    EXPECT_EQ(fake.timerInterval, 500u);
    EXPECT_EQ(form.loadedOptionDialog(), nullptr) << "the next opening loads a fresh dialog";
}

TEST_F(SettingsDialogTest, ApplyOutcomesThatKeepTheDialogOpen) {
    FakeFormWindow& dialog = open();
    for (const wchar_t* bad : {L"", L"12a"}) {
        dialog[O::Text1].text = bad;
        apply(dialog);
        EXPECT_EQ(dialog[O::Text1].text, L"600");
    }
    dialog[O::Text1].text = L"99999999999";
    apply(dialog);
    dialog[O::Text1].text = L"30";
    dialog[O::Opt2].checked = true;
    dialog[O::Opt1].checked = false;
    dialog[O::txtPath].text = L"D:\\Missing";
    apply(dialog);
    EXPECT_EQ(fake.messages, (std::vector<std::wstring>{kMsgIntervalNotInteger, kMsgIntervalNotInteger,
                                                        kMsgApplyFailed, kMsgPathMissing}));
    EXPECT_EQ(dialog[O::Text1].text, L"30") << "a missing folder leaves the typed interval";
    EXPECT_TRUE(fake.profileWrites.empty());
    EXPECT_TRUE(dialog.visible);
    EXPECT_EQ(globals.ChangeInterval, 600);
    EXPECT_EQ(fake.timerInterval, 0u);
}

// The warning is modal to the dialog: while it waits the rotation ticks, and
// a click on Cancel does nothing. A close request that still reaches the
// dialog unloads it, but its object lives until the apply has run to its end.
TEST_F(SettingsDialogTest, AWarningKeepsTheDialogAndItsObjectUntilAnswered) {
    FakeFormWindow& dialog = open();
    globals.ChangeInterval = 0;  // every tick is due
    dialog[O::Text1].text = L"";
    fake.whileBoxWaits = [&] {
        form.Timer1_Timer();
        dialog.click(O::Command2);
    };
    apply(dialog);
    EXPECT_EQ(fake.messageOwners, std::vector<std::uintptr_t>{dialog.handle()});
    EXPECT_EQ(fake.wallpaperCalls.size(), 1u) << "the rotation runs while the box waits";
    EXPECT_TRUE(dialog.visible) << "Cancel could not be pressed";
    EXPECT_EQ(dialog[O::Text1].text, L"0");

    dialog[O::Text1].text = L"";
    fake.whileBoxWaits = [&] {
        dialog.requestClose();
        form.Timer1_Timer();
    };
    apply(dialog);
    EXPECT_TRUE(fake.windows.empty());
    EXPECT_EQ(fake.timerInterval, 500u);
    form.mnChange_Click();
    EXPECT_EQ(fake.windowsCreated, 2) << "the next opening loads a fresh dialog";
}

TEST_F(SettingsDialogTest, ChoosingAnotherFolderSavesDeletesTheOldImagesAndReloads) {
    FakeFormWindow& dialog = open();
    dialog[O::Text1].text = L"5";
    dialog[O::Opt2].checked = true;
    dialog[O::Opt1].checked = false;
    dialog[O::txtPath].text = L"D:\\Cache\\";
    EXPECT_TRUE(apply(dialog));
    EXPECT_EQ(fake.profileWrites, (std::vector<std::wstring>{L"TempPathType=1", L"UserTempPath=D:\\Cache"}));
    EXPECT_EQ(deletionsIn(L"C:\\Temp\\"), 202u);
    EXPECT_EQ(fake.messages, std::vector<std::wstring>{kMsgReloading});
    EXPECT_EQ(fake.messageStyles.back(), 64u);
    EXPECT_EQ(globals.ConvertFolder, L"D:\\Cache\\") << "reloaded";
    EXPECT_EQ(globals.ChangeInterval, 600) << "the typed interval is discarded";
    EXPECT_EQ(fake.timerInterval, 500u);
}

TEST_F(SettingsDialogTest, TheSameFolderInOtherLetterCaseIsNoChange) {
    FakeFormWindow& dialog = open(L"D:\\Cache");
    dialog[O::txtPath].text = L"d:\\cache\\";
    dialog[O::Text1].text = L"42";
    EXPECT_TRUE(apply(dialog));
    EXPECT_EQ(fake.profileWrites, (std::vector<std::wstring>{L"TempPathType=1", L"UserTempPath=d:\\cache"}));
    EXPECT_TRUE(fake.deleted.empty());
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(globals.ChangeInterval, 42);
}

TEST_F(SettingsDialogTest, TheSameFullWidthFolderInOtherLetterCaseIsNoChange) {
    fake.folders.insert(L"D:\\ＣＡＣＨＥ");
    FakeFormWindow& dialog = open(L"D:\\ＣＡＣＨＥ");
    dialog[O::txtPath].text = L"D:\\ｃａｃｈｅ";
    EXPECT_TRUE(apply(dialog));
    EXPECT_TRUE(fake.deleted.empty());
    EXPECT_TRUE(fake.messages.empty());
}

// The folder is stored in the ANSI settings file: a name the code page cannot
// hold is no folder the program can use. A settings file that cannot be
// written is the apply's failure: nothing deleted, nothing reloaded.
TEST_F(SettingsDialogTest, AFolderThatCannotBeStoredKeepsEverythingAsItWas) {
    fake.folders.insert(L"D:\\Ωmega");
    FakeFormWindow& dialog = open(L"D:\\Cache");
    dialog[O::txtPath].text = L"D:\\Ωmega";
    apply(dialog);
    fake.profileReadOnly = true;
    dialog[O::txtPath].text = L"E:\\Other";
    dialog[O::Text1].text = L"30";
    apply(dialog);
    EXPECT_EQ(fake.messages, (std::vector<std::wstring>{kMsgPathMissing, kMsgApplyFailed}));
    EXPECT_TRUE(fake.deleted.empty());
    EXPECT_EQ(globals.ConvertFolder, L"D:\\Cache\\") << "no reload";
    EXPECT_EQ(dialog[O::Text1].text, L"600");
    EXPECT_TRUE(dialog.visible);
}

TEST_F(SettingsDialogTest, BackToTheTemporaryFolderWritesTheTypeAlone) {
    FakeFormWindow& dialog = open(L"D:\\Cache");
    dialog[O::Opt1].checked = true;
    dialog[O::Opt2].checked = false;
    EXPECT_TRUE(apply(dialog));
    EXPECT_EQ(fake.profileWrites, std::vector<std::wstring>{L"TempPathType=0"});
    EXPECT_EQ(deletionsIn(L"D:\\Cache\\"), 202u);
    EXPECT_EQ(globals.ConvertFolder, L"C:\\Temp\\");
}

TEST_F(SettingsDialogTest, CancelAndTheCloseBoxRestartTheRotationAndDiscardTheDialog) {
    FakeFormWindow& first = open();
    first[O::Text1].text = L"5";
    first.click(O::Command2);
    EXPECT_EQ(fake.timerInterval, 500u);
    EXPECT_EQ(globals.ChangeInterval, 600);

    form.mnChange_Click();
    ASSERT_EQ(fake.windowsCreated, 2);
    FakeFormWindow& second = *fake.windows.back();
    second.closeBox();
    EXPECT_EQ(fake.timerInterval, 500u);
    EXPECT_TRUE(fake.windows.empty());
}

}  // namespace
}  // namespace tapivex::testing

namespace tapivex::testing {
namespace {

using O = frmOption;

TEST_F(SettingsDialogTest, TheBrowseButtonReplacesThePathOnlyWhenAFolderIsConfirmed) {
    FakeFormWindow& dialog = open(L"D:\\Cache");
    fake.currentDirectory = L"C:\\";

    fake.pickerAnswer.reset();  // cancelled
    dialog.click(O::cmdBrowser);
    EXPECT_EQ(dialog[O::txtPath].text, L"D:\\Cache");
    ASSERT_EQ(fake.pickerCalls.size(), 1u);
    EXPECT_EQ(fake.pickerCalls[0], std::make_pair(dialog.handle(), std::wstring(L"D:\\Cache")));
    EXPECT_EQ(fake.pickerDirectory, L"C:\\Tools") << "the program's folder is current for the picker";

    fake.pickerAnswer = L"E:\\Other";
    dialog.click(O::cmdBrowser);
    EXPECT_EQ(dialog[O::txtPath].text, L"E:\\Other");

    fake.pickerAnswer = L"";  // confirmed, but the system wrote no path
    dialog.click(O::cmdBrowser);
    EXPECT_EQ(dialog[O::txtPath].text, L"");

    dialog[O::txtPath].text = L"kept";
    fake.pickerFails = true;
    fake.folder = L"C:\\Vanished";
    EXPECT_NO_THROW(dialog.click(O::cmdBrowser));
    EXPECT_EQ(dialog[O::txtPath].text, L"kept");
    EXPECT_TRUE(fake.messages.empty());
}

}  // namespace
}  // namespace tapivex::testing
