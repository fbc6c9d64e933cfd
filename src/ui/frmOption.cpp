#include "ui/frmOption.h"

#include "app/Messages.h"
#include "app/Resources.h"
#include "app/frmMain.h"
#include "config/Number.h"
#include "config/PathText.h"
#include "config/SettingsFile.h"
#include "config/WallpaperListFile.h"
#include "convert/ConvertedImages.h"
#include "platform/Failures.h"

namespace tapivex {
namespace {

constexpr std::int16_t kEnter = 13;
constexpr std::int16_t kBackspace = 8;

FormSpec BuildLayout() {
    const FontSpec label{L"ＭＳ Ｐゴシック", 9};
    const FontSpec framesAndButtons{L"ＭＳ Ｐゴシック", 9.75};
    using K = ControlKind;
    using C = frmOption;

    FormSpec form;
    form.caption = L"オプション設定";
    form.clientWidth = 4710;
    form.clientHeight = 4845;
    form.font = {L"ＭＳ ゴシック", 9};
    form.iconId = TAPIVEX_SETTINGS_ICON;
    form.controls = InIdOrder({
        Row(L"各種設定変更", C::Label1_5, K::Label, kOnWindow, 120, 120, 1080, 180, label),
        Row(L"壁紙設定", C::Frame1_0, K::Frame, kOnWindow, 113, 360, 4455, 2175, framesAndButtons),
        Row(L"ここの設定はアプリを一度終了させると元に戻ります", C::Label1_2, K::Label, C::Frame1_0, 240, 240, 3960,
            180, label),
        Row(L"壁紙を変更する間隔", C::Label1_1, K::Label, C::Frame1_0, 240, 720, 1560, 180, label),
        Row(L"00", C::Text1, K::TextBox, C::Frame1_0, 1920, 600, 1095, 270, {}, 0),
        Row(L"秒おきに変更", C::Label1_0, K::Label, C::Frame1_0, 3120, 720, 1020, 180, label),
        Row(L"※10秒以下の場合、パソコンが応答しなくなることがあります", C::Label1_4, K::Label, C::Frame1_0, 120, 960,
            4185, 165, {L"ＭＳ Ｐゴシック", 8.25}),
        Row(L"壁紙の表示方法", C::Label1_3, K::Label, C::Frame1_0, 240, 1440, 1260, 180, label),
        // The labels' proportional face: in the window's fixed-pitch one the
        // longest item would not fit beside the drop button.
        Row(L"", C::Combo1, K::DropDownList, C::Frame1_0, 1680, 1320, 2535, 300, label, 7),
        Row(L"BMP変換ファイルの保存先", C::Frame1_1, K::Frame, kOnWindow, 120, 2640, 4455, 1455, framesAndButtons),
        Row(L"Windowsのtempフォルダ（デフォルト）", C::Opt1, K::OptionButton, C::Frame1_1, 240, 240, 3735, 180, {}, 6),
        Row(L"フォルダを指定", C::Opt2, K::OptionButton, C::Frame1_1, 240, 480, 3735, 180, {}, 5),
        Row(L"txtPath", C::txtPath, K::TextBox, C::Frame1_1, 480, 720, 3615, 270, {}, 4),
        Row(L"参照(&B)", C::cmdBrowser, K::CommandButton, C::Frame1_1, 3480, 1080, 855, 255, {}, 3),
        Row(L"設定(&S)", C::Command1, K::CommandButton, kOnWindow, 2040, 4320, 1215, 375, framesAndButtons, 1),
        Row(L"ｷｬﾝｾﾙ(&C)", C::Command2, K::CommandButton, kOnWindow, 3360, 4320, 1215, 375, framesAndButtons, 2),
    });
    form.controls[C::Label1_2].colour = 0x008000;  // green note
    form.controls[C::Label1_4].colour = 0x0000FF;  // red warning
    form.controls[C::Command1].isDefault = true;
    form.controls[C::Combo1].items = {L"0:中央に表示", L"1:並べて表示", L"2:画面の大きさに拡大・縮小",
                                      L"3:Windowsの設定を保持"};
    return form;
}

}  // namespace

const FormSpec& frmOption::Layout() {
    static const FormSpec layout = BuildLayout();
    return layout;
}

frmOption::frmOption(System system, Globals& globals, WindowFactory& windows, frmMain& main)
    : sys_(system), g_(globals), main_(main), window_(windows.create(Layout(), *this)) {
    Form_Load();
}

void frmOption::Form_Load() { takeFolderInForce(); }

// A load between the dialog's load and an opening (a reload, a fallback when
// the user's folder went offline) may have changed the folder in force: the
// apply compares with the folder of this opening.
void frmOption::takeFolderInForce() {
    OldUseUserFolder = g_.UseUserFolder;
    OldConvertFolder = WithoutTrailingBackslash(g_.ConvertFolder);
    shownFolder_ = WithoutTrailingBackslash(g_.UserFolderSetting);
}

void frmOption::open() {
    takeFolderInForce();
    window_->setText(Text1, std::to_wstring(g_.ChangeInterval));
    window_->setSelectedIndex(Combo1, StyleInForce(g_.DisplayStyle));
    window_->setText(txtPath, shownFolder_);
    const bool userFolder = g_.UseUserFolder != 0;
    window_->setChecked(Opt1, !userFolder);
    window_->setChecked(Opt2, userFolder);
    if (userFolder) {
        Opt2_Click();
    } else {
        Opt1_Click();
    }
    window_->show();
}

void frmOption::Opt1_Click() {
    window_->setEnabled(txtPath, false);
    window_->setEnabled(cmdBrowser, false);
}

void frmOption::Opt2_Click() {
    window_->setEnabled(txtPath, true);
    window_->setEnabled(cmdBrowser, true);
}

void frmOption::Text1_KeyPress(std::int16_t& KeyAscii) {
    if (KeyAscii == kEnter) Command1_Click();
    const bool digit = KeyAscii >= L'0' && KeyAscii <= L'9';
    if (!digit && KeyAscii != kBackspace) KeyAscii = 0;
}

void frmOption::Command1_Click() {
    try {
        const std::optional<double> interval =
            ParseNumber(window_->text(Text1), sys_.files.decimalSeparator());
        if (!interval) {
            messageBox(kMsgIntervalNotInteger, kWarning);
            resetInterval();
            return;
        }
        const FolderChoice folder = saveFolderChoice();
        if (folder == FolderChoice::PathMissing) return;
        if (folder == FolderChoice::Changed) {
            // The old copies go after the notice, right before the reload: the
            // rotation may tick while the notice waits, and shows them until then.
            messageBox(kMsgReloading, kNotice);
            Form_Unload();
            DeleteConvertedImages();
            main_.Form_Load();
            return;
        }
        g_.ChangeInterval = FloorToInt32(*interval);
        g_.DisplayStyle = static_cast<std::int16_t>(window_->selectedIndex(Combo1));
        Form_Unload();
    } catch (const std::exception&) {
        messageBox(kMsgApplyFailed, kWarning);
        resetInterval();
    }
}

frmOption::FolderChoice frmOption::saveFolderChoice() {
    if (window_->checked(Opt1)) {
        if (OldUseUserFolder == 0) return FolderChoice::Unchanged;
        WriteSettingsFile(sys_.profile, g_.SettingsFilePath, false, L"");
        return FolderChoice::Changed;
    }
    const std::wstring path = window_->text(txtPath);
    // The folder in force as it was shown: nothing to test or save, even when
    // it has gone offline since.
    if (OldUseUserFolder != 0 && path == shownFolder_) return FolderChoice::Unchanged;
    switch (CheckConversionFolder(sys_.files, path)) {
        case FolderCheck::Usable: break;
        case FolderCheck::Missing: messageBox(kMsgPathMissing, kWarning); return FolderChoice::PathMissing;
        case FolderCheck::Unusable: throw RuntimeFailure("the folder cannot take the converted images");
    }
    WriteSettingsFile(sys_.profile, g_.SettingsFilePath, true, path);
    // Letter case and one trailing backslash are no change; leaving the
    // temporary folder always is, even for the same folder.
    auto upper = [&](const std::wstring& text) { return sys_.files.upperCase(text); };
    if (upper(WithoutTrailingBackslash(path)) == upper(OldConvertFolder) && OldUseUserFolder != 0) {
        return FolderChoice::Unchanged;
    }
    return FolderChoice::Changed;
}

void frmOption::resetInterval() { window_->setText(Text1, std::to_wstring(g_.ChangeInterval)); }

int frmOption::messageBox(const wchar_t* text, unsigned style) {
    return sys_.ui.messageBox(window_->handle(), text, style);
}

void frmOption::Command2_Click() { Form_Unload(); }

void frmOption::cmdBrowser_Click() {
    // Each step on its own: a failing one is skipped in silence.
    SkipOnFailure([&] { sys_.files.setCurrentDirectory(sys_.files.programFolder()); });
    std::optional<std::wstring> chosen;
    SkipOnFailure([&] { chosen = sys_.folderPicker.BrowseForFolder(window_->handle(), window_->text(txtPath)); });
    if (chosen) SkipOnFailure([&] { window_->setText(txtPath, *chosen); });
}

void frmOption::Form_Unload() {
    main_.setTimerInterval(frmMain::kTimerInterval);
    main_.unload(*this);
}

void frmOption::DeleteConvertedImages() { DeleteImagesIn(sys_.files, OldConvertFolder + L"\\"); }

void frmOption::onClick(int control) {
    switch (control) {
        case Opt1: Opt1_Click(); break;
        case Opt2: Opt2_Click(); break;
        case Command1: Command1_Click(); break;
        case Command2: Command2_Click(); break;
        case cmdBrowser: cmdBrowser_Click(); break;
        default: break;
    }
}

void frmOption::onKeyPress(int control, std::int16_t& key) {
    if (control == Text1) Text1_KeyPress(key);
}

}  // namespace tapivex
