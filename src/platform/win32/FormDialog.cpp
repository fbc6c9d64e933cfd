#include "platform/win32/FormDialog.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "app/Resources.h"
#include "platform/Failures.h"
#include "platform/win32/FormKeys.h"
#include "platform/win32/FormLayout.h"
#include "platform/win32/HandlerBoundary.h"
#include "platform/win32/SystemFunctions.h"
#include "platform/win32/Text.h"

namespace tapivex {
namespace {

// The pointer shown over controls with a hand cursor; the system's hand stands
// in when the program carries no such resource.
HCURSOR HandCursor() {
    static const HCURSOR cursor = [] {
        HCURSOR own = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TAPIVEX_HAND_CURSOR));
        return own ? own : LoadCursorW(nullptr, IDC_HAND);
    }();
    return cursor;
}

bool IsStatic(ControlKind kind) { return kind == ControlKind::Label || kind == ControlKind::Image; }

bool IsButtonDown(UINT message) {
    switch (message) {
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK:
        return true;
    default:
        return false;
    }
}

bool Inside(HWND control, LPARAM position) {
    RECT client{};
    GetClientRect(control, &client);
    return PtInRect(&client, POINT{GET_X_LPARAM(position), GET_Y_LPARAM(position)}) != FALSE;
}

// The object outlives its window: after close() or the window's destruction
// every accessor finds no control and does nothing.
class FormDialog final : public FormWindow {
public:
    FormDialog(const FormSpec& layout, FormEvents& events);
    ~FormDialog() override;
    FormDialog(const FormDialog&) = delete;
    FormDialog& operator=(const FormDialog&) = delete;

    std::wstring text(int control) override;
    void setText(int control, const std::wstring& text) override;
    bool checked(int control) override;
    void setChecked(int control, bool checked) override;
    int selectedIndex(int control) override;
    void setSelectedIndex(int control, int index) override;
    void setEnabled(int control, bool enabled) override;
    void setBold(int control, bool bold) override { layout_.setBold(control, bold); }
    void show() override;
    void close() override;
    std::uintptr_t handle() override { return reinterpret_cast<std::uintptr_t>(hwnd_); }
    std::uintptr_t icon() override;
    void setIcon(std::uintptr_t icon) override;
    void openLink(const std::wstring& target) override;

private:
    static INT_PTR CALLBACK dialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK controlProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR row, DWORD_PTR self);
    INT_PTR dialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT controlMessage(int row, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT labelMessage(int row, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT keyMessage(int row, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void detach();

    FormLayout layout_;
    FormEvents& events_;
    HWND hwnd_ = nullptr;
    int pressedLabel_ = -1;  // the label that holds the mouse for a click
    bool shown_ = false;
};

FormDialog::FormDialog(const FormSpec& layout, FormEvents& events) : layout_(layout), events_(events) {
    Comctl();
    // An empty in-memory dialog template: the controls are made in code.
    alignas(DWORD) std::array<WORD, 16> words{};
    auto* dialog = reinterpret_cast<DLGTEMPLATE*>(words.data());
    dialog->style = layout_.windowStyle();
    hwnd_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialog, nullptr, &FormDialog::dialogProcedure,
                                       reinterpret_cast<LPARAM>(this));
    if (!hwnd_) throw RuntimeFailure("the window could not be created");
    AddFormWindow(hwnd_);
    try {
        LetDialogRescaleItself(hwnd_);
        layout_.build(hwnd_);
        for (int row = 0; row < static_cast<int>(layout_.rows()); ++row) {
            Comctl().setSubclass(layout_.control(row), &FormDialog::controlProcedure, static_cast<UINT_PTR>(row),
                                 reinterpret_cast<DWORD_PTR>(this));
        }
    } catch (...) {
        detach();
        throw;
    }
}

FormDialog::~FormDialog() { detach(); }

// The window goes without calling back into this object, which is going too.
void FormDialog::detach() {
    if (!hwnd_) return;
    for (int row = 0; row < static_cast<int>(layout_.rows()); ++row) {
        if (HWND control = layout_.control(row)) {
            Comctl().removeSubclass(control, &FormDialog::controlProcedure, static_cast<UINT_PTR>(row));
        }
    }
    SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    RemoveFormWindow(hwnd_);
    layout_.forget();
    DestroyWindow(std::exchange(hwnd_, nullptr));
}

// ---- The controls, read and written on the spot ----

std::wstring FormDialog::text(int control) {
    HWND hwnd = layout_.control(control);
    if (!hwnd) return {};
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return text;
}

void FormDialog::setText(int control, const std::wstring& text) {
    if (HWND hwnd = layout_.control(control)) {
        SetWindowTextW(hwnd, text.c_str());
        layout_.textChanged(control);
    }
}

bool FormDialog::checked(int control) {
    HWND hwnd = layout_.control(control);
    return hwnd && SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FormDialog::setChecked(int control, bool checked) {
    if (HWND hwnd = layout_.control(control)) SendMessageW(hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int FormDialog::selectedIndex(int control) {
    HWND hwnd = layout_.control(control);
    return hwnd ? static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)) : -1;
}

void FormDialog::setSelectedIndex(int control, int index) {
    if (HWND hwnd = layout_.control(control)) SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void FormDialog::setEnabled(int control, bool enabled) {
    if (HWND hwnd = layout_.control(control)) EnableWindow(hwnd, enabled);
}

// ---- The window ----

void FormDialog::show() {
    if (!hwnd_) return;
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    // While a message box of the form waits for its answer, the form is
    // disabled and the box comes forward instead.
    SetForegroundWindow(IsWindowEnabled(hwnd_) ? hwnd_ : GetLastActivePopup(hwnd_));
    if (shown_) return;
    shown_ = true;
    // The first time, the focus goes to the start of the tab order.
    const int first = layout_.firstInTabOrder();
    if (first >= 0) SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(layout_.control(first)), TRUE);
}

// The window's messages reach this object up to its last, WM_NCDESTROY.
void FormDialog::close() {
    if (hwnd_) DestroyWindow(hwnd_);
}

std::uintptr_t FormDialog::icon() {
    if (!hwnd_) return 0;
    return static_cast<std::uintptr_t>(SendMessageW(hwnd_, WM_GETICON, ICON_BIG, 0));
}

void FormDialog::setIcon(std::uintptr_t icon) {
    if (!hwnd_) return;
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, static_cast<LPARAM>(icon));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, static_cast<LPARAM>(icon));
}

