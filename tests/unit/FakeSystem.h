// An in-memory system for the unit tests: files, folders, a profile file, the
// registry writes, the wallpaper calls, a clock, the message boxes and a
// message loop that runs other messages while a box waits, as the real one does.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "config/PathText.h"
#include "platform/Failures.h"
#include "platform/FormWindow.h"
#include "platform/MainWindowHost.h"
#include "platform/System.h"

namespace tapivex::testing {

class FakeSystem;

struct StringStream : ByteStream {
    explicit StringStream(const std::string& bytes) : in(bytes) {}
    std::size_t read(char* buffer, std::size_t capacity) override {
        return static_cast<std::size_t>(in.read(buffer, static_cast<std::streamsize>(capacity)).gcount());
    }
    std::istringstream in;
};

// A control of a fake window: its state as the real control would hold it.
struct FakeControl {
    std::wstring text;
    bool enabled = true, checked = false, bold = false;
    int selectedIndex = -1;
};

// A form window. The user's actions are messages dispatched by the system
// (FakeSystem::dispatch); like real input they do nothing on a closed window
// or on one disabled by its own message box.
class FakeFormWindow : public FormWindow {
public:
    FakeFormWindow(FakeSystem& system, const FormSpec& layout, FormEvents& events, std::uintptr_t handle)
        : form(layout), system_(system), events_(events), handle_(handle), controls_(layout.controls.size()) {}
    ~FakeFormWindow() override;
    std::wstring text(int control) override { return closed ? L"" : at(control).text; }
    void setText(int control, const std::wstring& text) override { if (!closed) at(control).text = text; }
    bool checked(int control) override { return !closed && at(control).checked; }
    void setChecked(int control, bool checked) override { if (!closed) at(control).checked = checked; }
    int selectedIndex(int control) override { return closed ? -1 : at(control).selectedIndex; }
    void setSelectedIndex(int control, int index) override { if (!closed) at(control).selectedIndex = index; }
    void setEnabled(int control, bool enabled) override { if (!closed) at(control).enabled = enabled; }
    void setBold(int control, bool bold) override { if (!closed) at(control).bold = bold; }
    void show() override;
    void close() override { closed = true; visible = false; }
    std::uintptr_t handle() override { return closed ? 0 : handle_; }
    std::uintptr_t icon() override { return icon_ ? icon_ : 0x1000 + static_cast<std::uintptr_t>(form.iconId); }
    void setIcon(std::uintptr_t icon) override { icon_ = icon; }
    void openLink(const std::wstring& target) override;

    // What the user does.
    void click(int control) { input([&] { events_.onClick(control); }); }
    void moveOver(int control) { input([&] { events_.onMouseMove(control); }); }
    void press(int control) { input([&] { events_.onMouseDown(control); }); }
    void closeBox() { input([&] { events_.onClose(); }); }
    std::int16_t type(int control, std::int16_t key) {
        input([&] { events_.onKeyPress(control, key); });
        return key;
    }
    // A close request from elsewhere (a posted WM_CLOSE): it reaches a disabled window too.
    void requestClose();
    FakeControl& operator[](int control) { return at(control); }

    const FormSpec& form;  // the window's table
    std::vector<std::wstring> links;
    int showCount = 0;
    bool visible = false, closed = false;
    bool disabled = false;  // a message box of the window waits

private:
    template <typename Action>
    void input(Action&& action);
    FakeControl& at(int control) { return controls_.at(static_cast<std::size_t>(control)); }

