// The window host: the program's form tables (the settings dialog, the About
// window) become real windows of the right size and fonts, and the handlers work
// on the real controls. Real keys and clicks are the end-to-end tests' part.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/FormDialog.h"
#include "platform/win32/FormLayout.h"
#include "ui/frmOption.h"
#include "ui/frmVersion.h"

namespace tapivex {
namespace {

using O = frmOption;
using V = frmVersion;

// What the form heard, in order; `act` runs inside the click handler.
struct RecordingEvents : FormEvents {
    std::vector<std::wstring> heard;
    std::function<void()> act;

    void onClick(int control) override {
        heard.push_back(L"click " + std::to_wstring(control));
        if (act) act();
    }
    void onClose() override { heard.push_back(L"close"); }
};

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

class FormWindowHost : public ::testing::Test {
protected:
    // A window of `form`'s table; `control` then finds its rows.
    void open(const FormSpec& form) {
        window = factory.create(form, events);
        hwnd = reinterpret_cast<HWND>(window->handle());
        ASSERT_NE(hwnd, nullptr);
    }
    HWND control(int row) const { return GetDlgItem(hwnd, kFirstControlId + row); }

    Win32WindowFactory factory;
    RecordingEvents events;
    std::unique_ptr<FormWindow> window;
    HWND hwnd = nullptr;
};

// The table's twips at 96 dpi, and again after a move to a 144-dpi monitor.
TEST_F(FormWindowHost, LaysTheTableOutAt96DpiAndRescalesWhenTheDpiChanges) {
    open(O::Layout());
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(std::make_pair(client.right, client.bottom), std::make_pair(4710L / 15, 4845L / 15));
    // A frame's children are the window's own, placed at the frame's corner plus their own position.
    EXPECT_EQ(ChildRect(control(O::Opt2)).top, (2640 + 480) / 15);
    // The drop-down list opens below its closed height, with room for its items.
    RECT dropped{};
    SendMessageW(control(O::Combo1), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_GE(dropped.bottom - dropped.top, 4 * SendMessageW(control(O::Combo1), CB_GETITEMHEIGHT, 0, 0));
    // The face asked for, or its look-alike on a system without it (Wine with the IPA fonts).
    const LOGFONTW label = FontOf(control(O::Label1_5));
    EXPECT_TRUE(label.lfFaceName == std::wstring(L"ＭＳ Ｐゴシック") || label.lfFaceName == std::wstring(L"IPAPGothic"));
    EXPECT_EQ(label.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(FontOf(control(O::Command1)).lfHeight, -13);  // 9.75 pt

    // Wine stays at 96 dpi: the move is told to the window as Windows tells it.
    RECT suggested{};
    GetWindowRect(hwnd, &suggested);
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, 471);
    EXPECT_GE(client.bottom, 485);  // the frame stays at 96 dpi, thinner than the one the height allows for
    EXPECT_EQ(ChildRect(control(O::Opt2)).left, MulDiv(120 + 240, 144, 1440));
    EXPECT_EQ(FontOf(control(O::Command1)).lfHeight, -19);  // 9.75 pt at 144 dpi: 19.5 px, rounded down
}

// Every item of the style box reads whole in the closed box, beside its drop
// button, at 96 dpi and after a move to 144 dpi.
TEST_F(FormWindowHost, EveryStyleFitsTheClosedBox) {
    open(O::Layout());
    for (int dpi : {96, 144}) {
        RECT suggested{};
        GetWindowRect(hwnd, &suggested);
        SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        HWND box = control(O::Combo1);
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetComboBoxInfo(box, &info));
        HDC dc = GetDC(box);
        const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0)));
        for (const std::wstring& item : O::Layout().controls[O::Combo1].items) {
            SIZE text{};
            GetTextExtentPoint32W(dc, item.c_str(), static_cast<int>(item.size()), &text);
            EXPECT_LE(text.cx + 2, info.rcItem.right - info.rcItem.left) << dpi << " dpi: " << item.size();
        }
        SelectObject(dc, previous);
        ReleaseDC(box, dc);
    }
}

