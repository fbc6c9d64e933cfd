#include "platform/win32/FormLayout.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "platform/Failures.h"
#include "platform/win32/Fonts.h"

namespace tapivex {
namespace {

constexpr DWORD kFixedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kSizableStyle = kFixedStyle | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

}  // namespace

void FormLayout::build(HWND window) {
    window_ = window;
    SetWindowTextW(window_, table_.caption.c_str());
    // On the monitor that it will open on, so that it is laid out at that monitor's DPI.
    centre();
    dpi_ = WindowDpi(window_);
    loadWindowIcon();
    createControls();
    createToolTips();
    sizeWindow();
    placeControls();
    centre();
}

void FormLayout::forget() {
    window_ = nullptr;
    for (Control& control : controls_) control.hwnd = nullptr;
}

HWND FormLayout::control(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < controls_.size() ? controls_[row].hwnd : nullptr;
}

int FormLayout::rowOf(HWND control) const {
    const int row = GetDlgCtrlID(control) - kFirstControlId;
    return control && this->control(row) == control ? row : -1;
}

int FormLayout::firstInTabOrder() const {
    const std::vector<int> order = zOrder();
    return !order.empty() && table_.controls[order.front()].tabIndex >= 0 ? order.front() : -1;
}

DWORD FormLayout::windowStyle() const { return table_.fixedBorder ? kFixedStyle : kSizableStyle; }

void FormLayout::loadWindowIcon() {
    if (table_.iconId == 0) return;
    // Shared icons are never destroyed, so another window may go on showing one after this one closes.
    HINSTANCE module = GetModuleHandleW(nullptr);
    for (const auto& [which, width, height] : {std::tuple{ICON_BIG, SM_CXICON, SM_CYICON},
                                              std::tuple{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}}) {
        HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(table_.iconId), IMAGE_ICON, GetSystemMetrics(width),
                                 GetSystemMetrics(height), LR_SHARED);
        if (icon) SendMessageW(window_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
}

// Focusable controls first, in tab order, so that the dialog manager's Tab
// follows it; then the other controls; the frames last, at the bottom, so that
// the controls placed on them draw above them.
std::vector<int> FormLayout::zOrder() const {
    std::vector<int> order(table_.controls.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    auto rank = [&](int i) {
        const ControlSpec& c = table_.controls[i];
        if (c.tabIndex >= 0) return std::pair{0, c.tabIndex};
        return std::pair{c.kind == ControlKind::Frame ? 2 : 1, 0};
    };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rank(a) < rank(b); });
    return order;
}

void FormLayout::createControls() {
    HINSTANCE module = GetModuleHandleW(nullptr);
    HWND previous = HWND_TOP;
    const ControlSpec* previousSpec = nullptr;
    for (int i : zOrder()) {
        const ControlSpec& c = table_.controls[i];
        const wchar_t* windowClass = L"BUTTON";
        DWORD controlStyle = WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        switch (c.kind) {
        case ControlKind::Label: windowClass = L"STATIC"; controlStyle |= SS_LEFTNOWORDWRAP | SS_NOTIFY; break;
        case ControlKind::Image: windowClass = L"STATIC"; controlStyle |= SS_OWNERDRAW | SS_NOTIFY; break;
        case ControlKind::Frame: controlStyle |= BS_GROUPBOX | WS_CLIPSIBLINGS; break;
        case ControlKind::TextBox:
            windowClass = L"EDIT";
            controlStyle |= ES_AUTOHSCROLL;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::DropDownList: windowClass = L"COMBOBOX"; controlStyle |= CBS_DROPDOWNLIST | WS_VSCROLL; break;
        case ControlKind::OptionButton: controlStyle |= BS_AUTORADIOBUTTON; break;
        case ControlKind::CommandButton: controlStyle |= c.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON; break;
        }
        if (c.tabIndex >= 0) controlStyle |= WS_TABSTOP;
        // Option buttons that follow one another in one container are one group: one of them is checked.
        const bool continuesGroup = c.kind == ControlKind::OptionButton && previousSpec &&
                                    previousSpec->kind == ControlKind::OptionButton &&
                                    previousSpec->container == c.container;
        if (!continuesGroup) controlStyle |= WS_GROUP;

        const wchar_t* text = c.kind == ControlKind::Image ? L"" : c.caption.c_str();
        HWND hwnd = CreateWindowExW(exStyle, windowClass, text, controlStyle, 0, 0, 0, 0, window_,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), module,
                                    nullptr);
        if (!hwnd) throw RuntimeFailure("a control could not be created");
        SetWindowPos(hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        controls_[i].hwnd = hwnd;
        controls_[i].bold = (c.font.face.empty() ? table_.font : c.font).bold;
        for (const std::wstring& item : c.items) {
            SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
        if (c.isDefault) SendMessageW(window_, DM_SETDEFID, kFirstControlId + i, 0);
        previous = hwnd;
        previousSpec = &c;
    }
}

void FormLayout::createToolTips() {
    HWND toolTip = nullptr;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const std::wstring& tip = table_.controls[i].toolTip;
        if (tip.empty()) continue;
        if (!toolTip) {
            // Owned by the form window, so it goes when the window goes.
            toolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
            if (!toolTip) return;
        }
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every version of the common controls
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(controls_[i].hwnd);
        tool.lpszText = const_cast<wchar_t*>(tip.c_str());
        SendMessageW(toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void FormLayout::sizeWindow() {
    RECT frame{0, 0, pixels(table_.clientWidth), pixels(table_.clientHeight)};
    AdjustWindowRectForDpi(frame, windowStyle(), static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)), dpi_);
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// In the middle of the work area (the screen less the taskbar): of the primary
// monitor for a window that asks to open centred, else of the monitor under the
// pointer, where the user just opened it from the notification icon.
void FormLayout::centre() {
    POINT pointer{};
    GetCursorPos(&pointer);
    HMONITOR monitor = table_.centred ? MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)
                                     : MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return;
    const RECT& work = info.rcWork;
    RECT window{};
    GetWindowRect(window_, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    const int x = std::max(work.left, work.left + (work.right - work.left - width) / 2);
    const int y = std::max(work.top, work.top + (work.bottom - work.top - height) / 2);
    SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A control's top-left corner in the window, in twips: a frame's children are
// placed relative to the frame but are the window's own children.
POINT FormLayout::origin(const ControlSpec& control) const {
    POINT at{control.left, control.top};
    int container = control.container;
    for (std::size_t depth = 0; container != kOnWindow && depth < table_.controls.size(); ++depth) {
        const ControlSpec& parent = table_.controls.at(static_cast<std::size_t>(container));
        at.x += parent.left;
        at.y += parent.top;
        container = parent.container;
    }
    return at;
}

const FontSpec& FormLayout::fontSpec(int row) const {
    const FontSpec& own = table_.controls[row].font;
    return own.face.empty() ? table_.font : own;
}

HFONT FormLayout::font(int row) {
    const FontSpec& f = fontSpec(row);
    const bool bold = controls_[row].bold;
    const long centipoints = std::lround(f.points * 100);
    auto key = std::tuple{f.face, centipoints, bold, f.italic};
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second.get();
    // A fractional pixel height is rounded down: the layout's widths were made
    // for the 96-dpi sizes, and a font half a pixel taller cuts a label's end.
    const int height = static_cast<int>(static_cast<long long>(centipoints) * dpi_ / 7200);
    HFONT created = CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, f.italic, FALSE, FALSE,
                                SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, InstalledFace(f.face).c_str());
    fonts_.emplace(std::move(key), UniqueFont(created));
    return created;
}

SIZE FormLayout::textSize(int row) const {
    HWND hwnd = controls_[row].hwnd;
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(hwnd, text.data(), length + 1);
    HDC dc = GetDC(hwnd);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    RECT bounds{};
    DrawTextW(dc, text.c_str(), length, &bounds, DT_CALCRECT | DT_SINGLELINE | DT_LEFT);
    SelectObject(dc, previous);
    ReleaseDC(hwnd, dc);
    return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

void FormLayout::placeControls() {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const int row = static_cast<int>(i);
        SendMessageW(controls_[i].hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font(row)), TRUE);
        placeControl(row);
    }
}

void FormLayout::placeControl(int row) {
    const ControlSpec& c = table_.controls[row];
    Control& control = controls_[row];
    const POINT at = origin(c);
    int x = pixels(at.x), y = pixels(at.y), width = pixels(c.width), height = pixels(c.height);
    if (c.kind == ControlKind::Label && (c.centreOnWindow || c.autoSize)) {
        const SIZE text = textSize(row);
        // An italic text's last letter leans out of its measured box.
        width = text.cx + (fontSpec(row).italic ? MulDiv(3, dpi_, 96) : 0);
        height = std::max(height, static_cast<int>(text.cy));
        if (c.centreOnWindow) {
            RECT client{};
            GetClientRect(window_, &client);
            x = (client.right - width) / 2;
        }
    } else if (c.kind == ControlKind::DropDownList) {
        // The table gives the closed height; the list below it shows every item.
        const int item = static_cast<int>(SendMessageW(control.hwnd, CB_GETITEMHEIGHT, 0, 0));
        height += item * static_cast<int>(std::max<std::size_t>(c.items.size(), 1)) + 2;
    } else if (c.kind == ControlKind::Image && c.iconId != 0) {
        control.picture.reset(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(c.iconId),
                                                            IMAGE_ICON, width, height, LR_DEFAULTCOLOR)));
        InvalidateRect(control.hwnd, nullptr, TRUE);
    }
    SetWindowPos(control.hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormLayout::textChanged(int row) {
    const ControlSpec& c = table_.controls[row];
    if (c.centreOnWindow || c.autoSize) placeControl(row);
}

void FormLayout::setBold(int row, bool bold) {
    if (!control(row) || controls_[row].bold == bold) return;
    controls_[row].bold = bold;
    SendMessageW(controls_[row].hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font(row)), FALSE);
    InvalidateRect(controls_[row].hwnd, nullptr, TRUE);
    textChanged(row);
}

void FormLayout::rescale(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    auto oldFonts = std::move(fonts_);  // in use until every control has its new font
    fonts_.clear();
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    sizeWindow();
    placeControls();
    InvalidateRect(window_, nullptr, TRUE);
}

void FormLayout::drawImage(const DRAWITEMSTRUCT& item) const {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const int row = rowOf(item.hwndItem);
    if (row < 0 || !controls_[row].picture) return;
    DrawIconEx(item.hDC, item.rcItem.left, item.rcItem.top, controls_[row].picture.get(),
               item.rcItem.right - item.rcItem.left, item.rcItem.bottom - item.rcItem.top, 0, nullptr, DI_NORMAL);
}

}  // namespace tapivex
