#include "ui/frmVersion.h"

#include "app/Messages.h"
#include "app/Version.h"
#include "app/frmMain.h"
#include "ui/frmOption.h"

namespace tapivex {
namespace {

constexpr wchar_t kAskHomePage[] = L"ホームページを表示しますか？";
constexpr wchar_t kAskMail[] = L"ご意見、ご感想、ご要望何でもお待ちしております。メールを送信しますか？";
constexpr int kApplicationIconId = 1;

ControlSpec Label(const wchar_t* name, const wchar_t* text, int left, int top, int width, int height,
                  FontSpec font, std::uint32_t colour) {
    ControlSpec layout = PlaceControl(name, ControlKind::Label, L"", text, left, top, width, height, std::move(font));
    layout.colour = colour;
    layout.autoSize = true;  // every label of the window is as wide as its text
    return layout;
}

ControlSpec Link(const wchar_t* name, std::wstring text, int top, int width, std::uint32_t colour,
                 const wchar_t* toolTip, int left) {
    ControlSpec layout = Label(name, L"", left, top, width, 195, {L"ＭＳ Ｐゴシック", 9.75}, colour);
    layout.caption = std::move(text);
    layout.handCursor = true;
    layout.toolTip = toolTip;
    layout.centreOnWindow = true;  // stays centred whatever the address's length
    return layout;
}

FormSpec BuildLayout() {
    const FontSpec title{L"ＭＳ Ｐゴシック", 12, true};
    FormSpec form;
    form.caption = L"ﾊﾞｰｼﾞｮﾝ情報";
    form.clientWidth = 5295;
    form.clientHeight = 2115;
    form.font = {L"ＭＳ Ｐゴシック", 9};
    form.fixedBorder = true;
    form.centred = true;

    ControlSpec logo = PlaceControl(L"imgLogo", ControlKind::Image, L"", L"", 120, 240, 540, 540);
    logo.iconId = kApplicationIconId;  // the application icon, shown at 540 x 540 twips

    ControlSpec ok = PlaceControl(L"OKButton", ControlKind::CommandButton, L"", L"OK(&O)", 2033, 1560, 1215, 375,
                                  {L"ＭＳ Ｐゴシック", 9.75});
    ok.tabIndex = 0;  // the only control that takes the focus
    ok.isDefault = true;

    form.controls = {
        logo,
        Label(L"Label1(0)", L"", 840, 240, 2265, 240, title, 0x000000),
        Label(L"Label1(1)", L"", 3240, 240, 1560, 240, title, 0x000000),
        Label(L"Label1(2)", kMaker.notice, 2160, 480, 2955, 225, {L"ＭＳ Ｐゴシック", 11.25, false, true}, 0x000000),
        Link(L"Label2", std::wstring(L"HomePage : ") + kMaker.homePage, 960, 4155, 0xFF0000,
             L"クリックするとホームページを表示します", 570),
        Link(L"Label3", std::wstring(L"Mail : ") + kMaker.mailAddress, 1200, 2415, 0x008000,
             L"クリックするとメールを送信します", 1440),
        ok,
    };
    return form;
}

}  // namespace

const FormSpec& frmVersion::Layout() {
    static const FormSpec layout = BuildLayout();
    return layout;
}

std::wstring frmVersion::VersionText(int major, int minor, int revision) {
    return L"Version " + std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." + std::to_wstring(revision);
}

frmVersion::frmVersion(System system, WindowFactory& windows, frmMain& main)
    : sys_(system), main_(main), window_(windows.create(Layout(), *this)) {
    Form_Load();
}

void frmVersion::Form_Load() {
    auto& controls = window_->controls();
    controls[L"Label1(0)"].text = kAppTitle;
    controls[L"Label1(1)"].text =
        VersionText(TAPIVEX_VERSION_MAJOR, TAPIVEX_VERSION_MINOR, TAPIVEX_VERSION_REVISION);
    // Taking the settings dialog's icon loads that dialog, hidden, when it has no instance.
    window_->setIcon(main_.optionDialog().window().icon());
    window_->refresh();
}

void frmVersion::setBoldLink(const wchar_t* boldOne) {
    auto& controls = window_->controls();
    for (const wchar_t* link : {L"Label2", L"Label3"}) {
        controls[link].bold = boldOne != nullptr && std::wstring(boldOne) == link;
    }
}

void frmVersion::Form_MouseMove() { setBoldLink(nullptr); }
void frmVersion::Label1_MouseMove() { setBoldLink(nullptr); }
void frmVersion::OKButton_MouseMove() { setBoldLink(nullptr); }
void frmVersion::Label2_MouseMove() { setBoldLink(L"Label2"); }
void frmVersion::Label3_MouseMove() { setBoldLink(L"Label3"); }

void frmVersion::Label2_Click() {
    if (sys_.ui.messageBox(kAskHomePage, kQuestion) == kAnswerYes) window_->openLink(kMaker.homePage);
}

void frmVersion::Label3_MouseDown() {
    if (sys_.ui.messageBox(kAskMail, kQuestion) != kAnswerYes) return;
    window_->openLink(std::wstring(L"mailto:") + kMaker.mailAddress + L"?Subject=" + kMaker.mailSubject);
}

void frmVersion::OKButton_Click() {
    window_->hide();
    main_.releaseAboutWindow();
}

void frmVersion::onClick(const std::wstring& name) {
    if (name == L"Label2") Label2_Click();
    else if (name == L"OKButton") OKButton_Click();
}

void frmVersion::onMouseMove(const std::wstring& name) {
    if (name == L"Label2") Label2_MouseMove();
    else if (name == L"Label3") Label3_MouseMove();
    else if (name == L"OKButton") OKButton_MouseMove();
    else if (name.rfind(L"Label1(", 0) == 0) Label1_MouseMove();
    else if (name.empty()) Form_MouseMove();
}

void frmVersion::onMouseDown(const std::wstring& name) {
    if (name == L"Label3") Label3_MouseDown();
}

}  // namespace tapivex