// What a timer sees while a message box waits: it puts the focus in a form's
// field and sends Tab there; later it notes where the focus went and whether
// the box's owner takes input, and closes the box.
HWND gField = nullptr, gFocusAfterTab = nullptr;
BOOL gOwnerEnabled = TRUE;
VOID CALLBACK TabWhileTheBoxWaits(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowW(L"#32770", L"waits");
    if (!gFocusAfterTab) {
        SetForegroundWindow(GetParent(gField));
        SetFocus(gField);
        PostMessageW(gField, WM_KEYDOWN, VK_TAB, 0);
        gFocusAfterTab = gField;
        return;
    }
    KillTimer(nullptr, timer);
    gFocusAfterTab = GetFocus();
    gOwnerEnabled = IsWindowEnabled(GetWindow(box, GW_OWNER));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// A box belongs to its owner, which takes no input until the answer, while
// keys work in the program's other windows (Wine's loop calls the thread's
// message filter too): Tab leaves the settings' interval field.
TEST_F(FormWindowHost, ABoxHoldsItsOwnerAndTabMovesOnInAnotherWindow) {
    open(O::Layout());
    window->show();
    RecordingEvents aboutEvents;
    const auto about = factory.create(V::Layout(), aboutEvents);
    about->show();
    gField = control(O::Text1);
    SetTimer(nullptr, 0, 200, &TabWhileTheBoxWaits);
    MessageBoxW(reinterpret_cast<HWND>(about->handle()), L"", L"waits", MB_OK);
    EXPECT_EQ(gFocusAfterTab, control(O::Command1));
    EXPECT_FALSE(gOwnerEnabled);
    EXPECT_TRUE(IsWindowEnabled(reinterpret_cast<HWND>(about->handle()))) << "the owner after the answer";
}

// The handlers read what the user left in the real controls at the moment they
// ask, and what they write shows at once. A form may close its window from inside
// a handler, and the handler goes on: the object stays usable, with nothing to show.
TEST_F(FormWindowHost, HandlersReadAndWriteTheRealControlsAndMayCloseTheWindow) {
    open(O::Layout());
    SetWindowTextW(control(O::Text1), L"42");
    SendMessageW(control(O::Combo1), CB_SETCURSEL, 2, 0);
    std::wstring read;
    events.act = [&] {
        read = window->text(O::Text1) + std::to_wstring(window->selectedIndex(O::Combo1));
        read += window->checked(O::Opt2) ? L"B" : L"";
        window->setText(O::Text1, L"30");
        window->setEnabled(O::txtPath, false);
        window->setSelectedIndex(O::Combo1, 3);
    };
    SendMessageW(control(O::Opt2), BM_CLICK, 0, 0);
    EXPECT_EQ(read, L"422B");
    EXPECT_EQ(GetWindowTextLengthW(control(O::Text1)), 2);  // "30"
    EXPECT_FALSE(IsWindowEnabled(control(O::txtPath)));
    EXPECT_EQ(SendMessageW(control(O::Combo1), CB_GETCURSEL, 0, 0), 3);

    // Escape (the dialog manager's IDCANCEL) is a close request the form answers.
    events.heard.clear();
    SendMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(events.heard, std::vector<std::wstring>{L"close"});
    EXPECT_TRUE(IsWindow(hwnd)) << "the form decides whether a close request closes it";
    std::wstring afterClose = L"unread";
    events.act = [&] {
        window->close();
        afterClose = window->text(O::Text1);
        window->setText(O::Text1, L"1");
        window->show();
    };
    SendMessageW(control(O::Command2), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(afterClose, L"");
    EXPECT_EQ(window->handle(), 0u);
}

// The About window's labels are as wide as their text: a longer title grows from
// its corner, and the bold link grows and stays centred on the window.
TEST_F(FormWindowHost, LabelsFollowTheirTextAndALinkStaysCentred) {
    open(V::Layout());
    const RECT linkBefore = ChildRect(control(V::Label2));
    window->setText(V::Label1_0, L"タピベックス、もっと長い題名");
    window->setBold(V::Label2, true);
    EXPECT_EQ(FontOf(control(V::Label2)).lfWeight, FW_BOLD);
    const RECT title = ChildRect(control(V::Label1_0)), link = ChildRect(control(V::Label2));
    EXPECT_EQ(title.left, 840 / 15);
    EXPECT_GT(title.right - title.left, 100);
    EXPECT_GT(link.right - link.left, linkBefore.right - linkBefore.left);
    EXPECT_NEAR((link.left + link.right) / 2.0, 5295 / 15 / 2.0, 1.0);
}

}  // namespace
}  // namespace tapivex
