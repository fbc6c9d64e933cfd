// Random walks through what a user and the system can do to the running
// program: the icon's commands, ticks, both windows, answers to boxes, folders
// that vanish, come back or become protected, pictures that vanish or break,
// and the settings file edited by hand. Any action may also come while a box
// or the picker waits or the conversion yields. What must always hold is
// checked as it happens; a failure prints its seed and its steps.
#include <cstring>
#include <random>
#include <regex>
#include <sstream>
#include <string>

#include "ProgramFixture.h"
#include "config/PathText.h"
#include "ui/frmOption.h"
#include "ui/frmVersion.h"

namespace tapivex::testing {
namespace {

using O = frmOption;
using V = frmVersion;
using F = FakeSystem;

const std::wstring kProtected = L"C:\\Program Files";
const std::wstring kTooLong = L"D:\\" + std::wstring(119, L'Ｌ');  // 122 characters, 241 bytes
const std::wstring kChanging[] = {L"D:\\Cache", L"E:\\Other"};    // the folders the world changes
const std::wstring kPictures[] = {L"C:\\Tools\\a.jpg", L"C:\\Tools\\b.gif", L"C:\\Tools\\c.bmp"};

// TapiVEX0 to TapiVEX201 with a bitmap's extension, in any letter case.
bool IsCopy(const std::wstring& path) {
    static const std::wregex name(L".*\\\\TAPIVEX(0|[1-9][0-9]?|1[0-9][0-9]|20[01])\\.BMP");
    return std::regex_match(F::upper(path), name);
}

class Walk : public Program {
public:
    explicit Walk(unsigned seed) : rng_(seed) {
        fake.folders.insert({L"D:\\", L"E:\\", kChanging[0], kChanging[1], kProtected, kTooLong});
        fake.unwritableFolders.insert(F::upper(kProtected));
        for (const std::wstring& picture : kPictures) fake.addFile(picture);
        fake.addFile(L"C:\\Tools\\d.jpg");
        fake.writeList(std::to_string(1 + pick(5)) + ":" + std::to_string(pick(4)) +
                       "\r\na.jpg\r\nb.gif\r\nc.bmp\r\n\r\nd.jpg\r\na.jpg\r\nb.gif\r\n");
        if (pick(2)) editSettingsFile();
        fake.observe = [this](const std::string& what, const std::wstring& detail) { observe(what, detail); };
        fake.onDoEvents = [this] { nested(); };
    }

    // The start and up to `steps` steps; the first breach with its steps, or "".
    std::wstring run(int steps) {
        step(L"start", [this] { form.Form_Load(); });
        for (int i = 0; i < steps && !ended_ && breach_.empty(); ++i) act();
        if (!ended_) step(L"exit at the end", [this] { form.mnClose_Click(); });
        return breach_.empty() ? L"" : breach_ + L"\nsteps:\n" + log_.str();
    }

private:
    unsigned pick(unsigned n) { return static_cast<unsigned>(rng_() % n); }
    void log(const std::wstring& text) { log_ << std::wstring(2 * depth_, L' ') << text << L"\n"; }
    void expect(bool holds, const std::wstring& what) {
        if (!holds && breach_.empty()) breach_ = what;
    }

    // One message. The window host's boundary lets the program's end through
    // and stops any other exception, which must never come.
    template <typename Action>
    void step(const std::wstring& name, Action&& action) {
        log(name);
        if (depth_ == 0) fake.whileBoxWaits = [this] { inModalLoop(); };
        try {
            fake.dispatch(action);
        } catch (const ProgramEnd&) {
            if (depth_ > 0) throw;
            ended_ = true;
            const bool unloaded = !fake.iconCalls.empty() && fake.iconCalls.back().first == 2;
            for (const std::wstring& copy : copies_) {
                expect(!unloaded || !fake.fileExists(copy) || excused_.count(copy), L"a copy remains: " + copy);
            }
        } catch (const std::exception& e) {
            expect(false, L"an exception left a handler: " + std::wstring(e.what(), e.what() + std::strlen(e.what())));
        }
        if (depth_ == 0) settleProfileWrite();
    }

    void inModalLoop() {
        fake.whileBoxWaits = [this] { inModalLoop(); };  // and for the next box of the step
        nested();
    }

    // Time passes while a box waits or a picture converts: the timer ticks, the user acts.
    void nested() {
        usedFolders_.insert(F::upper(globals.ConvertFolder));
        if (depth_ >= 2) return;
        struct Deeper {
            int& depth;
            ~Deeper() { --depth; }
        } deeper{++depth_};
        if (pick(2) == 0) tick();
        for (int n = 0; n < 3 && pick(2) == 0; ++n) act();
    }

