// The window host: a form's table becomes a real window of the right size and
// fonts, and the user's actions reach the form's handlers with the controls'
// model in step, once each.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/FormDialog.h"
#include "platform/win32/FormLayout.h"

namespace tapivex {
namespace {

// Indices into the sample table below.
enum Sample { kNote, kFrame, kOptA, kOptB, kText, kList, kApply, kCancel, kLink };

const std::wstring kNames[] = {L"Note", L"Frame", L"OptA", L"OptB", L"Text", L"List", L"Apply", L"Cancel", L"Link"};

// What the form heard, in order. `act` runs inside the click and close handlers.
struct RecordingEvents : FormEvents {
    std::vector<std::wstring> heard;
    std::function<void()> act;
    std::function<void(std::int16_t&)> filterKey;

    void onClick(int control) override { hear(L"click " + kNames[control]); }
    void onMouseDown(int control) override { hear(L"down " + kNames[control], false); }
    void onClose() override { hear(L"close"); }
    void onKeyPress(int control, std::int16_t& key) override {
        hear(L"key " + kNames[control] + L" " + std::to_wstring(key), false);
        if (filterKey) filterKey(key);
    }
    void hear(const std::wstring& event, bool acts = true) {
        heard.push_back(event);
        if (acts && act) act();
    }
};

FormSpec SampleForm() {
    const FontSpec labels{L"ＭＳ Ｐゴシック", 9}, buttons{L"ＭＳ Ｐゴシック", 9.75};
    using K = ControlKind;
    FormSpec form;
    form.clientWidth = 4710;
    form.clientHeight = 4845;
    form.font = {L"ＭＳ ゴシック", 9};
    form.controls = InIdOrder({
        PlaceControl(L"各種設定変更", kNote, K::Label, kOnWindow, 120, 120, 1080, 180, labels),
        PlaceControl(L"BMP変換ファイルの保存先", kFrame, K::Frame, kOnWindow, 120, 2640, 4455, 1455, buttons),
        PlaceControl(L"Windowsのtempフォルダ", kOptA, K::OptionButton, kFrame, 240, 240, 3735, 180),
        PlaceControl(L"フォルダを指定", kOptB, K::OptionButton, kFrame, 240, 480, 3735, 180),
        PlaceControl(L"00", kText, K::TextBox, kOnWindow, 1920, 600, 1095, 270),
        PlaceControl(L"", kList, K::DropDownList, kOnWindow, 1680, 1320, 2535, 300),
        PlaceControl(L"設定(&S)", kApply, K::CommandButton, kOnWindow, 2040, 4320, 1215, 375, buttons),
        PlaceControl(L"ｷｬﾝｾﾙ(&C)", kCancel, K::CommandButton, kOnWindow, 3360, 4320, 1215, 375, buttons),
        PlaceControl(L"HomePage : example", kLink, K::Label, kOnWindow, 570, 960, 4155, 195,
                     {L"ＭＳ Ｐゴシック", 8.25}),
    });
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

    Win32WindowFactory factory;
    RecordingEvents events;
    std::unique_ptr<FormWindow> window;
    HWND hwnd = nullptr;
};

TEST_F(FormWindowHost, LaysTheTableOutAt96DpiInJapaneseFontsAndRescalesWhenTheDpiChanges) {
    EXPECT_FALSE(IsWindowVisible(hwnd));  // created hidden
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
    EXPECT_TRUE(note.lfCharSet == SHIFTJIS_CHARSET && text.lfCharSet == SHIFTJIS_CHARSET);
    EXPECT_EQ(note.lfHeight, -12);                     // 9 pt
    EXPECT_EQ(FontOf(control(kApply)).lfHeight, -13);  // 9.75 pt
    EXPECT_EQ(FontOf(control(kLink)).lfHeight, -11);   // 8.25 pt

    // Wine stays at 96 dpi: a move to a 144-dpi monitor is told to the window as Windows tells it.
    RECT suggested{};
    GetWindowRect(hwnd, &suggested);
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 471);
    EXPECT_GE(client.bottom, 485);  // the frame stays at 96 dpi, thinner than the one the height allows for
    EXPECT_EQ(ChildRect(control(kOptB)).left, MulDiv(120 + 240, 144, 1440));
    EXPECT_EQ(FontOf(control(kApply)).lfHeight, -19);  // 9.75 pt at 144 dpi: 19.5 px, rounded down
}

// The handlers read what the user left in the real controls at the moment
// they ask, and what they write shows at once.
TEST_F(FormWindowHost, HandlersReadAndWriteTheRealControls) {
    SetWindowTextW(control(kText), L"42");
    SendMessageW(control(kList), CB_SETCURSEL, 2, 0);
    const RECT linkBefore = ChildRect(control(kLink));
    std::wstring read;
    events.act = [&] {
        read = window->text(kText) + std::to_wstring(window->selectedIndex(kList));
        read += window->checked(kOptB) ? L"B" : L"";
        window->setText(kNote, L"各種設定変更、もっと長い見出し");
        window->setText(kText, L"30");
        window->setEnabled(kApply, false);
        window->setSelectedIndex(kList, 3);
        window->setBold(kLink, true);
    };
    SendMessageW(control(kOptB), BM_CLICK, 0, 0);

    EXPECT_EQ(events.heard, std::vector<std::wstring>{L"click OptB"});
    EXPECT_EQ(read, L"422B");
    EXPECT_EQ(TextOf(control(kText)), L"30");
    EXPECT_FALSE(IsWindowEnabled(control(kApply)));
    EXPECT_EQ(SendMessageW(control(kList), CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(FontOf(control(kLink)).lfWeight, FW_BOLD);
    // The note grew to its new text from the same corner; the wider bold link stays centred on the window.
    const RECT note = ChildRect(control(kNote)), link = ChildRect(control(kLink));
    EXPECT_EQ(note.left, 120 / 15);
    EXPECT_GT(note.right - note.left, 1080 / 15 * 2);
    EXPECT_GT(link.right - link.left, linkBefore.right - linkBefore.left);
    EXPECT_NEAR((link.left + link.right) / 2.0, 314 / 2.0, 1.0);
}

// The key filter sees each character and may discard it. Enter in the text box
// presses the default button once, and the text box never sees it as a
// character: the apply must not run twice.
TEST_F(FormWindowHost, TheKeyFilterAndTheDialogKeysEachActOnce) {
    events.filterKey = [](std::int16_t& key) {
        if (key < '0' || key > '9') key = 0;
    };
    SetWindowTextW(control(kText), L"");
    for (wchar_t typed : {L'5', L'x', L'ｷ'}) SendMessageW(control(kText), WM_CHAR, typed, 0);
    EXPECT_EQ(TextOf(control(kText)), L"5");
    // A character beyond 0x7FFF arrives as the same 16 bits, negative.
    EXPECT_EQ(events.heard, (std::vector<std::wstring>{L"key Text 53", L"key Text 120", L"key Text -137"}));
    events.heard.clear();

    window->show();
    Pump();
    EXPECT_EQ(GetFocus(), control(kText));  // the first in tab order
    EXPECT_EQ(GetNextDlgTabItem(hwnd, control(kCancel), FALSE), control(kOptB));
    PostMessageW(control(kText), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(control(kText), WM_KEYUP, VK_RETURN, 0xC01C0001);
    PostMessageW(control(kText), WM_SYSCHAR, L'c', 0x20000001);  // Alt+C
    PostMessageW(control(kText), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    Pump();
    EXPECT_EQ(events.heard, (std::vector<std::wstring>{L"click Apply", L"click Cancel", L"close"}));
    EXPECT_TRUE(IsWindow(hwnd)) << "the form decides whether a close request closes it";
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

// A form closes its window from inside a handler and the handler goes on:
// the object stays usable, with nothing to show.
TEST_F(FormWindowHost, AHandlerMayCloseTheWindowAndGoOn) {
    std::wstring afterClose = L"unread";
    events.act = [&] {
        window->close();
        afterClose = window->text(kText);
        window->setText(kText, L"1");
        window->show();
    };
    SendMessageW(control(kCancel), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(afterClose, L"");
    EXPECT_EQ(window->handle(), 0u);
}

}  // namespace
}  // namespace tapivex
