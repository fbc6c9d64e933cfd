#include "app/frmMain.h"

#include <iterator>
#include <memory>
#include <utility>
#include <vector>

#include "app/Messages.h"
#include "app/Module1.h"
#include "config/PathText.h"
#include "config/SettingsFile.h"
#include "convert/ConvertedImages.h"
#include "platform/Failures.h"
#include "ui/frmOption.h"
#include "ui/frmVersion.h"

namespace tapivex {
namespace {

// Marks a load as running for as long as it lives.
class LoadingFlag {
public:
    explicit LoadingFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~LoadingFlag() { flag_ = false; }
    LoadingFlag(const LoadingFlag&) = delete;
    LoadingFlag& operator=(const LoadingFlag&) = delete;

private:
    bool& flag_;
};

// A reload asked for while the conversion yields: the running load stops
// there, and the new one takes its place.
struct LoadAbandoned {};

}  // namespace

frmMain::frmMain(System system, Globals& globals, MainWindowHost& window, WindowFactory& windows)
    : sys_(system), g_(globals), window_(window), windows_(windows) {
    sys_.ui.initializeCom();
}

frmMain::~frmMain() = default;

bool frmMain::waitsForTheLoad(bool& request) {
    if (loading_) request = true;
    return loading_;
}

void frmMain::Form_Load() {
    if (waitsForTheLoad(reloadRequested_)) return;
    {  // the load's flag ends here: settings asked for meanwhile open after it
        LoadingFlag flag(loading_);
        do {
            reloadRequested_ = false;
            try {
                loadSequence();
            } catch (const LoadAbandoned&) {
            } catch (const std::exception&) {
                showWarning(kMsgStartupFailure);
                Form_QueryUnload();
            }
        } while (reloadRequested_);
    }
    if (std::exchange(settingsRequested_, false)) mnChange_Click();
}

void frmMain::loadSequence() {
    ConvertedCount = 0;
    UnreadableCount = 0;
    findWindowsTempPath();

    if (window_.previousInstance()) {
        showWarning(kMsgAlreadyRunning);
        endAtOnce();
    }

    g_.SettingsFilePath = WithTrailingBackslash(sys_.files.programFolder()) + kSettingsFileName;
    resolveConversionFolder();
    dropCopiesOfAnotherFolder();
    window_.moveTo(kOffScreenTwips, kOffScreenTwips);

    EntryCount = 0;
    NextRequested = kFalse;
    LastAppliedPath.clear();
    if (!sys_.files.setCurrentDirectory(sys_.files.programFolder())) {
        throw RuntimeFailure("the program's folder cannot be made current");
    }
    g_.WallpaperList.fill(WallpaperEntry{});
    g_.DisplayStyle = kKeepSystemStyle;
    g_.ChangeInterval = kDefaultInterval;

    const std::wstring header =
        ReadWallpaperList(sys_.files, {g_.WallpaperList, EntryCount, UnreadableList, UnreadableCount});
    convertPictures();

    switch (ParseHeaderLine(header, sys_.files.decimalSeparator(), g_.ChangeInterval, g_.DisplayStyle)) {
        case HeaderError::None: break;
        case HeaderError::IntervalNotNumeric: showWarning(kMsgIntervalNotNumeric); Form_QueryUnload();
        case HeaderError::StyleNotNumeric: showWarning(kMsgStyleNotNumeric); Form_QueryUnload();
    }
    g_.DisplayStyle = StyleInForce(g_.DisplayStyle);
    CurrentIndex = 0;

    if (EntryCount == 0 && UnreadableCount == 0) {
        showWarning(kMsgNothingToShow);
        endAtOnce();
    }
    g_.ChangeInterval = IntervalInForce(g_.ChangeInterval);
    LastChangeTick = static_cast<std::int32_t>(sys_.clock.milliseconds());
    window_.setTimerInterval(kTimerInterval);
    AddTrayIcon(window_, g_.TrayIconData, window_.windowHandle(), window_.iconHandle(), kTrayTip);
    iconAdded_ = true;
}

void frmMain::findWindowsTempPath() {
    constexpr std::size_t kBufferChars = 250;
    const FileSystem::TempPath temp = sys_.files.windowsTempPath(kBufferChars);
    // 0: the call failed; 250 or more: the folder did not fit and nothing was
    // written. Either way the program's folder stands in.
    if (temp.length != 0 && temp.length < kBufferChars) {
        WindowsTempPath = temp.folder;
    } else {
        WindowsTempPath = WithTrailingBackslash(sys_.files.programFolder());
    }
}

void frmMain::resolveConversionFolder() {
    ConversionFolderChoice choice =
        ReadSettingsFile(sys_.files, sys_.profile, g_.SettingsFilePath, WindowsTempPath);
    g_.UseUserFolder = choice.UseUserFolder;
    g_.UserFolderSetting = std::move(choice.UserFolderSetting);
    g_.ConvertFolder = std::move(choice.ConvertFolder);
}

// The copies live as long as the schedule that uses them: a load into
// another folder than the previous load's (a choice of the settings dialog, a
// settings file edited by hand, a folder gone offline) removes the old ones.
void frmMain::dropCopiesOfAnotherFolder() {
    FileSystem& files = sys_.files;
    if (files.upperCase(copiesFolder_) != files.upperCase(g_.ConvertFolder)) DeleteImagesIn(files, copiesFolder_);
    copiesFolder_ = g_.ConvertFolder;
}

void frmMain::convertPictures() {
    // A converted entry names its bitmap from then on.
    for (ConvertIndex = 0; ConvertIndex != EntryCount; ++ConvertIndex) {
        std::wstring& path = g_.WallpaperList[ConvertIndex].Path;
        if (!NeedsConversion(path) || !sys_.files.fileExists(path)) continue;
        const std::wstring bitmap = ConvertedImageName(g_.ConvertFolder, ConvertedCount);
        const std::unique_ptr<Picture> picture = sys_.pictures.load(path);
        sys_.ui.doEvents();
        if (reloadRequested_) throw LoadAbandoned{};
        picture->saveAsBitmap(bitmap);
        path = bitmap;
        ++ConvertedCount;
    }
}

void frmMain::Form_MouseMove(std::uintptr_t lParam) {
    constexpr unsigned kLeftDoubleClick = 515;
    constexpr unsigned kRightButtonDown = 516;
    switch (lParam & 0xFFFF) {
        case kLeftDoubleClick: mnChange_Click(); break;
        case kRightButtonDown: popUpMenu(); break;
        default: break;
    }
}

void frmMain::popUpMenu() {
    struct Item {
        const wchar_t* caption;
        void (frmMain::*command)();
    };
    static const Item mnu[] = {
        {L"設定ﾌｧｲﾙ再読込み(&R)", &frmMain::mnRefresh_Click},
        {L"設定変更(&C)", &frmMain::mnChange_Click},
        {L"次の壁紙へ(&N)", &frmMain::mnNext_Click},
        {L"-", nullptr},
        {L"ﾊﾞｰｼﾞｮﾝ情報(&A)", &frmMain::mnAbout_Click},
        {L"-", nullptr},
        {L"終了(&X)", &frmMain::mnClose_Click},
    };
    std::vector<std::wstring> captions;
    for (const Item& item : mnu) captions.emplace_back(item.caption);
    const int chosen = window_.popUpMenu(captions);
    if (chosen >= 0 && chosen < static_cast<int>(std::size(mnu)) && mnu[chosen].command) {
        (this->*mnu[chosen].command)();
    }
}

void frmMain::TaskbarCreated() {
    if (iconAdded_) AddTrayIcon(window_, g_.TrayIconData, window_.windowHandle(), window_.iconHandle(), kTrayTip);
}

void frmMain::mnRefresh_Click() {
    window_.setTimerInterval(0);
    Form_Load();
}

void frmMain::mnChange_Click() {
    if (waitsForTheLoad(settingsRequested_)) return;
    window_.setTimerInterval(0);
    try {
        optionDialog().open();
    } catch (...) {
        // No dialog, so no close of it will restart the rotation.
        window_.setTimerInterval(kTimerInterval);
        throw;
    }
}

frmOption& frmMain::optionDialog() {
    return optionDialog_.getOrLoad([&] { return std::make_unique<frmOption>(sys_, g_, windows_, *this); });
}

void frmMain::unload(frmOption& dialog) { optionDialog_.unload(dialog); }
void frmMain::unload(frmVersion& about) { aboutWindow_.unload(about); }

void frmMain::FreeUnloadedForms() {
    optionDialog_.FreeUnloaded();
    aboutWindow_.FreeUnloaded();
}

void frmMain::mnNext_Click() { NextRequested = kTrue; }

void frmMain::mnAbout_Click() {
    aboutWindow_.getOrLoad([&] { return std::make_unique<frmVersion>(sys_, windows_, *this); }).window().show();
}

void frmMain::mnClose_Click() { Form_QueryUnload(); }

void frmMain::Form_QueryUnload() {
    DeleteImagesIn(sys_.files, g_.ConvertFolder);
    RemoveTrayIcon(window_, g_.TrayIconData);
    endAtOnce();
}

// The main window is never shown, so its messages belong to no window: each
// stands on the desktop with a taskbar button of its own, where the user finds
// it, and leaves the icon's menu and any open window usable.
void frmMain::showWarning(const wchar_t* text) { sys_.ui.messageBox(0, text, kWarning); }

void frmMain::endAtOnce() { throw ProgramEnd{}; }

}  // namespace tapivex
