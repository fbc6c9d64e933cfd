// Random walks through what a user and the system can do to the running
// program: the icon's commands, the ticks, the two windows, answers to boxes,
// folders that vanish, come back or become protected, pictures that vanish or
// break, and the settings file edited by hand. Any action may also come while
// a message box waits or the conversion yields. What must always hold is
// checked as it happens and after every step; a failure prints its seed and
// its steps.
#include <random>
#include <sstream>

#include "ProgramFixture.h"
#include "config/PathText.h"
#include "ui/frmOption.h"
#include "ui/frmVersion.h"

namespace tapivex::testing {
namespace {

using O = frmOption;
using V = frmVersion;

const std::wstring kSettingsCaption = L"オプション設定";
const std::wstring kProtected = L"C:\\Program Files";
const std::wstring kTooLong = L"D:\\" + std::wstring(119, L'Ｌ');  // 122 characters, 241 bytes
const std::wstring kGone = L"X:\\Nowhere";
const std::wstring kUserFolders[] = {L"D:\\Cache", L"E:\\Other"};  // the ones the world changes
const std::wstring kPictures[] = {L"C:\\Tools\\a.jpg", L"C:\\Tools\\b.gif", L"C:\\Tools\\c.bmp"};

// "TapiVEX<n>.<extension>" with n from 0 to `last`, in any letter case.
bool IsCopyName(const std::wstring& name, const std::wstring& extension, int last) {
    const std::wstring upper = FakeSystem::upper(name);
    const std::size_t dot = upper.find(L'.');
    if (upper.rfind(L"TAPIVEX", 0) != 0 || dot == std::wstring::npos || upper.substr(dot) != extension) return false;
    const std::wstring number = upper.substr(7, dot - 7);
    return !number.empty() && number.size() <= 3 && number.find_first_not_of(L"0123456789") == std::wstring::npos &&
           (number == L"0" || number[0] != L'0') && std::stoi(number) <= last;
}

class Walk : public Program {
public:
    explicit Walk(unsigned seed) : rng_(seed) {
        fake.folders.insert({L"D:\\", L"E:\\", L"D:\\Cache", L"E:\\Other", kProtected, kTooLong});
        fake.unwritableFolders.insert(FakeSystem::upper(kProtected));
        for (const std::wstring& picture : kPictures) fake.addFile(picture);
        fake.addFile(L"C:\\Tools\\d.jpg");
        fake.writeList(std::to_string(1 + pick(5)) + ":" + std::to_string(pick(4)) + "\r\na.jpg\r\nb.gif\r\nc.bmp\r\n\r\nd.jpg\r\na.jpg\r\nb.gif\r\n");
        if (pick(2)) editSettingsFile();
        fake.observe = [this](const std::string& what, const std::wstring& detail) { observe(what, detail); };
        fake.onDoEvents = [this] { maybeNested(); };
    }

    // Runs the start and `steps` steps, or fewer when the program ends; the
    // text of the first breach, with the steps that led to it, or "".
    std::string run(int steps) {
        step("start", [this] { form.Form_Load(); });
        for (int i = 0; i < steps && !ended_ && breach_.empty(); ++i) act();
        if (!ended_ && breach_.empty()) step("exit at the end", [this] { form.mnClose_Click(); });
        return breach_.empty() ? "" : breach_ + "\nsteps:\n" + log_.str();
    }

private:
    unsigned pick(unsigned n) { return static_cast<unsigned>(rng_() % n); }

    void expect(bool holds, const std::string& what) {
        if (!holds && breach_.empty()) breach_ = what;
    }

    // One message: the window host's boundary lets the program's end through
    // and stops any other exception, which must never come.
    template <typename Action>
    void step(const std::string& name, Action&& action) {
        log_ << std::string(2 * depth_, ' ') << name << "\n";
        if (depth_ == 0) fake.whileBoxWaits = [this] { inBox(); };
        try {
            fake.dispatch(action);
        } catch (const ProgramEnd&) {
            if (depth_ > 0) throw;
            ended_ = true;
            if (unloaded()) checkNoCopyRemains();
        } catch (const std::exception& e) {
            expect(false, std::string("an exception left a handler: ") + e.what());
        }
        if (depth_ == 0) afterStep();
    }

    // Another message while a box waits; the next box of the step gets one too.
    void inBox() {
        fake.whileBoxWaits = [this] { inBox(); };
        maybeNested();
    }

    void maybeNested() {
        note();
        if (depth_ >= 2) return;
        struct Deeper {
            int& depth;
            ~Deeper() { --depth; }
        } deeper{++depth_};
        // Time passes while a box waits or a picture converts: the timer ticks.
        if (pick(2) == 0) tick();
        for (int n = 0; n < 3 && pick(2) == 0; ++n) act();
    }

    bool unloaded() const { return !fake.iconCalls.empty() && fake.iconCalls.back().first == 2; }

