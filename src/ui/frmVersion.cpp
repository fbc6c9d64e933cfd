#include "ui/frmVersion.h"

#include "app/Messages.h"
#include "app/Resources.h"
#include "app/Version.h"
#include "app/frmMain.h"
#include "ui/frmOption.h"

namespace tapivex {
namespace {

constexpr wchar_t kAskHomePage[] = L"ホームページを表示しますか？";
constexpr wchar_t kAskMail[] = L"ご意見、ご感想、ご要望何でもお待ちしております。メールを送信しますか？";

using C = frmVersion;

ControlSpec Label(const wchar_t* text, int id, int left, int top, int width, int height, FontSpec font,
                  std::uint32_t colour) {
    ControlSpec layout = Row(text, id, ControlKind::Label, kOnWindow, left, top, width, height, std::move(font));
    layout.colour = colour;
    layout.autoSize = true;  // every label of the window is as wide as its text
    return layout;
}

// A link's text: its fixed part, then the maker's address.
ControlSpec Link(const wchar_t* text, const wchar_t* address, int id, int left, int top, int width, int height,
                 std::uint32_t colour, const wchar_t* toolTip) {
    ControlSpec layout = Label(text, id, left, top, width, height, {L"ＭＳ Ｐゴシック", 9.75}, colour);
    layout.caption += address;
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
    form.centred = true;
    form.controls = InIdOrder({
        Row(L"", C::imgLogo, ControlKind::Image, kOnWindow, 120, 240, 540, 540),
        Label(L"", C::Label1_0, 840, 240, 2265, 240, title, 0x000000),
        Label(L"", C::Label1_1, 3240, 240, 1560, 240, title, 0x000000),
        Label(L"", C::Label1_2, 2160, 480, 2955, 225, {L"ＭＳ Ｐゴシック", 11.25, false, true}, 0x000000),
        Link(L"HomePage : ", kMaker.homePage, C::Label2, 570, 960, 4155, 195, 0xFF0000,
             L"クリックするとホームページを表示します"),
        Link(L"Mail : ", kMaker.mailAddress, C::Label3, 1440, 1200, 2415, 195, 0x008000,
             L"クリックするとメールを送信します"),
        // The only control that takes the focus.
        Row(L"OK(&O)", C::OKButton, ControlKind::CommandButton, kOnWindow, 2033, 1560, 1215, 375,
            {L"ＭＳ Ｐゴシック", 9.75}, 0),
    });
    form.controls[C::imgLogo].iconId = TAPIVEX_APPLICATION_ICON;  // the application icon, shown at 540 x 540 twips
    form.controls[C::OKButton].isDefault = true;
    form.controls[C::Label1_2].caption = kMaker.notice;
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
    window_->setText(Label1_0, kAppTitle);
    window_->setText(Label1_1, VersionText(TAPIVEX_VERSION_MAJOR, TAPIVEX_VERSION_MINOR, TAPIVEX_VERSION_REVISION));
    // Taking the settings dialog's icon loads that dialog, hidden, when it has no instance.
    window_->setIcon(main_.optionDialog().window().icon());
}

void frmVersion::setBoldLink(int link) {
    window_->setBold(Label2, link == Label2);
    window_->setBold(Label3, link == Label3);
}

void frmVersion::Form_MouseMove() { setBoldLink(kOnWindow); }
void frmVersion::Label1_MouseMove() { setBoldLink(kOnWindow); }
void frmVersion::OKButton_MouseMove() { setBoldLink(kOnWindow); }
void frmVersion::Label2_MouseMove() { setBoldLink(Label2); }
void frmVersion::Label3_MouseMove() { setBoldLink(Label3); }

bool frmVersion::ask(const wchar_t* question) {
    return sys_.ui.messageBox(window_->handle(), question, kQuestion) == kAnswerYes;
}

void frmVersion::Label2_Click() {
    if (ask(kAskHomePage)) window_->openLink(kMaker.homePage);
}

void frmVersion::Label3_MouseDown() {
    if (ask(kAskMail)) {
        window_->openLink(std::wstring(L"mailto:") + kMaker.mailAddress + L"?Subject=" + kMaker.mailSubject);
    }
}

void frmVersion::OKButton_Click() { main_.unload(*this); }

void frmVersion::onClick(int control) {
    if (control == Label2) Label2_Click();
    else if (control == OKButton) OKButton_Click();
}

void frmVersion::onMouseMove(int control) {
    switch (control) {
        case Label2: Label2_MouseMove(); break;
        case Label3: Label3_MouseMove(); break;
        case OKButton: OKButton_MouseMove(); break;
        case Label1_0: case Label1_1: case Label1_2: Label1_MouseMove(); break;
        case kOnWindow: Form_MouseMove(); break;
        default: break;
    }
}

void frmVersion::onMouseDown(int control) {
    if (control == Label3) Label3_MouseDown();
}

}  // namespace tapivex