void FormDialog::openLink(const std::wstring& target) {
    ShellExecuteA(hwnd_, "Open", ansiFromWide(target).c_str(), "", "", SW_SHOW);
}

// ---- Messages to events ----

INT_PTR CALLBACK FormDialog::dialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        return FALSE;  // the focus is set when the window is first shown
    }
    auto* self = reinterpret_cast<FormDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    INT_PTR result = FALSE;
    if (self) RunHandler([&] { result = self->dialogMessage(message, wParam, lParam); });
    return result;
}

INT_PTR FormDialog::dialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const FormSpec& table = layout_.table();
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        // Esc: the same as the close box.
        if (id == IDCANCEL) {
            PostMessageW(hwnd_, WM_CLOSE, 0, 0);
            return TRUE;
        }
        const int row = id - kFirstControlId;
        if (layout_.control(row) && HIWORD(wParam) == BN_CLICKED) {
            const ControlKind kind = table.controls[row].kind;
            if (kind == ControlKind::CommandButton || kind == ControlKind::OptionButton) events_.onClick(row);
        }
        return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
        const int row = layout_.rowOf(reinterpret_cast<HWND>(lParam));
        if (row < 0 || table.controls[row].colour == kDefaultColour) return FALSE;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, table.controls[row].colour);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DRAWITEM:
        layout_.drawImage(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_MOUSEMOVE:
        events_.onMouseMove(kOnWindow);
        return TRUE;
    case WM_CLOSE:
        events_.onClose();
        return TRUE;
    case WM_DPICHANGED:
        layout_.rescale(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_NCDESTROY:
        RemoveFormWindow(hwnd_);
        hwnd_ = nullptr;
        layout_.forget();
        return FALSE;
    default:
        return FALSE;
    }
}

LRESULT CALLBACK FormDialog::controlProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR row,
                                              DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        Comctl().removeSubclass(hwnd, &FormDialog::controlProcedure, row);
        return Comctl().defaultProcedure(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    RunHandler([&] {
        result = reinterpret_cast<FormDialog*>(self)->controlMessage(static_cast<int>(row), hwnd, message, wParam,
                                                                      lParam);
    });
    return result;
}

LRESULT FormDialog::controlMessage(int row, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const ControlSpec& c = layout_.table().controls[row];
    if ((message == WM_CHAR || message == WM_IME_CHAR) && c.kind == ControlKind::TextBox) {
        return keyMessage(row, hwnd, message, wParam, lParam);
    }
    if (message == WM_SETCURSOR && c.handCursor && LOWORD(lParam) == HTCLIENT) {
        SetCursor(HandCursor());
        return TRUE;
    }
    if (message == WM_MOUSEMOVE) {
        const LRESULT result = Comctl().defaultProcedure(hwnd, message, wParam, lParam);
        // While a label holds the mouse for a click, moves outside it are not over it.
        if (pressedLabel_ != row || Inside(hwnd, lParam)) events_.onMouseMove(row);
        return result;
    }
    if (IsStatic(c.kind)) return labelMessage(row, hwnd, message, wParam, lParam);
    return Comctl().defaultProcedure(hwnd, message, wParam, lParam);
}

// A typed character goes through the form's key filter, which may discard it.
LRESULT FormDialog::keyMessage(int row, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto key = static_cast<std::int16_t>(static_cast<std::uint16_t>(wParam));
    events_.onKeyPress(row, key);
    if (key == 0 || !hwnd_) return 0;
    return Comctl().defaultProcedure(hwnd, message, static_cast<std::uint16_t>(key), lParam);
}

// Labels and images: any button down, then a click on the primary button's
// release over the same control.
LRESULT FormDialog::labelMessage(int row, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsButtonDown(message)) {
        events_.onMouseDown(row);
        if (!hwnd_) return 0;
        const bool primary = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK;
        // A handler that waited for an answer may have seen the button come up already.
        if (primary && (GetKeyState(VK_LBUTTON) & 0x8000)) {
            pressedLabel_ = row;
            SetCapture(hwnd);
        }
        return 0;
    }
    if (message == WM_LBUTTONUP && pressedLabel_ == row) {
        pressedLabel_ = -1;
        ReleaseCapture();
        if (Inside(hwnd, lParam)) events_.onClick(row);
        return 0;
    }
    if (message == WM_CAPTURECHANGED && pressedLabel_ == row) pressedLabel_ = -1;
    return Comctl().defaultProcedure(hwnd, message, wParam, lParam);
}

}  // namespace

std::unique_ptr<FormWindow> Win32WindowFactory::create(const FormSpec& layout, FormEvents& events) {
    return std::make_unique<FormDialog>(layout, events);
}

}  // namespace tapivex