    FakeFormWindow* dialog() {
        frmOption* loaded = form.loadedOptionDialog();
        auto* window = loaded ? static_cast<FakeFormWindow*>(&loaded->window()) : nullptr;
        return window && window->visible ? window : nullptr;
    }
    FakeFormWindow* about() {
        frmVersion* loaded = form.loadedAboutWindow();
        return loaded ? static_cast<FakeFormWindow*>(&loaded->window()) : nullptr;
    }

    std::wstring folderChoice() {
        const std::wstring inForce = WithoutTrailingBackslash(globals.UserFolderSetting);
        switch (pick(8)) {
            case 0: return kUserFolders[0];
            case 1: return kUserFolders[1];
            case 2: return kGone;
            case 3: return kProtected;
            case 4: return kTooLong;
            case 5: return FakeSystem::upper(inForce) + L"\\";
            case 6: return L"C:\\Temp";
            default: return inForce;
        }
    }

    void act() {
        fake.answer = pick(2) ? 6 : 7;
        switch (pick(21)) {
            case 0: case 1: case 2: tick(); break;
            case 3: case 20: step("reload", [this] { form.mnRefresh_Click(); }); break;
            case 4: step("next", [this] { form.mnNext_Click(); }); break;
            case 5: case 6: step("open the settings", [this] { form.Form_MouseMove(515); }); break;
            case 7: case 8: case 9: apply(); break;
            case 10: browse(); break;
            case 11: step("about", [this] { form.mnAbout_Click(); }); break;
            case 12: click(about(), V::Label2, "a link, answered " + std::to_string(fake.answer)); break;
            case 13: click(about(), V::OKButton, "about's OK"); break;
            case 14: case 15: toggleFolder(); break;
            case 16: togglePicture(); break;
            case 17: editSettingsFile(); break;
            case 18: if (FakeFormWindow* d = dialog()) step("cancel", [d] { d->closeBox(); }); break;
            case 19: if (pick(4) == 0) step("exit", [this] { form.mnClose_Click(); }); break;
        }
    }

    void tick() {  // while the timer runs
        const std::uint32_t ms = pick(6000);
        if (fake.timerInterval) step("tick after " + std::to_string(ms) + " ms", [&] { tickAfter(ms); });
    }

    // The user fills the dialog and presses 設定(&S).
    void apply() {
        FakeFormWindow* d = dialog();
        if (!d || d->disabled) return;
        const std::wstring intervals[] = {L"30", L"0", L"", L"12a", L"99999999999", (*d)[O::Text1].text};
        (*d)[O::Text1].text = intervals[pick(6)];
        (*d)[O::Combo1].selectedIndex = static_cast<int>(pick(4));
        const bool userFolder = pick(2);
        (*d)[O::Opt1].checked = !userFolder;
        (*d)[O::Opt2].checked = userFolder;
        if (userFolder && pick(2)) (*d)[O::txtPath].text = folderChoice();
        click(d, O::Command1,
              "apply " + narrow((*d)[O::Text1].text) + (userFolder ? " in " + narrow((*d)[O::txtPath].text) : " in temp"));
    }

    void browse() {
        if (pick(2)) fake.pickerAnswer = folderChoice();
        else fake.pickerAnswer.reset();
        click(dialog(), O::cmdBrowser, "browse to " + narrow(fake.pickerAnswer.value_or(L"(cancelled)")));
    }

    void click(FakeFormWindow* window, int control, const std::string& name) {
        if (window) step(name, [=] { window->click(control); });
    }

    void toggleFolder() {
        const std::wstring& folder = kUserFolders[pick(2)];
        const std::wstring key = FakeSystem::upper(folder);
        if (pick(2)) {
            const bool protect = !fake.unwritableFolders.erase(key);
            if (protect) fake.unwritableFolders.insert(key);
            log(narrow(folder) + (protect ? " becomes protected" : " becomes writable"));
        } else if (fake.folders.erase(folder)) {  // gone with its files
            for (auto it = fake.files.begin(); it != fake.files.end();) {
                it = FakeSystem::folderOf(it->first) == folder ? fake.files.erase(it) : std::next(it);
            }
            log(narrow(folder) + " vanishes");
        } else {
            fake.folders.insert(folder);
            log(narrow(folder) + " comes back, empty");
        }
    }

    void togglePicture() {
        const std::wstring& picture = kPictures[pick(3)];
        const unsigned fate = pick(3);
        if (fate == 0) fake.files.erase(picture);
        else fake.addFile(picture, fate == 1 ? "x" : FakeSystem::kDamaged);
        log(narrow(picture) + (fate == 0 ? " vanishes" : fate == 1 ? " is there" : " is damaged"));
    }