    template <typename Form>
    static FakeFormWindow* WindowOf(Form* form) {  // only a window that shows can be clicked
        auto* w = form ? static_cast<FakeFormWindow*>(&form->window()) : nullptr;
        return w && w->visible ? w : nullptr;
    }
    FakeFormWindow* dialog() { return WindowOf(form.loadedOptionDialog()); }
    FakeFormWindow* about() { return WindowOf(form.loadedAboutWindow()); }
    // The close box, or a close request from elsewhere, which reaches a window whose box waits too.
    void close(FakeFormWindow* w, bool request) {
        if (w) step(request ? L"close request" : L"close box", [=] { request ? w->requestClose() : w->closeBox(); });
    }

    void click(FakeFormWindow* w, int control, const std::wstring& name) {
        if (w) step(name, [=] { w->click(control); });
    }

    std::wstring folderChoice() {
        const std::wstring inForce = WithoutTrailingBackslash(globals.UserFolderSetting);
        const std::wstring choices[] = {kChanging[0], kChanging[1], L"X:\\Nowhere", kProtected, kTooLong,
                                        F::upper(inForce) + L"\\", L"C:\\Temp", inForce};
        return choices[pick(8)];
    }

    void act() {
        fake.answer = pick(2) ? 6 : 7;
        switch (pick(21)) {
            case 0: case 1: case 2: tick(); break;
            case 3: case 4: step(L"reload", [this] { form.mnRefresh_Click(); }); break;
            case 5: step(L"next", [this] { form.mnNext_Click(); }); break;
            case 6: case 7:  // the dialog shows at once, or once a running load is over
                step(L"open the settings", [this] { form.Form_MouseMove(515); });
                expect(ended_ || form.loading() || dialog(), L"no settings dialog after a double click");
                break;
            case 8: case 9: case 10: apply(); break;
            case 11:
                fake.pickerAnswer = pick(2) ? std::optional(folderChoice()) : std::nullopt;
                click(dialog(), O::cmdBrowser, L"browse to " + fake.pickerAnswer.value_or(L"-"));
                break;
            case 12: close(pick(2) ? dialog() : about(), pick(2)); break;
            case 13: step(L"about", [this] { form.mnAbout_Click(); }); break;
            case 14: click(about(), V::Label2, L"a link, answered " + std::to_wstring(fake.answer)); break;
            case 15: click(about(), V::OKButton, L"about's OK"); break;
            case 16: case 17: changeFolder(); break;
            case 18: changePicture(); break;
            case 19: editSettingsFile(); break;
            default: if (pick(4) == 0) step(L"exit", [this] { form.mnClose_Click(); }); break;
        }
    }

    void tick() {  // only while the timer runs
        const std::uint32_t ms = pick(6000);
        if (fake.timerInterval) step(L"tick after " + std::to_wstring(ms) + L" ms", [=] { tickAfter(ms); });
    }

    // The user fills the dialog and presses 設定(&S).
    void apply() {
        FakeFormWindow* d = dialog();
        if (!d || d->disabled) return;
        const std::wstring intervals[] = {L"30", L"0", L"", L"12a", L"99999999999", (*d)[O::Text1].text};
        (*d)[O::Text1].text = intervals[pick(6)];
        (*d)[O::Combo1].selectedIndex = static_cast<int>(pick(4));
        const bool user = pick(2);
        (*d)[O::Opt1].checked = !user;
        (*d)[O::Opt2].checked = user;
        if (user && pick(2)) (*d)[O::txtPath].text = folderChoice();
        click(d, O::Command1, L"apply " + (*d)[O::Text1].text + L" in " + (user ? (*d)[O::txtPath].text : L"temp"));
    }

    // A folder becomes protected or writable again, or vanishes with its files and comes back empty.
    void changeFolder() {
        const std::wstring& folder = kChanging[pick(2)];
        if (pick(2)) {
            const bool protect = !fake.unwritableFolders.erase(F::upper(folder));
            if (protect) fake.unwritableFolders.insert(F::upper(folder));
            return log(folder + (protect ? L" becomes protected" : L" becomes writable"));
        }
        const bool vanishes = fake.folders.erase(folder) || !fake.folders.insert(folder).second;
        for (auto it = fake.files.begin(); it != fake.files.end();) {
            it = vanishes && F::folderOf(it->first) == folder ? fake.files.erase(it) : std::next(it);
        }
        log(folder + (vanishes ? L" vanishes" : L" comes back, empty"));
    }