    FakeSystem& system_;
    FormEvents& events_;
    std::uintptr_t handle_;
    std::vector<FakeControl> controls_;
    std::uintptr_t icon_ = 0;
};

// Paths are absolute texts ("C:\\Tools\\a.bmp") or relative to `currentDirectory`.
class FakeSystem : public FileSystem, public ProfileFile, public Desktop, public Clock, public UserInterface,
                   public PictureLoader, public MainWindowHost, public WindowFactory, public FolderPicker {
public:
    System system() { return System{*this, *this, *this, *this, *this, *this, *this}; }

    // --- state the tests arrange and inspect
    std::wstring folder = L"C:\\Tools";
    std::wstring tempPath = L"C:\\Temp\\";  // "": GetTempPathA fails
    std::wstring currentDirectory = L"C:\\";
    std::map<std::wstring, std::string> files;  // absolute path -> bytes
    std::set<std::wstring> folders{L"C:\\", L"C:\\Temp", L"C:\\Tools"};
    std::map<std::wstring, std::wstring> profile;  // "section/key" -> value
    // What fails: TapiVEX.CFG cannot be written, the registry, the folder picker, a window's creation.
    bool profileReadOnly = false, registryFails = false, pickerFails = false, windowsFail = false;
    bool anotherCopyRunning = false;
    // Folders in which no file can be made or deleted (a protected folder).
    std::set<std::wstring> refusedWallpapers, unwritableFolders;
    static constexpr char kDamaged[] = "damaged";  // a picture file that the loader cannot read
    std::uint32_t now = 0;
    int answer = 1;  // the button every message box returns
    int menuChoice = -1;
    std::optional<std::wstring> pickerAnswer;
    // Runs once inside the next message box or folder picker, as other
    // messages run in its loop while it waits: a tick, a click, a close request.
    std::function<void()> whileBoxWaits;
    std::function<void()> onDoEvents;
    // Sees each thing the program does as it happens: "show" (a window's
    // caption), "wallpaper", "bitmap" and "delete" (a path), "profile" (a key).
    std::function<void(const std::string& what, const std::wstring& detail)> observe;
    // What the program did.
    std::vector<std::wstring> deleted, profileWrites, wallpaperCalls, menuCaptions;
    std::vector<std::pair<std::wstring, std::wstring>> registryWrites;
    std::vector<std::wstring> messages;  // the texts, styles and owners of the message boxes
    std::vector<unsigned> messageStyles;
    std::vector<std::uintptr_t> messageOwners;
    std::vector<std::wstring> conversions;  // the bitmaps written
    unsigned timerInterval = 0;
    std::pair<int, int> windowPosition{0, 0};
    std::vector<std::pair<std::uint32_t, NotifyIconRecord>> iconCalls;
    std::vector<std::wstring> pickerCalls;  // owner's handle, start folder and current directory of each
    int windowsCreated = 0;
    std::vector<FakeFormWindow*> windows;  // the window objects that exist, oldest first

    void addFile(const std::wstring& path, std::string bytes = "x") { files[absolute(path)] = std::move(bytes); }
    void writeList(const std::string& bytes) {
        addFile(folder + (folder.back() == L'\\' ? L"" : L"\\") + L"Tapivex.INI", bytes);
    }
    std::wstring absolute(const std::wstring& path) const {
        if (path.size() >= 2 && path[1] == L':') return path;
        if (EndsWithBackslash(path.substr(0, 1))) return currentDirectory.substr(0, 2) + path;  // the drive's root
        return WithTrailingBackslash(currentDirectory) + path;
    }
    // The locale's capitals: ASCII and full-width letters.
    static std::wstring upper(std::wstring s) {
        for (auto& c : s) {
            if ((c >= L'a' && c <= L'z') || (c >= L'ａ' && c <= L'ｚ')) c = static_cast<wchar_t>(c - (L'a' - L'A'));
        }
        return s;
    }
    // The fake's ANSI code page reads bytes as Latin-1 and, like Shift-JIS, also
    // holds the full-width letters; any other character has no ANSI form.
    static bool hasAnsiForm(const std::wstring& s) {
        return std::all_of(s.begin(), s.end(),
                           [](wchar_t c) { return (c != L'\0' && c <= 0xFF) || (c >= L'！' && c <= L'～'); });
    }
    static std::size_t ansiBytes(const std::wstring& s) {
        return std::accumulate(s.begin(), s.end(), std::size_t{0},
                               [](std::size_t n, wchar_t c) { return n + (c <= 0xFF ? 1 : 2); });
    }
    static std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }
    void see(const std::string& what, const std::wstring& detail) { if (observe) observe(what, detail); }
    // File names compare without regard to letter case, as on Windows.
    std::map<std::wstring, std::string>::iterator findFile(const std::wstring& path) {
        const std::wstring key = upper(absolute(path));
        return std::find_if(files.begin(), files.end(), [&](const auto& f) { return upper(f.first) == key; });
    }
    FakeFormWindow& newestWindow(const std::wstring& caption) {
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
            if ((*it)->form.caption == caption) return **it;
        }
        throw std::logic_error("no such window");
    }

    // --- FileSystem
    std::wstring programFolder() override { return folder; }
    TempPath windowsTempPath(std::size_t bufferChars) override {
        const auto length = static_cast<std::uint32_t>(tempPath.size());
        return length < bufferChars ? TempPath{length, tempPath} : TempPath{length + 1, L""};
    }
    bool setCurrentDirectory(const std::wstring& path) override {
        if (!folders.count(path)) return false;
        currentDirectory = path;
        return true;
    }
    bool fileExists(const std::wstring& path) override { return hasAnsiForm(path) && findFile(path) != files.end(); }
    bool folderExists(const std::wstring& path) override {
        std::wstring p = absolute(path);
        if (p.size() > 3 && p.back() == L'\\') p.pop_back();
        if (p.size() == 2) p += L'\\';
        return hasAnsiForm(p) &&
               std::any_of(folders.begin(), folders.end(), [&](const std::wstring& f) { return upper(f) == upper(p); });
    }
    bool canCreateFileIn(const std::wstring& path) override {
        return folderExists(path) && !unwritableFolders.count(upper(WithoutTrailingBackslash(absolute(path))));
    }
    std::optional<std::size_t> folderPathAnsiBytes(const std::wstring& path) override {
        std::wstring p = absolute(path);
        if (p.size() > 3) p = WithoutTrailingBackslash(p);
        return hasAnsiForm(p) ? std::optional<std::size_t>(ansiBytes(p)) : std::nullopt;
    }
    std::wstring upperCase(const std::wstring& text) override { return upper(text); }
    void deleteFile(const std::wstring& path) override {
        deleted.push_back(path);
        see("delete", path);
        auto it = findFile(path);
        if (it != files.end() && canCreateFileIn(folderOf(it->first))) files.erase(it);
    }
    std::unique_ptr<ByteStream> openForReading(const std::wstring& path) override {
        auto it = findFile(path);
        return it == files.end() ? nullptr : std::make_unique<StringStream>(it->second);
    }
    std::wstring fromAnsi(const std::string& bytes) override {  // Latin-1: one byte, one character
        std::wstring wide;
        for (unsigned char c : bytes) wide += static_cast<wchar_t>(c);
        return wide;
    }
    wchar_t decimalSeparator() override { return L'.'; }

    // --- ProfileFile
    std::uint32_t readInt(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                          int defaultValue) override {
        const std::wstring text = readString(file, section, key, std::to_wstring(defaultValue), 256);
        return static_cast<std::uint32_t>(std::wcstoll(text.c_str(), nullptr, 10));
    }
    std::wstring readString(const std::wstring&, const std::wstring& section, const std::wstring& key,
                            const std::wstring& defaultValue, std::size_t bufferChars) override {
        auto it = profile.find(section + L"/" + key);
        std::wstring value = it == profile.end() ? defaultValue : it->second;
        while (ansiBytes(value) > bufferChars - 1) value.pop_back();  // the buffer holds ANSI bytes
        return value;
    }
    bool writeString(const std::wstring&, const std::wstring& section, const std::wstring& key,
                     const std::wstring& value) override {
        if (profileReadOnly) return false;
        profile[section + L"/" + key] = value;
        profileWrites.push_back(key + L"=" + value);
        see("profile", key);
        return true;
    }

    // --- Desktop
    void writeRegistryString(const std::wstring& valuePath, const std::wstring& value) override {
        if (registryFails) throw RuntimeFailure("registry");
        registryWrites.emplace_back(valuePath, value);
    }
    // Refused as Windows refuses it: a file that does not exist, or one the test names.
    bool setWallpaper(const std::wstring& path) override {
        wallpaperCalls.push_back(path);
        see("wallpaper", path);
        return (path.empty() || fileExists(path)) && !refusedWallpapers.count(path);
    }

    // --- Clock
    std::uint32_t milliseconds() override { return now; }

    // --- UserInterface
    int messageBox(std::uintptr_t owner, const std::wstring& text, unsigned style) override {
        messages.push_back(text);
        messageStyles.push_back(style);
        messageOwners.push_back(owner);
        modalLoop(owner);
        return answer;
    }
    // A box or the picker is modal to its owner, which may be gone when it
    // returns; other messages run while it waits.
    void modalLoop(std::uintptr_t owner) {
        for (FakeFormWindow* w : windows) w->disabled = w->disabled || (owner && w->handle() == owner);
        if (auto loop = std::exchange(whileBoxWaits, nullptr)) loop();
        for (FakeFormWindow* w : windows) w->disabled = w->disabled && !(owner && w->handle() == owner);
    }
    void doEvents() override { if (onDoEvents) onDoEvents(); }
    void initializeCom() override { com = true; }
    bool com = false;

    // --- PictureLoader
    struct FakePicture : Picture {
        explicit FakePicture(FakeSystem& owner) : system(owner) {}
        // Writes the bitmap: a file of that name exists from then on.
        void saveAsBitmap(const std::wstring& path) override {
            if (!system.canCreateFileIn(folderOf(path))) throw RuntimeFailure("the bitmap cannot be written");
            system.conversions.push_back(path);
            if (system.findFile(path) == system.files.end()) system.files[system.absolute(path)];
            system.see("bitmap", path);
        }
        FakeSystem& system;
    };
    std::unique_ptr<Picture> load(const std::wstring& path) override {
        auto it = findFile(path);
        if (it != files.end() && it->second == kDamaged) throw RuntimeFailure("not a picture");
        return std::make_unique<FakePicture>(*this);
    }

    // --- MainWindowHost
    bool previousInstance() override { return anotherCopyRunning; }
    void setTimerInterval(unsigned milliseconds) override { timerInterval = milliseconds; }
    void moveTo(int leftTwips, int topTwips) override { windowPosition = {leftTwips, topTwips}; }
    std::uintptr_t windowHandle() override { return 0x1234; }
    std::uintptr_t iconHandle() override { return 0x5678; }
    void shellNotifyIcon(std::uint32_t message, const NotifyIconRecord& record) override {
        iconCalls.emplace_back(message, record);
    }
    int popUpMenu(const std::vector<std::wstring>& captions) override {
        menuCaptions = captions;
        return menuChoice;
    }

    // --- FolderPicker
    std::optional<std::wstring> BrowseForFolder(std::uintptr_t owner, const std::wstring& initialFolder) override {
        pickerCalls.push_back(std::to_wstring(owner) + L" " + initialFolder + L" " + currentDirectory);
        if (pickerFails) throw RuntimeFailure("picker");
        modalLoop(owner);
        return pickerAnswer;
    }

    // --- WindowFactory
    std::unique_ptr<FormWindow> create(const FormSpec& layout, FormEvents& events) override {
        if (windowsFail) throw RuntimeFailure("the window cannot be created");
        auto window = std::make_unique<FakeFormWindow>(*this, layout, events, 0x4000 + ++windowsCreated);
        windows.push_back(window.get());
        return window;
    }

    // --- The message loop
    // Runs one message's handler. When the outermost one returns, nothing
    // runs and `betweenMessages` (the program's clean-up point) is called.
    template <typename Handler>
    void dispatch(Handler&& handler) {
        ++dispatchDepth_;
        struct Leave {
            FakeSystem& system;
            ~Leave() {
                if (--system.dispatchDepth_ == 0 && system.betweenMessages) system.betweenMessages();
            }
        } leave{*this};
        handler();
    }
    std::function<void()> betweenMessages;

private:
    int dispatchDepth_ = 0;
};

template <typename Action>
void FakeFormWindow::input(Action&& action) {
    if (!closed && !disabled) system_.dispatch(action);
}

inline FakeFormWindow::~FakeFormWindow() {
    auto& windows = system_.windows;
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

// The shell's handler of a link may be a COM object: a link opened before COM records so.
inline void FakeFormWindow::openLink(const std::wstring& target) {
    links.push_back(target + (system_.com ? L"" : L" without COM"));
}

inline void FakeFormWindow::show() {
    if (closed) return;
    visible = true;
    ++showCount;
    system_.see("show", form.caption);
}

inline void FakeFormWindow::requestClose() {
    if (!closed) system_.dispatch([&] { events_.onClose(); });
}

}  // namespace tapivex::testing