    void editSettingsFile() {
        const wchar_t* types[] = {L"0", L"1", L"2", L"x", L"70000"};
        fake.profile[L"Setting/TempPathType"] = types[pick(5)];
        fake.profile[L"Setting/UserTempPath"] = folderChoice();
        log("TapiVEX.CFG edited: " + narrow(fake.profile[L"Setting/TempPathType"]) + ", " +
            narrow(fake.profile[L"Setting/UserTempPath"]));
    }

    void log(const std::string& text) { log_ << std::string(2 * depth_, ' ') << text << "\n"; }
    static std::string narrow(const std::wstring& text) {
        std::string out;
        for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
        return out.size() > 40 ? out.substr(0, 40) + "..." : out;
    }

    // Every folder the program has converted into counts as its own.
    void note() { usedFolders_.insert(FakeSystem::upper(globals.ConvertFolder)); }

    bool canTakeCopies(const std::wstring& folder) {
        return fake.canCreateFileIn(folder) && fake.folderPathAnsiBytes(folder).value_or(999) <= 240;
    }

    void observe(const std::string& what, const std::wstring& detail) {
        note();
        const std::wstring name = detail.substr(detail.find_last_of(L'\\') + 1);
        const std::wstring folder = FakeSystem::upper(FakeSystem::folderOf(detail) + L"\\");
        if (what == "delete") {
            expect(IsCopyName(name, L".BMP", 201) && usedFolders_.count(folder), "deleted " + narrow(detail));
            if (!fake.canCreateFileIn(FakeSystem::folderOf(detail))) excused_.insert(FakeSystem::upper(detail));
            deletedCopies_.insert(FakeSystem::upper(detail));
        } else if (what == "bitmap") {
            expect(IsCopyName(name, L".BMP", 200) && folder == FakeSystem::upper(globals.ConvertFolder),
                   "wrote " + narrow(detail));
            copies_.insert(FakeSystem::upper(detail));
            excused_.erase(FakeSystem::upper(detail));
            deletedCopies_.erase(FakeSystem::upper(detail));
        } else if (what == "profile") {
            profileWritten_ = true;
            const std::wstring type = fake.profile[L"Setting/TempPathType"], stored = fake.profile[L"Setting/UserTempPath"];
            lastProfileSound_ = type == L"0" || (canTakeCopies(stored) &&
                                                 fake.readString(L"", L"Setting", L"UserTempPath", L"", 256) == stored);
        } else if (what == "wallpaper") {
            expect(!form.loading(), "a wallpaper applied during a load");
            // The service refuses a file that is gone; the program itself never
            // offers a copy that it deleted.
            expect(!deletedCopies_.count(FakeSystem::upper(detail)), "showed a deleted copy: " + narrow(detail));
        } else if (what == "show" && detail == kSettingsCaption) {
            checkOpening();
        }
    }

    // The dialog shows the settings in force, and compares with them.
    void checkOpening() {
        frmOption& option = *form.loadedOptionDialog();
        FakeFormWindow& d = static_cast<FakeFormWindow&>(option.window());
        const bool user = globals.UseUserFolder != 0;
        const int style = globals.DisplayStyle >= 0 && globals.DisplayStyle <= 2 ? globals.DisplayStyle : 3;
        expect(d[O::Text1].text == std::to_wstring(globals.ChangeInterval) && d[O::Combo1].selectedIndex == style &&
                   d[O::Opt2].checked == user && d[O::Opt1].checked != user && d[O::txtPath].enabled == user &&
                   d[O::txtPath].text == WithoutTrailingBackslash(globals.UserFolderSetting),
               "the dialog opened on other values than those in force");
        expect(option.OldUseUserFolder == globals.UseUserFolder &&
                   option.OldConvertFolder == WithoutTrailingBackslash(globals.ConvertFolder),
               "the dialog compares with another folder than the one in force");
    }

    void afterStep() {
        note();
        if (profileWritten_) expect(lastProfileSound_, "TapiVEX.CFG names a folder that cannot take the copies");
        profileWritten_ = false;
    }

    void checkNoCopyRemains() {
        for (const std::wstring& copy : copies_) {
            expect(!fake.fileExists(copy) || excused_.count(copy), "a copy remains after the end: " + narrow(copy));
        }
    }

    std::mt19937 rng_;
    std::ostringstream log_;
    std::string breach_;
    int depth_ = 0;
    bool ended_ = false, profileWritten_ = false, lastProfileSound_ = true;
    std::set<std::wstring> usedFolders_, copies_, deletedCopies_;
    std::set<std::wstring> excused_;  // copies whose deletion met a protected folder
};

TEST(UserStates, WhatMustAlwaysHoldHoldsOnRandomWalks) {
    for (unsigned seed = 1; seed <= 150; ++seed) {
        Walk walk(seed);
        const std::string breach = walk.run(60);
        EXPECT_EQ(breach, "") << "seed " << seed;
        if (!breach.empty()) break;
    }
}

}  // namespace
}  // namespace tapivex::testing
