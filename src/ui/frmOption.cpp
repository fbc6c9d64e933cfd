#include "ui/frmOption.h"

#include <cwctype>

#include "app/Messages.h"
#include "app/frmMain.h"
#include "config/Number.h"
#include "config/PathText.h"
#include "config/SettingsFile.h"
#include "convert/ConvertedImages.h"
#include "platform/Failures.h"

namespace tapivex {
namespace {

constexpr std::int16_t kEnter = 13;
constexpr std::int16_t kBackspace = 8;

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

ControlSpec Control(const wchar_t* name, ControlKind kind, const wchar_t* container, const wchar_t* caption,
                    int left, int top, int width, int height, FontSpec font = {}, int tabIndex = -1) {
    ControlSpec layout = PlaceControl(name, kind, container, caption, left, top, width, height, std::move(font));
    layout.tabIndex = tabIndex;
    return layout;
}

FormSpec BuildLayout() {
    const FontSpec label{L"ＭＳ Ｐゴシック", 9};
    const FontSpec framesAndButtons{L"ＭＳ Ｐゴシック", 9.75};
    using K = ControlKind;

    FormSpec form;
    form.caption = L"オプション設定";
    form.clientWidth = 4710;
    form.clientHeight = 4845;
    form.font = {L"ＭＳ ゴシック", 9};
    form.iconId = 2;  // the settings dialog's own icon
    form.controls = {
        Control(L"Label1(5)", K::Label, L"", L"各種設定変更", 120, 120, 1080, 180, label),
        Control(L"Frame1(0)", K::Frame, L"", L"壁紙設定", 113, 360, 4455, 2175, framesAndButtons),
        Control(L"Label1(2)", K::Label, L"Frame1(0)", L"ここの設定はアプリを一度終了させると元に戻ります", 240, 240,
                3960, 180, label),
        Control(L"Label1(1)", K::Label, L"Frame1(0)", L"壁紙を変更する間隔", 240, 720, 1560, 180, label),
        Control(L"Text1", K::TextBox, L"Frame1(0)", L"00", 1920, 600, 1095, 270, {}, 0),
        Control(L"Label1(0)", K::Label, L"Frame1(0)", L"秒おきに変更", 3120, 720, 1020, 180, label),
        Control(L"Label1(4)", K::Label, L"Frame1(0)", L"※10秒以下の場合、パソコンが応答しなくなることがあります", 120,
                960, 4185, 165, {L"ＭＳ Ｐゴシック", 8.25}),
        Control(L"Label1(3)", K::Label, L"Frame1(0)", L"壁紙の表示方法", 240, 1440, 1260, 180, label),
        Control(L"Combo1", K::DropDownList, L"Frame1(0)", L"", 1680, 1320, 2535, 300, {}, 7),
        Control(L"Frame1(1)", K::Frame, L"", L"BMP変換ファイルの保存先", 120, 2640, 4455, 1455, framesAndButtons),
        Control(L"Opt1", K::OptionButton, L"Frame1(1)", L"Windowsのtempフォルダ（デフォルト）", 240, 240, 3735, 180, {},
                6),
        Control(L"Opt2", K::OptionButton, L"Frame1(1)", L"フォルダを指定", 240, 480, 3735, 180, {}, 5),
        Control(L"txtPath", K::TextBox, L"Frame1(1)", L"txtPath", 480, 720, 3615, 270, {}, 4),
        Control(L"cmdBrowser", K::CommandButton, L"Frame1(1)", L"参照(&B)", 3480, 1080, 855, 255, {}, 3),
        Control(L"Command1", K::CommandButton, L"", L"設定(&S)", 2040, 4320, 1215, 375, framesAndButtons, 1),
        Control(L"Command2", K::CommandButton, L"", L"ｷｬﾝｾﾙ(&C)", 3360, 4320, 1215, 375, framesAndButtons, 2),
    };
    for (ControlSpec& c : form.controls) {
        if (c.name == L"Label1(2)") c.colour = 0x008000;  // green note
        if (c.name == L"Label1(4)") c.colour = 0x0000FF;  // red warning
        if (c.name == L"Command1") c.isDefault = true;
        if (c.name == L"Combo1") {
            c.items = {L"0:中央に表示", L"1:並べて表示", L"2:画面の大きさに拡大・縮小", L"3:Windowsの設定を保持"};
        }
    }
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

void frmOption::Form_Load() {
    OldUseUserFolder = g_.UseUserFolder;
    OldConvertFolder = WithoutTrailingBackslash(g_.ConvertFolder);
}

void frmOption::open() {
    control(L"Text1").text = std::to_wstring(g_.ChangeInterval);
    control(L"Combo1").selectedIndex = (g_.DisplayStyle >= 0 && g_.DisplayStyle <= 2) ? g_.DisplayStyle : 3;
    control(L"txtPath").text = WithoutTrailingBackslash(g_.UserFolderSetting);
    const bool userFolder = g_.UseUserFolder != 0;
    control(L"Opt1").checked = !userFolder;
    control(L"Opt2").checked = userFolder;
    if (userFolder) {
        Opt2_Click();
    } else {
        Opt1_Click();
    }
    window_->show();
}

void frmOption::Opt1_Click() {
    control(L"txtPath").enabled = false;
    control(L"cmdBrowser").enabled = false;
}

void frmOption::Opt2_Click() {
    control(L"txtPath").enabled = true;
    control(L"cmdBrowser").enabled = true;
}

void frmOption::Text1_KeyPress(std::int16_t& KeyAscii) {
    if (KeyAscii == kEnter) Command1_Click();
    const bool digit = KeyAscii >= L'0' && KeyAscii <= L'9';
    if (!digit && KeyAscii != kBackspace) KeyAscii = 0;
}

void frmOption::Command1_Click() {
    try {
        const std::optional<double> interval =
            ParseNumber(control(L"Text1").text, sys_.files.decimalSeparator());
        if (!interval) {
            sys_.ui.messageBox(kMsgIntervalNotInteger, kWarning);
            resetInterval();
            return;
        }
        const FolderChoice folder = saveFolderChoice();
        if (folder == FolderChoice::PathMissing) return;
        if (folder == FolderChoice::Changed) {
            sys_.ui.messageBox(kMsgReloading, kNotice);
            Form_Unload();
            main_.Form_Load();
            return;
        }
        g_.ChangeInterval = FloorToInt32(*interval);
        g_.DisplayStyle = static_cast<std::int16_t>(control(L"Combo1").selectedIndex);
        Form_Unload();
    } catch (const std::exception&) {
        sys_.ui.messageBox(kMsgApplyFailed, kWarning);
        resetInterval();
    }
}

frmOption::FolderChoice frmOption::saveFolderChoice() {
    if (control(L"Opt1").checked) {
        if (OldUseUserFolder == 0) return FolderChoice::Unchanged;
        WriteSettingsFile(sys_.profile, g_.SettingsFilePath, false, L"");
        DeleteConvertedImages();
        return FolderChoice::Changed;
    }
    const std::wstring path = control(L"txtPath").text;
    if (!sys_.files.folderExists(path)) {
        sys_.ui.messageBox(kMsgPathMissing, kWarning);
        return FolderChoice::PathMissing;
    }
    WriteSettingsFile(sys_.profile, g_.SettingsFilePath, true, path);
    // Letter case and one trailing backslash are no change; leaving the
    // temporary folder always is, even for the same folder.
    if (Upper(WithoutTrailingBackslash(path)) == Upper(OldConvertFolder) && OldUseUserFolder != 0) {
        return FolderChoice::Unchanged;
    }
    DeleteConvertedImages();
    return FolderChoice::Changed;
}

void frmOption::resetInterval() { control(L"Text1").text = std::to_wstring(g_.ChangeInterval); }

void frmOption::Command2_Click() { Form_Unload(); }

void frmOption::cmdBrowser_Click() {
    // Each step on its own: a failing one is skipped in silence.
    SkipOnFailure([&] { sys_.files.setCurrentDirectory(sys_.files.programFolder()); });
    std::optional<std::wstring> chosen;
    SkipOnFailure([&] { chosen = sys_.folderPicker.BrowseForFolder(window_->handle(), control(L"txtPath").text); });
    if (chosen) SkipOnFailure([&] { control(L"txtPath").text = *chosen; });
}

void frmOption::Form_Unload() {
    main_.setTimerInterval(frmMain::kTimerInterval);
    window_->hide();
    main_.releaseOptionDialog();
}

void frmOption::DeleteConvertedImages() { DeleteImagesIn(sys_.files, OldConvertFolder + L"\\"); }

void frmOption::onClick(const std::wstring& name) {
    if (name == L"Opt1") Opt1_Click();
    else if (name == L"Opt2") Opt2_Click();
    else if (name == L"Command1") Command1_Click();
    else if (name == L"Command2") Command2_Click();
    else if (name == L"cmdBrowser") cmdBrowser_Click();
}

void frmOption::onKeyPress(const std::wstring& name, std::int16_t& key) {
    if (name == L"Text1") Text1_KeyPress(key);
}

}  // namespace tapivex
