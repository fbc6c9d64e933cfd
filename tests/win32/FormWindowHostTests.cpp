// The window host: a form's table becomes a real window of the right size and
// fonts, and the user's actions reach the form's handlers with the controls'
// model in step, once each.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/FormWindowHost.h"
#include "ui/frmOption.h"
#include "ui/frmVersion.h"

namespace tapivex {
namespace {

// What the form heard, in order, with the model as the handler saw it.
class RecordingEvents : public FormEvents {
public:
    std::vector<std::wstring> heard;
    std::function<void(const std::wstring&)> onClickDo;
    std::function<void(const std::wstring&, std::int16_t&)> onKeyDo;
    std::function<void()> onCloseDo;

    void onClick(const std::wstring& name) override {
        heard.push_back(L"click " + name);
        if (onClickDo) onClickDo(name);
    }
    void onKeyPress(const std::wstring& name, std::int16_t& key) override {
        heard.push_back(L"key " + name + L" " + std::to_wstring(key));
        if (onKeyDo) onKeyDo(name, key);
    }
    void onMouseMove(const std::wstring& name) override { heard.push_back(L"move " + name); }
    void onMouseDown(const std::wstring& name) override { heard.push_back(L"down " + name); }
    void onClose() override {
        heard.push_back(L"close");
        if (onCloseDo) onCloseDo();
    }
};

ControlSpec Make(const wchar_t* name, ControlKind kind, const wchar_t* container, const wchar_t* caption, int left,
                 int top, int width, int height, int tabIndex = -1, FontSpec font = {}) {
    ControlSpec c;
    c.name = name;
    c.kind = kind;
    c.container = container;
    c.caption = caption;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.tabIndex = tabIndex;
    c.font = std::move(font);
    return c;
}

// Indices into the sample table below.
enum Sample { kNote, kFrame, kOptA, kOptB, kText, kList, kApply, kCancel, kLink };

FormSpec SampleForm() {
    const FontSpec labels{L"ＭＳ Ｐゴシック", 9};
    const FontSpec buttons{L"ＭＳ Ｐゴシック", 9.75};
    FormSpec form;
    form.caption = L"オプション設定";
    form.clientWidth = 4710;
    form.clientHeight = 4845;
    form.font = {L"ＭＳ ゴシック", 9};
    form.controls = {
        Make(L"Note", ControlKind::Label, L"", L"各種設定変更", 120, 120, 1080, 180, -1, labels),
        Make(L"Frame", ControlKind::Frame, L"", L"BMP変換ファイルの保存先", 120, 2640, 4455, 1455, -1, buttons),
        Make(L"OptA", ControlKind::OptionButton, L"Frame", L"Windowsのtempフォルダ", 240, 240, 3735, 180, 4),
        Make(L"OptB", ControlKind::OptionButton, L"Frame", L"フォルダを指定", 240, 480, 3735, 180, 3),
        Make(L"Text", ControlKind::TextBox, L"", L"00", 1920, 600, 1095, 270, 0),
        Make(L"List", ControlKind::DropDownList, L"", L"", 1680, 1320, 2535, 300, 5),
        Make(L"Apply", ControlKind::CommandButton, L"", L"設定(&S)", 2040, 4320, 1215, 375, 1, buttons),
        Make(L"Cancel", ControlKind::CommandButton, L"", L"ｷｬﾝｾﾙ(&C)", 3360, 4320, 1215, 375, 2, buttons),
        Make(L"Link", ControlKind::Label, L"", L"HomePage : example", 570, 960, 4155, 195, -1,
             {L"ＭＳ Ｐゴシック", 8.25}),
    };
    form.controls[kList].items = {L"0:中央に表示", L"1:並べて表示", L"2:拡大", L"3:保持"};
    form.controls[kApply].isDefault = true;
    form.controls[kNote].colour = 0x008000;
    form.controls[kNote].autoSize = true;
    form.controls[kLink].centreOnWindow = true;
    form.controls[kLink].handCursor = true;
    form.controls[kLink].toolTip = L"クリックするとホームページを表示します";
    return form;
}

// Runs what waits in the queue the way the program's message loop does.
void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (PreTranslateFormMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

RECT ChildRect(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

int CALLBACK MarkFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

// The face a font of the forms is made with: the one asked for where the
// system has it, else its look-alike on this machine (Wine with the IPA fonts).
std::wstring ExpectedFace(const std::wstring& asked, const std::wstring& lookAlike) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    asked.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    bool found = false;
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesExW(dc, &wanted, &MarkFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found ? asked : lookAlike;
}

// What the form heard, less the moves of the real pointer over a shown window.
std::vector<std::wstring> NotMoves(const std::vector<std::wstring>& heard) {
    std::vector<std::wstring> kept;
    for (const std::wstring& event : heard) {
        if (event.rfind(L"move", 0) != 0) kept.push_back(event);
    }
    return kept;
}

std::wstring TextOf(HWND control) {
    wchar_t text[256] = {};
    GetWindowTextW(control, text, 256);
    return text;
}

class FormWindowHost : public ::testing::Test {
protected:
    void SetUp() override {
        window = factory.create(SampleForm(), events);
        hwnd = reinterpret_cast<HWND>(window->handle());
        ASSERT_NE(hwnd, nullptr);
    }
    HWND control(Sample index) const { return GetDlgItem(hwnd, kFirstControlId + index); }
    ControlModel& model(const wchar_t* name) { return window->controls()[name]; }

    Win32WindowFactory factory;
    RecordingEvents events;
    std::unique_ptr<FormWindow> window;
    HWND hwnd = nullptr;
};

TEST_F(FormWindowHost, LaysTheTableOutInPixelsAt96Dpi) {
    EXPECT_FALSE(window->visible());  // created hidden
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 314);  // 4710 twips
    EXPECT_EQ(client.bottom, 323);  // 4845 twips

    // A frame's children are the window's own, placed at the frame's corner plus their own position.
    EXPECT_EQ(GetParent(control(kOptB)), hwnd);
    const RECT option = ChildRect(control(kOptB));
    EXPECT_EQ(option.left, (120 + 240) / 15);
    EXPECT_EQ(option.top, (2640 + 480) / 15);
    EXPECT_EQ(option.right - option.left, 3735 / 15);

    // The drop-down list opens below its closed height, with room for its items.
    RECT dropped{};
    SendMessageW(control(kList), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    const auto item = SendMessageW(control(kList), CB_GETITEMHEIGHT, 0, 0);
    EXPECT_GE(dropped.bottom - dropped.top, 4 * item);
    EXPECT_EQ(SendMessageW(control(kList), CB_GETCOUNT, 0, 0), 4);
    EXPECT_TRUE(GetWindowLongW(control(kApply), GWL_STYLE) & BS_DEFPUSHBUTTON);
}

TEST_F(FormWindowHost, FontsAreJapaneseAtTheirPointSizes) {
    const LOGFONTW note = FontOf(control(kNote));
    EXPECT_EQ(note.lfFaceName, ExpectedFace(L"ＭＳ Ｐゴシック", L"IPAPGothic"));
    EXPECT_EQ(note.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(note.lfHeight, -12);                        // 9 pt
    EXPECT_EQ(FontOf(control(kApply)).lfHeight, -13);     // 9.75 pt
    EXPECT_EQ(FontOf(control(kLink)).lfHeight, -11);      // 8.25 pt
    const LOGFONTW text = FontOf(control(kText));         // no face of its own: the window's font
    EXPECT_EQ(text.lfFaceName, ExpectedFace(L"ＭＳ ゴシック", L"IPAGothic"));
    EXPECT_EQ(text.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(text.lfWeight, FW_NORMAL);
}

TEST_F(FormWindowHost, TabFollowsTabIndexAndTheFirstTakesTheFocus) {
    std::vector<HWND> expected = {control(kText), control(kApply), control(kCancel), control(kOptB),
                                  control(kOptA), control(kList)};
    window->show();
    Pump();
    EXPECT_TRUE(window->visible());
    EXPECT_EQ(GetFocus(), control(kText));
    HWND at = control(kText);
    for (std::size_t i = 1; i < expected.size(); ++i) {
        at = GetNextDlgTabItem(hwnd, at, FALSE);
        EXPECT_EQ(at, expected[i]) << "tab stop " << i;
    }
}

TEST_F(FormWindowHost, ClicksReachTheHandlerWithTheModelReadFirst) {
    window->controls()[L"OptA"].checked = true;
    window->refresh();
    bool checkedAtClick = false, otherClearedAtClick = false;
    events.onClickDo = [&](const std::wstring& name) {
        if (name != L"OptB") return;
        checkedAtClick = model(L"OptB").checked;
        otherClearedAtClick = !model(L"OptA").checked;
    };
    SendMessageW(control(kOptB), BM_CLICK, 0, 0);
    SendMessageW(control(kCancel), BM_CLICK, 0, 0);
    EXPECT_EQ(events.heard, (std::vector<std::wstring>{L"click OptB", L"click Cancel"}));
    EXPECT_TRUE(checkedAtClick);
    EXPECT_TRUE(otherClearedAtClick);

    // What the user typed or chose is in the model when a handler runs.
    SetWindowTextW(control(kText), L"42");
    SendMessageW(control(kList), CB_SETCURSEL, 2, 0);
    std::wstring textAtClick;
    int selectedAtClick = -1;
    events.onClickDo = [&](const std::wstring&) {
        textAtClick = model(L"Text").text;
        selectedAtClick = model(L"List").selectedIndex;
    };
    SendMessageW(control(kApply), BM_CLICK, 0, 0);
    EXPECT_EQ(textAtClick, L"42");
    EXPECT_EQ(selectedAtClick, 2);
}

TEST_F(FormWindowHost, TypedCharactersPassTheKeyFilter) {
    events.onKeyDo = [](const std::wstring&, std::int16_t& key) {
        if (key < '0' || key > '9') key = 0;
    };
    SetWindowTextW(control(kText), L"");
    SendMessageW(control(kText), WM_CHAR, '5', 0);
    SendMessageW(control(kText), WM_CHAR, 'x', 0);
    SendMessageW(control(kText), WM_CHAR, L'漢', 0);
    EXPECT_EQ(TextOf(control(kText)), L"5");
    ASSERT_EQ(events.heard.size(), 3u);
    EXPECT_EQ(events.heard[0], L"key Text 53");
    // A character beyond 0x7FFF arrives as the same 16 bits, negative.
    EXPECT_EQ(events.heard[2], L"key Text " + std::to_wstring(static_cast<std::int16_t>(L'漢')));
}

// Enter in a text box presses the default button once, and the text box never
// sees it as a character: the apply must not run twice.
TEST_F(FormWindowHost, EnterPressesTheDefaultButtonOnce) {
    window->show();
    Pump();
    SetFocus(control(kText));
    PostMessageW(control(kText), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(control(kText), WM_KEYUP, VK_RETURN, 0xC01C0001);
    Pump();
    EXPECT_EQ(NotMoves(events.heard), std::vector<std::wstring>{L"click Apply"});
}

TEST_F(FormWindowHost, MnemonicsPressTheirButtonsAndEscClosesLikeTheCloseBox) {
    window->show();
    Pump();
    SetFocus(control(kText));
    PostMessageW(control(kText), WM_SYSCHAR, L'c', 0x20000001);  // Alt+C
    Pump();
    PostMessageW(control(kText), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    Pump();
    EXPECT_EQ(NotMoves(events.heard), (std::vector<std::wstring>{L"click Cancel", L"close"}));
    // Closed after the handler; the object lives on with nothing left to show.
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(window->visible());
    window->controls()[L"Text"].text = L"1";
    window->refresh();
    window->show();
}

TEST_F(FormWindowHost, HandlersChangesShowOnTheControls) {
    const RECT before = ChildRect(control(kLink));
    events.onClickDo = [&](const std::wstring&) {
        model(L"Note").text = L"各種設定変更、もっと長い見出し";
        model(L"Text").text = L"30";
        model(L"Apply").enabled = false;
        model(L"OptB").checked = true;  // clears OptA, as a click would
        model(L"List").selectedIndex = 3;
        model(L"Link").bold = true;
    };
    window->controls()[L"OptA"].checked = true;
    window->refresh();
    SendMessageW(control(kCancel), BM_CLICK, 0, 0);

    EXPECT_EQ(TextOf(control(kText)), L"30");
    const RECT note = ChildRect(control(kNote));  // grown to its new text, from the same corner
    EXPECT_EQ(note.left, 120 / 15);
    EXPECT_GT(note.right - note.left, 1080 / 15 * 2);
    EXPECT_FALSE(IsWindowEnabled(control(kApply)));
    EXPECT_EQ(SendMessageW(control(kOptB), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(control(kOptA), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(model(L"OptA").checked);
    EXPECT_EQ(SendMessageW(control(kList), CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(FontOf(control(kLink)).lfWeight, FW_BOLD);

    // The bold link is wider and still centred on the window's middle line.
    const RECT after = ChildRect(control(kLink));
    EXPECT_GT(after.right - after.left, before.right - before.left);
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_NEAR((after.left + after.right) / 2.0, client.right / 2.0, 1.0);
    EXPECT_NEAR((before.left + before.right) / 2.0, client.right / 2.0, 1.0);
}

TEST_F(FormWindowHost, MouseMovesAndPressesAreNamed) {
    SendMessageW(control(kLink), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(2, 300));
    SendMessageW(control(kLink), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
    SendMessageW(control(kLink), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(2, 2));
    EXPECT_EQ(events.heard,
              (std::vector<std::wstring>{L"move Link", L"move ", L"down Link", L"down Link"}));

    SendMessageW(control(kLink), WM_SETCURSOR, reinterpret_cast<WPARAM>(control(kLink)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(FormWindowHost, APressAndReleaseOnALabelIsAClick) {
    window->show();
    Pump();
    RECT link{};
    GetWindowRect(control(kLink), &link);
    SetCursorPos(link.left + 3, link.top + 3);
    INPUT press[2] = {};
    press[0].type = press[1].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &press[0], sizeof(INPUT));
    Pump();
    SendInput(1, &press[1], sizeof(INPUT));
    Pump();
    EXPECT_EQ(NotMoves(events.heard), (std::vector<std::wstring>{L"down Link", L"click Link"}));
}

// A form may drop its window inside a handler (it unloads itself); nothing of
// the window object may be touched after that.
TEST_F(FormWindowHost, AHandlerMayDestroyTheWindow) {
    events.onClickDo = [&](const std::wstring&) { window.reset(); };
    SendMessageW(control(kCancel), BM_CLICK, 0, 0);
    EXPECT_EQ(window, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));

    window = factory.create(SampleForm(), events);
    hwnd = reinterpret_cast<HWND>(window->handle());
    events.onCloseDo = [&] { window.reset(); };
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(window, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(FormWindowHost, RescalesWhenTheDpiChanges) {
    RECT suggested{};
    GetWindowRect(hwnd, &suggested);
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 471);
    // The frame of this test's window stays at 96 dpi, where the height is sized for a 144-dpi frame.
    EXPECT_GE(client.bottom, 485);
    EXPECT_EQ(ChildRect(control(kOptB)).left, MulDiv(120 + 240, 144, 1440));
    EXPECT_EQ(FontOf(control(kApply)).lfHeight, -20);  // 9.75 pt at 144 dpi
}

// Shows the program's two forms for a screenshot taken from outside:
// --gtest_also_run_disabled_tests --gtest_filter='*ForAScreenshot', with
// TAPIVEX_SHOW_SECONDS giving how long they stay.
TEST(FormWindowHostScreens, DISABLED_ShowsTheFormsForAScreenshot) {
    Win32WindowFactory factory;
    RecordingEvents events;
    auto settings = factory.create(frmOption::Layout(), events);
    FormSpec aboutLayout = frmVersion::Layout();
    for (ControlSpec& control : aboutLayout.controls) {
        if (control.name.rfind(L"Label1(", 0) == 0) control.autoSize = true;
    }
    auto about = factory.create(aboutLayout, events);
    auto& controls = settings->controls();
    controls[L"Text1"].text = L"60";
    controls[L"Combo1"].selectedIndex = 2;
    controls[L"txtPath"].text = L"C:\\壁紙\\変換";
    controls[L"Opt2"].checked = true;
    about->controls()[L"Label1(0)"].text = L"タピベックス";
    about->controls()[L"Label1(1)"].text = L"Version 1.3.0";
    about->controls()[L"Label2"].bold = true;
    settings->show();
    about->show();
    HWND aboutWindow = reinterpret_cast<HWND>(about->handle());
    SetWindowPos(aboutWindow, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const char* seconds = std::getenv("TAPIVEX_SHOW_SECONDS");
    const DWORD until = GetTickCount() + 1000 * (seconds ? std::atoi(seconds) : 5);
    while (GetTickCount() < until) {
        Pump();
        Sleep(20);
    }
}

}  // namespace
}  // namespace tapivex
