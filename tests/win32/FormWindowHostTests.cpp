// The window host: a form's table becomes a real window of the right size and
// fonts, and the user's actions reach the form's handlers with the controls'
// model in step, once each.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/FormWindowHost.h"

namespace tapivex {
namespace {

// What the form heard, in order. `act` runs inside the click and close handlers.
class RecordingEvents : public FormEvents {
public:
    std::vector<std::wstring> heard;
    std::function<void()> act;
    std::function<void(std::int16_t&)> filterKey;

    void onClick(const std::wstring& name) override { hear(L"click " + name); }
    void onMouseDown(const std::wstring& name) override { hear(L"down " + name, false); }
    void onClose() override { hear(L"close"); }
    void onKeyPress(const std::wstring& name, std::int16_t& key) override {
        hear(L"key " + name + L" " + std::to_wstring(key), false);
        if (filterKey) filterKey(key);
    }

private:
    void hear(const std::wstring& event, bool acts = true) {
        heard.push_back(event);
        if (acts && act) act();
    }
};

// Indices into the sample table below.
enum Sample { kNote, kFrame, kOptA, kOptB, kText, kList, kApply, kCancel, kLink };

FormSpec SampleForm() {
    const FontSpec labels{L"ＭＳ Ｐゴシック", 9}, buttons{L"ＭＳ Ｐゴシック", 9.75};
    FormSpec form;
    form.clientWidth = 4710;
    form.clientHeight = 4845;
    form.font = {L"ＭＳ ゴシック", 9};
    form.controls = {
        PlaceControl(L"Note", ControlKind::Label, L"", L"各種設定変更", 120, 120, 1080, 180, labels),
        PlaceControl(L"Frame", ControlKind::Frame, L"", L"BMP変換ファイルの保存先", 120, 2640, 4455, 1455, buttons),
        PlaceControl(L"OptA", ControlKind::OptionButton, L"Frame", L"Windowsのtempフォルダ", 240, 240, 3735, 180),
        PlaceControl(L"OptB", ControlKind::OptionButton, L"Frame", L"フォルダを指定", 240, 480, 3735, 180),
        PlaceControl(L"Text", ControlKind::TextBox, L"", L"00", 1920, 600, 1095, 270),
        PlaceControl(L"List", ControlKind::DropDownList, L"", L"", 1680, 1320, 2535, 300),
        PlaceControl(L"Apply", ControlKind::CommandButton, L"", L"設定(&S)", 2040, 4320, 1215, 375, buttons),
        PlaceControl(L"Cancel", ControlKind::CommandButton, L"", L"ｷｬﾝｾﾙ(&C)", 3360, 4320, 1215, 375, buttons),
        PlaceControl(L"Link", ControlKind::Label, L"", L"HomePage : example", 570, 960, 4155, 195,
                     {L"ＭＳ Ｐゴシック", 8.25}),
    };
    const int tabIndex[] = {-1, -1, 4, 3, 0, 5, 1, 2, -1};
    for (std::size_t i = 0; i < form.controls.size(); ++i) form.controls[i].tabIndex = tabIndex[i];
    form.controls[kList].items = {L"0:中央に表示", L"1:並べて表示", L"2:拡大", L"3:保持"};
    form.controls[kApply].isDefault = true;
    form.controls[kNote].autoSize = true;
    form.controls[kLink].centreOnWindow = true;
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

TEST_F(FormWindowHost, LaysTheTableOutAt96DpiInJapaneseFonts) {
    EXPECT_FALSE(window->visible());  // created hidden
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 314);   // 4710 twips
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
    EXPECT_GE(dropped.bottom - dropped.top, 4 * SendMessageW(control(kList), CB_GETITEMHEIGHT, 0, 0));

    // The faces asked for, or their look-alikes on a system without them (Wine with the IPA fonts).
    const LOGFONTW note = FontOf(control(kNote)), text = FontOf(control(kText));
    EXPECT_TRUE(note.lfFaceName == std::wstring(L"ＭＳ Ｐゴシック") || note.lfFaceName == std::wstring(L"IPAPGothic"));
    EXPECT_TRUE(text.lfFaceName == std::wstring(L"ＭＳ ゴシック") || text.lfFaceName == std::wstring(L"IPAGothic"));
    EXPECT_EQ(note.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(text.lfCharSet, SHIFTJIS_CHARSET);  // no face of its own: the window's font
    EXPECT_EQ(note.lfHeight, -12);                     // 9 pt
    EXPECT_EQ(FontOf(control(kApply)).lfHeight, -13);  // 9.75 pt
    EXPECT_EQ(FontOf(control(kLink)).lfHeight, -11);   // 8.25 pt
}

// Wine stays at 96 dpi: a move to a 144-dpi monitor is told to the window as Windows tells it.
TEST_F(FormWindowHost, RescalesWhenTheDpiChanges) {
    RECT suggested{};
    GetWindowRect(hwnd, &suggested);
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 471);
    EXPECT_GE(client.bottom, 485);  // the frame stays at 96 dpi, thinner than the one the height allows for
    EXPECT_EQ(ChildRect(control(kOptB)).left, MulDiv(120 + 240, 144, 1440));
    EXPECT_EQ(FontOf(control(kApply)).lfHeight, -19);  // 9.75 pt at 144 dpi: 19.5 px, rounded down
}

TEST_F(FormWindowHost, HandlersSeeWhatTheUserDidAndTheirChangesShow) {
    model(L"OptA").checked = true;
    window->refresh();
    SetWindowTextW(control(kText), L"42");
    SendMessageW(control(kList), CB_SETCURSEL, 2, 0);
    const RECT linkBefore = ChildRect(control(kLink));
    std::map<std::wstring, ControlModel> seen;
    events.act = [&] {
        seen = window->controls();
        model(L"Note").text = L"各種設定変更、もっと長い見出し";
        model(L"Text").text = L"30";
        model(L"Apply").enabled = false;
        model(L"OptA").checked = true;  // clears OptB, as a click would
        model(L"List").selectedIndex = 3;
        model(L"Link").bold = true;
    };
    SendMessageW(control(kOptB), BM_CLICK, 0, 0);

    EXPECT_EQ(events.heard, std::vector<std::wstring>{L"click OptB"});
    EXPECT_TRUE(seen[L"OptB"].checked);
    EXPECT_FALSE(seen[L"OptA"].checked);
    EXPECT_EQ(seen[L"Text"].text, L"42");
    EXPECT_EQ(seen[L"List"].selectedIndex, 2);

    EXPECT_EQ(TextOf(control(kText)), L"30");
    EXPECT_FALSE(IsWindowEnabled(control(kApply)));
    EXPECT_EQ(SendMessageW(control(kOptA), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(control(kOptB), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(model(L"OptB").checked);
    EXPECT_EQ(SendMessageW(control(kList), CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(FontOf(control(kLink)).lfWeight, FW_BOLD);
    // The note grew to its new text from the same corner; the wider bold link stays centred on the window.
    const RECT note = ChildRect(control(kNote)), link = ChildRect(control(kLink));
    EXPECT_EQ(note.left, 120 / 15);
    EXPECT_GT(note.right - note.left, 1080 / 15 * 2);
    EXPECT_GT(link.right - link.left, linkBefore.right - linkBefore.left);
    EXPECT_NEAR((link.left + link.right) / 2.0, 314 / 2.0, 1.0);
}

TEST_F(FormWindowHost, TheKeyFilterSeesEachCharacterAndMayDiscardIt) {
    events.filterKey = [](std::int16_t& key) {
        if (key < '0' || key > '9') key = 0;
    };
    SetWindowTextW(control(kText), L"");
    for (wchar_t typed : {L'5', L'x', L'ｷ'}) SendMessageW(control(kText), WM_CHAR, typed, 0);
    EXPECT_EQ(TextOf(control(kText)), L"5");
    // A character beyond 0x7FFF arrives as the same 16 bits, negative.
    EXPECT_EQ(events.heard, (std::vector<std::wstring>{L"key Text 53", L"key Text 120", L"key Text -137"}));
}

// Enter in the text box presses the default button once, and the text box
// never sees it as a character: the apply must not run twice.
TEST_F(FormWindowHost, DialogKeysFollowTheTableAndEachActsOnce) {
    window->show();
    Pump();
    EXPECT_EQ(GetFocus(), control(kText));  // the first in tab order
    HWND at = control(kText);
    for (Sample next : {kApply, kCancel, kOptB, kOptA, kList}) {
        at = GetNextDlgTabItem(hwnd, at, FALSE);
        EXPECT_EQ(at, control(next)) << next;
    }
    PostMessageW(control(kText), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(control(kText), WM_KEYUP, VK_RETURN, 0xC01C0001);
    PostMessageW(control(kText), WM_SYSCHAR, L'c', 0x20000001);  // Alt+C
    PostMessageW(control(kText), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    Pump();
    EXPECT_EQ(events.heard, (std::vector<std::wstring>{L"click Apply", L"click Cancel", L"close"}));
    // Esc closes like the close box, after the handler; the object lives on with nothing to show.
    EXPECT_FALSE(IsWindow(hwnd));
    model(L"Text").text = L"1";
    window->refresh();
    window->show();
    EXPECT_FALSE(window->visible());
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
    EXPECT_EQ(events.heard, (std::vector<std::wstring>{L"down Link", L"click Link"}));
}

// A form may drop its window inside a handler (it unloads itself); nothing of
// the window object may be touched after that.
TEST_F(FormWindowHost, AHandlerMayDestroyTheWindow) {
    events.act = [&] { window.reset(); };
    SendMessageW(control(kCancel), BM_CLICK, 0, 0);
    EXPECT_EQ(window, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));

    SetUp();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(window, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
}

}  // namespace
}  // namespace tapivex