    void changePicture() {
        const std::wstring& picture = kPictures[pick(3)];
        const unsigned fate = pick(8) ? pick(2) : 2;  // a damaged picture ends the next load
        const wchar_t* fates[] = {L"vanishes", L"is there", L"is damaged"};
        if (fate == 0) fake.files.erase(picture);
        else fake.addFile(picture, fate == 1 ? "x" : F::kDamaged);
        log(picture + L" " + fates[fate]);
    }

    void editSettingsFile() {
        const wchar_t* types[] = {L"0", L"1", L"2", L"x"};
        const std::wstring type = pick(16) ? types[pick(4)] : L"70000", folder = folderChoice();  // 70000 ends a load
        fake.profile[L"Setting/TempPathType"] = type;
        fake.profile[L"Setting/UserTempPath"] = folder;
        log(L"TapiVEX.CFG edited: " + type + L", " + folder);
    }

    // TempPathType=1 comes before the folder of the choice: the file is judged
    // at the next thing the program does, unless that is the folder's write.
    void settleProfileWrite() {
        if (pendingProfile_) expect(*pendingProfile_, L"TapiVEX.CFG names a folder that takes no copies");
        pendingProfile_.reset();
    }

    void observe(const std::string& what, const std::wstring& path) {
        usedFolders_.insert(F::upper(globals.ConvertFolder));
        if (what != "profile" || path == L"UserTempPath") pendingProfile_.reset();
        settleProfileWrite();
        const std::wstring key = F::upper(path), folder = F::upper(F::folderOf(path) + L"\\");
        if (what == "delete") {  // only the program's own copies, in its own folders
            expect(IsCopy(path) && usedFolders_.count(folder), L"deleted " + path);
            if (!fake.canCreateFileIn(F::folderOf(path))) excused_.insert(key);  // protected meanwhile
            deletedCopies_.insert(key);
        } else if (what == "bitmap") {
            expect(IsCopy(path) && folder == F::upper(globals.ConvertFolder), L"wrote " + path);
            copies_.insert(key);
            excused_.erase(key);
            deletedCopies_.erase(key);
        } else if (what == "profile") {  // the folder it names can take the copies and reads back whole
            const std::wstring stored = fake.profile[L"Setting/UserTempPath"];
            pendingProfile_ = fake.profile[L"Setting/TempPathType"] == L"0" ||
                              (fake.canCreateFileIn(stored) && *fake.folderPathAnsiBytes(stored) <= 240 &&
                               fake.readString(L"", L"Setting", L"UserTempPath", L"", 256) == stored);
            if (path == L"UserTempPath") settleProfileWrite();
        } else if (what == "wallpaper") {  // a copy gone meanwhile is the service's to refuse
            expect(!form.loading(), L"a wallpaper applied during a load");
            expect(!deletedCopies_.count(key), L"showed a copy it deleted: " + path);
        } else if (what == "show" && path == L"オプション設定") {
            checkOpening();
        }
    }

    // The dialog shows the settings in force, and compares with them.
    void checkOpening() {
        frmOption& option = *form.loadedOptionDialog();
        FakeFormWindow& d = static_cast<FakeFormWindow&>(option.window());
        const bool user = globals.UseUserFolder != 0;
        expect(d[O::Text1].text == std::to_wstring(globals.ChangeInterval) &&
                   d[O::Combo1].selectedIndex == globals.DisplayStyle && d[O::Opt2].checked == user &&
                   d[O::Opt1].checked != user && d[O::txtPath].enabled == user &&
                   d[O::cmdBrowser].enabled == user &&
                   d[O::txtPath].text == WithoutTrailingBackslash(globals.UserFolderSetting) &&
                   option.OldUseUserFolder == globals.UseUserFolder &&
                   option.OldConvertFolder == WithoutTrailingBackslash(globals.ConvertFolder),
               L"the dialog opened on other settings than those in force");
    }

    std::mt19937 rng_;
    std::wostringstream log_;
    std::wstring breach_;
    int depth_ = 0;
    bool ended_ = false;
    std::optional<bool> pendingProfile_;  // a write of TapiVEX.CFG not judged yet: whether it is sound
    // The folders used, the copies written, deleted, and those whose deletion met a protected folder.
    std::set<std::wstring> usedFolders_, copies_, deletedCopies_, excused_;
};

TEST(UserStates, WhatMustAlwaysHoldHoldsOnRandomWalks) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        const std::wstring breach = Walk(seed).run(80);
        ASSERT_EQ(breach, L"") << "seed " << seed;
    }
}

}  // namespace
}  // namespace tapivex::testing
