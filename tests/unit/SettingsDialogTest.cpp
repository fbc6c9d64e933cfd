// The settings dialog: the key filter of the interval field, every outcome of
// the apply button, the browse button. What each opening shows, and what a
// box's wait lets through, is checked by the random walks of UserStatesTest.
#include "ProgramFixture.h"
#include "app/Messages.h"
#include "ui/frmOption.h"

namespace tapivex::testing {
namespace {

using O = frmOption;
using Texts = std::vector<std::wstring>;
const std::wstring kLastCopy = L"TapiVEX201.bmp";
const wchar_t kProtected[] = L"C:\\Program Files";

// What changes between the opening and the apply.
enum class World { AsOpened, SettingsReadOnly, FolderGone };

// Loads with the user's folder `folder` (nullptr: the temporary folder) and opens the dialog.
FakeFormWindow& OpenDialog(Program& p, const wchar_t* folder = nullptr, const char* header = "600:2") {
    p.fake.folders.insert({L"D:\\Cache", L"E:\\Other", L"D:\\ＣＡＣＨＥ", L"D:\\Ωmega", kProtected});
    p.fake.unwritableFolders.insert(FakeSystem::upper(kProtected));
    p.fake.addFile(L"C:\\Tools\\a.bmp");
    p.fake.writeList(std::string(header) + "\r\na.bmp\r\n");
    if (folder) {
        p.fake.profile[L"Setting/TempPathType"] = L"1";
        p.fake.profile[L"Setting/UserTempPath"] = folder;
    }
    EXPECT_TRUE(p.load());
    p.form.mnChange_Click();
    return p.fake.newestWindow(L"オプション設定");
}

class SettingsDialogTest : public ProgramTest {
protected:
    FakeFormWindow& open(const wchar_t* folder = nullptr, const char* header = "600:2") {
        return OpenDialog(*this, folder, header);
    }
};

struct ApplyCase {
    const char* guards;
    const wchar_t* loadedFolder;  // the user's folder at the load; nullptr: the temporary folder
    const wchar_t* interval;      // typed
    const wchar_t* path;          // typed with the folder option chosen; nullptr: the temporary folder
    Texts messages, profileWrites;
    const wchar_t* deletedIn;     // the folder whose copies go; nullptr: none
    const wchar_t* intervalAfter;  // the field when the dialog stays; nullptr: it closed
    std::int32_t changeInterval;
    const wchar_t* convertFolder;  // after the apply: a reload changes it
    World world = World::AsOpened;
};

const ApplyCase kApplyCases[] = {
    {"interval and style in memory only, no lower bound", nullptr, L"0", nullptr, {}, {}, nullptr, nullptr, 0,
     L"C:\\Temp\\"},
    {"not a number", nullptr, L"12a", nullptr, {kMsgIntervalNotInteger}, {}, nullptr, L"600", 600, L"C:\\Temp\\"},
    {"beyond 32 bits", nullptr, L"99999999999", nullptr, {kMsgApplyFailed}, {}, nullptr, L"600", 600, L"C:\\Temp\\"},
    {"a missing folder leaves the typed interval", nullptr, L"30", L"D:\\Missing", {kMsgPathMissing}, {}, nullptr,
     L"30", 600, L"C:\\Temp\\"},
    {"another folder: saved, old copies deleted, reloaded, typed interval discarded", nullptr, L"5", L"D:\\Cache\\",
     {kMsgReloading}, {L"TempPathType=1", L"UserTempPath=D:\\Cache"}, L"C:\\Temp\\", nullptr, 600, L"D:\\Cache\\"},
    {"leaving the temporary folder is a change even for the same folder", nullptr, L"5", L"C:\\Temp",
     {kMsgReloading}, {L"TempPathType=1", L"UserTempPath=C:\\Temp"}, L"C:\\Temp\\", nullptr, 600, L"C:\\Temp\\"},
    {"the same folder in other letter case is no change; only a key of other text is written", L"D:\\Cache", L"42",
     L"d:\\cache\\", {}, {L"UserTempPath=d:\\cache"}, nullptr, nullptr, 42, L"D:\\Cache\\"},
    {"full-width letters too", L"D:\\ＣＡＣＨＥ", L"42", L"D:\\ｃａｃｈｅ", {}, {L"UserTempPath=D:\\ｃａｃｈｅ"}, nullptr,
     nullptr, 42, L"D:\\ＣＡＣＨＥ\\"},
    {"the folder unchanged needs no write: a read-only settings file lets the interval change", L"D:\\Cache", L"42",
     L"D:\\Cache", {}, {}, nullptr, nullptr, 42, L"D:\\Cache\\", World::SettingsReadOnly},
    {"the folder in force gone offline: the interval still changes", L"D:\\Cache", L"42", L"D:\\Cache", {}, {},
     nullptr, nullptr, 42, L"D:\\Cache\\", World::FolderGone},
    {"a protected folder is refused before anything is written or deleted", nullptr, L"30", kProtected,
     {kMsgApplyFailed}, {}, nullptr, L"600", 600, L"C:\\Temp\\"},
    {"a name outside the ANSI code page is no folder", L"D:\\Cache", L"30", L"D:\\Ωmega", {kMsgPathMissing}, {},
     nullptr, L"30", 600, L"D:\\Cache\\"},
    {"a settings file that cannot be written: nothing deleted or reloaded", L"D:\\Cache", L"30", L"E:\\Other",
     {kMsgApplyFailed}, {}, nullptr, L"600", 600, L"D:\\Cache\\", World::SettingsReadOnly},
    {"back to the temporary folder writes the type alone", L"D:\\Cache", L"30", nullptr, {kMsgReloading},
     {L"TempPathType=0"}, L"D:\\Cache\\", nullptr, 600, L"C:\\Temp\\"},
};

TEST(SettingsDialog, ApplyOutcomes) {
    for (const ApplyCase& c : kApplyCases) {
        SCOPED_TRACE(c.guards);
        auto program = std::make_unique<Program>();
        FakeSystem& fake = program->fake;
        FakeFormWindow& dialog = OpenDialog(*program, c.loadedFolder);
        fake.profileReadOnly = c.world == World::SettingsReadOnly;
        if (c.world == World::FolderGone) fake.folders.erase(L"D:\\Cache");
        dialog[O::Text1].text = c.interval;
        dialog[O::Combo1].selectedIndex = 1;
        dialog[O::Opt1].checked = !c.path;
        dialog[O::Opt2].checked = c.path;
        dialog[O::txtPath].text = c.path ? c.path : L"";
        const std::uintptr_t owner = dialog.handle();
        dialog.click(O::Command1);
        EXPECT_EQ(fake.messages, c.messages);
        EXPECT_EQ(fake.messageOwners, std::vector<std::uintptr_t>(c.messages.size(), owner)) << "modal to the dialog";
        EXPECT_EQ(fake.profileWrites, c.profileWrites);
        // The dialog deletes the old copies, and the reload into another folder does it again.
        const std::set<std::wstring> deleted(fake.deleted.begin(), fake.deleted.end());
        EXPECT_EQ(deleted.size(), c.deletedIn ? 202u : 0u);
        EXPECT_EQ(deleted.count(c.deletedIn ? c.deletedIn + kLastCopy : L""), c.deletedIn ? 1u : 0u);
        EXPECT_EQ(fake.windows.empty() ? L"closed" : dialog[O::Text1].text, c.intervalAfter ? c.intervalAfter : L"closed");
        EXPECT_EQ(fake.timerInterval, c.intervalAfter ? 0u : 500u) << "the rotation restarts when it closes";
        EXPECT_EQ(program->globals.ChangeInterval, c.changeInterval);
        EXPECT_EQ(program->globals.DisplayStyle, c.changeInterval == 600 ? 2 : 1);
        EXPECT_EQ(program->globals.ConvertFolder, c.convertFolder);
    }
}

TEST_F(SettingsDialogTest, TheIntervalFieldTakesDigitsAndBackspaceAndEnterAppliesOnce) {
    FakeFormWindow& dialog = open();
    for (std::int16_t key : {u'0', u'9', u'\b'}) EXPECT_EQ(dialog.type(O::Text1, key), key);
    for (std::int16_t key : {u'/', u':', u'a', u'-'}) EXPECT_EQ(dialog.type(O::Text1, key), 0);
    dialog[O::Text1].text = L"abc";
    EXPECT_EQ(dialog.type(O::Text1, 13), 0);
    EXPECT_EQ(fake.messages, Texts{kMsgIntervalNotInteger}) << "one apply per Enter";
}

TEST_F(SettingsDialogTest, TheBrowseButtonReplacesThePathOnlyWhenAFolderIsConfirmed) {
    FakeFormWindow& dialog = open(L"D:\\Cache");
    fake.currentDirectory = L"C:\\";
    dialog.click(O::cmdBrowser);  // cancelled
    EXPECT_EQ(fake.pickerCalls, Texts{std::to_wstring(dialog.handle()) + L" D:\\Cache C:\\Tools"});
    for (const wchar_t* answer : {L"E:\\Other", L""}) {  // "": confirmed, but the system wrote no path
        fake.pickerAnswer = answer;
        dialog.click(O::cmdBrowser);
        EXPECT_EQ(dialog[O::txtPath].text, answer);
    }
    fake.pickerFails = true;
    fake.folder = L"C:\\Vanished";
    dialog.click(O::cmdBrowser);
    EXPECT_TRUE(fake.messages.empty());
    dialog.click(O::Command2);
    EXPECT_EQ(std::make_pair(fake.windows.empty(), fake.timerInterval), std::make_pair(true, 500u)) << "Cancel";
}

}  // namespace
}  // namespace tapivex::testing
