#include "platform/win32/FormWindowHost.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Failures.h"
#include "platform/win32/MainWindow.h"
#include "platform/win32/Text.h"

namespace tapivex {
namespace {

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
struct IconDeleter {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// The per-monitor DPI functions of Windows 10, looked up at run time so that
// the program still starts on older systems.
template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);
constexpr int kDialogDpiChangeDisableAll = 1;  // DDC_DISABLE_ALL: the host rescales the window itself


void AdjustForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    static const auto adjust = User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
}

// The common controls are loaded with the first window, not at start: the
// program mostly sits in the notification area and never needs them there.
// The manifest makes the loader pick version 6, side by side.
struct CommonControls {
    decltype(&InitCommonControlsEx) initialize;
    decltype(&SetWindowSubclass) setSubclass;
    decltype(&RemoveWindowSubclass) removeSubclass;
    decltype(&DefSubclassProc) defaultProcedure;
};

template <typename Function>
Function Export(HMODULE module, const char* name) {
    FARPROC function = module ? GetProcAddress(module, name) : nullptr;
    if (!function) throw RuntimeFailure("the common controls are missing");
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(function));
}

const CommonControls& Comctl() {
    static const CommonControls functions = [] {
        HMODULE dll = LoadLibraryW(L"comctl32.dll");
        CommonControls loaded{Export<decltype(&InitCommonControlsEx)>(dll, "InitCommonControlsEx"),
                              Export<decltype(&SetWindowSubclass)>(dll, "SetWindowSubclass"),
                              Export<decltype(&RemoveWindowSubclass)>(dll, "RemoveWindowSubclass"),
                              Export<decltype(&DefSubclassProc)>(dll, "DefSubclassProc")};
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
        loaded.initialize(&classes);
        return loaded;
    }();
    return functions;
}

HCURSOR HandCursor() {
    static const HCURSOR cursor = [] {
        HCURSOR own = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kHandCursorId));
        return own ? own : LoadCursorW(nullptr, IDC_HAND);
    }();
    return cursor;
}

// The form windows that exist now, for the message loop's dialog keys.
std::vector<HWND>& LiveForms() {
    static std::vector<HWND> forms;
    return forms;
}

void Forget(HWND hwnd) {
    auto& forms = LiveForms();
    forms.erase(std::remove(forms.begin(), forms.end(), hwnd), forms.end());
}

int CALLBACK MarkFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

bool FaceInstalled(const std::wstring& face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    HDC dc = GetDC(nullptr);
    bool found = false;
    EnumFontFamiliesExW(dc, &wanted, &MarkFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, dc);
    return found;
}

// The forms' Japanese faces, and look-alikes of the same width for a system
// that lacks them: the font mapper's own choice may be a fixed-pitch face,
// which is too wide for labels laid out for a proportional one.
std::wstring InstalledFace(const std::wstring& face) {
    static std::map<std::wstring, std::wstring> chosen;
    auto known = chosen.find(face);
    if (known != chosen.end()) return known->second;
    static const std::map<std::wstring, std::vector<std::wstring>> lookAlikes = {
        {L"ＭＳ Ｐゴシック", {L"MS PGothic", L"IPAPGothic", L"VL PGothic", L"Meiryo UI"}},
        {L"ＭＳ ゴシック", {L"MS Gothic", L"IPAGothic", L"VL Gothic"}},
    };
    std::wstring use = face;
    auto candidates = lookAlikes.find(face);
    if (!face.empty() && !FaceInstalled(face) && candidates != lookAlikes.end()) {
        for (const std::wstring& candidate : candidates->second) {
            if (FaceInstalled(candidate)) {
                use = candidate;
                break;
            }
        }
    }
    return chosen.emplace(face, use).first->second;
}

constexpr DWORD kFixedStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kSizableStyle = kFixedStyle | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

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

class FormDialog final : public FormWindow {
public:
    FormDialog(const FormSpec& layout, FormEvents& events);
    ~FormDialog() override;
    FormDialog(const FormDialog&) = delete;
    FormDialog& operator=(const FormDialog&) = delete;

    std::map<std::wstring, ControlModel>& controls() override { return models_; }
    void refresh() override { writeControls(); }
    void show() override;
    void hide() override;
    bool visible() override { return hwnd_ && IsWindowVisible(hwnd_); }
    std::uintptr_t handle() override { return reinterpret_cast<std::uintptr_t>(hwnd_); }
    std::uintptr_t icon() override;
    void setIcon(std::uintptr_t icon) override;
    void openLink(const std::wstring& target) override;

private:
    struct Control {
        HWND hwnd = nullptr;
        ControlModel applied;  // what the real control shows
        UniqueIcon picture;    // an image's icon, at the control's size
        bool pressed = false;  // the primary button went down on this label
    };

    static INT_PTR CALLBACK dialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK controlProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR index, DWORD_PTR self);
    INT_PTR dialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT controlMessage(std::size_t index, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    void createWindow();
    void destroyWindow();
    void createControls();
    std::vector<std::size_t> zOrder() const;
    void createToolTips();
    void loadWindowIcon();
    DWORD style() const { return spec_.fixedBorder ? kFixedStyle : kSizableStyle; }
    int pixels(int twips) const { return TwipsToPixels(twips, dpi_); }
    void sizeWindow();
    void centre();
    void placeControls();
    void placeControl(std::size_t index);
    POINT origin(const ControlSpec& control) const;
    SIZE textSize(std::size_t index) const;
    const FontSpec& fontSpec(std::size_t index) const;
    HFONT font(std::size_t index);
    void rescale(int dpi, const RECT& suggested);
    void drawImage(const DRAWITEMSTRUCT& item) const;
    std::size_t indexOf(HWND control) const;
    ControlModel& model(std::size_t index) { return models_[spec_.controls[index].name]; }

    // The model and the real controls in step: what the user changed is read
    // before a handler runs, what the handler changed is written after it.
    void readControls();
    void writeControls();
    void keepOneOptionChecked();

    // Runs a handler with the controls read before and written after. False
    // when the handler destroyed this window object: touch nothing then.
    template <typename Handler>
    bool raise(Handler&& handler);
    void click(std::size_t index);
    void mouseMove(const std::wstring& name);
    bool mouseDown(std::size_t index);
    bool keyPress(std::size_t index, WPARAM& character);
    void close();

    FormSpec spec_;
    FormEvents& events_;
    std::map<std::wstring, ControlModel> models_;
    std::vector<Control> controls_;
    std::map<std::tuple<std::wstring, long, bool, bool>, UniqueFont> fonts_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    HWND hwnd_ = nullptr;
    HWND toolTip_ = nullptr;
    int dpi_ = 96;
    bool shown_ = false;
};

FormDialog::FormDialog(const FormSpec& layout, FormEvents& events)
    : spec_(layout), events_(events), controls_(layout.controls.size()) {
    for (const ControlSpec& control : spec_.controls) {
        ControlModel& state = models_[control.name];
        state.text = control.caption;
        state.bold = (control.font.face.empty() ? spec_.font : control.font).bold;
    }
    for (std::size_t i = 0; i < controls_.size(); ++i) controls_[i].applied = model(i);

    Comctl();
    try {
        createWindow();
        LiveForms().push_back(hwnd_);
        // On the monitor that it will open on, so that it is laid out at that monitor's DPI.
        centre();
        dpi_ = WindowDpi(hwnd_);
        loadWindowIcon();
        createControls();
        createToolTips();
        sizeWindow();
        placeControls();
        centre();
    } catch (...) {
        destroyWindow();
        throw;
    }
}

FormDialog::~FormDialog() {
    *alive_ = false;
    destroyWindow();
}

void FormDialog::destroyWindow() {
    if (!hwnd_) return;
    // Nothing of this object may run while the window is torn down.
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i].hwnd) Comctl().removeSubclass(controls_[i].hwnd, &FormDialog::controlProcedure, i);
    }
    SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
    Forget(hwnd_);
    DestroyWindow(std::exchange(hwnd_, nullptr));
}

void FormDialog::createWindow() {
    // An empty in-memory dialog template: the controls are made in code.
    alignas(DWORD) std::array<WORD, 16> words{};
    auto* dialog = reinterpret_cast<DLGTEMPLATE*>(words.data());
    dialog->style = style();
    hwnd_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialog, nullptr, &FormDialog::dialogProcedure,
                                       reinterpret_cast<LPARAM>(this));
    if (!hwnd_) throw RuntimeFailure("the window could not be created");
    static const auto setBehaviour = User32Function<SetDialogDpiChangeBehaviorFunction>("SetDialogDpiChangeBehavior");
    if (setBehaviour) setBehaviour(hwnd_, kDialogDpiChangeDisableAll, kDialogDpiChangeDisableAll);
    SetWindowTextW(hwnd_, spec_.caption.c_str());
}

void FormDialog::loadWindowIcon() {
    if (spec_.iconId == 0) return;
    // Shared icons are never destroyed, so another window may go on showing one after this one closes.
    HINSTANCE module = GetModuleHandleW(nullptr);
    for (const auto& [which, width, height] : {std::tuple{ICON_BIG, SM_CXICON, SM_CYICON},
                                              std::tuple{ICON_SMALL, SM_CXSMICON, SM_CYSMICON}}) {
        HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(spec_.iconId), IMAGE_ICON, GetSystemMetrics(width),
                                 GetSystemMetrics(height), LR_SHARED);
        if (icon) SendMessageW(hwnd_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
    }
}

// Focusable controls first, in tab order, so that the dialog manager's Tab
// follows it; then the other controls; the frames last, at the bottom, so that
// the controls placed on them draw above them.
std::vector<std::size_t> FormDialog::zOrder() const {
    std::vector<std::size_t> order(spec_.controls.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto rank = [&](std::size_t i) {
        const ControlSpec& c = spec_.controls[i];
        if (c.tabIndex >= 0) return std::pair{0, c.tabIndex};
        return std::pair{c.kind == ControlKind::Frame ? 2 : 1, 0};
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return rank(a) < rank(b); });
    return order;
}

void FormDialog::createControls() {
    HINSTANCE module = GetModuleHandleW(nullptr);
    HWND previous = HWND_TOP;
    const ControlSpec* previousSpec = nullptr;
    for (std::size_t i : zOrder()) {
        const ControlSpec& c = spec_.controls[i];
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
        HWND hwnd = CreateWindowExW(exStyle, windowClass, text, controlStyle, 0, 0, 0, 0, hwnd_,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + i)), module,
                                    nullptr);
        if (!hwnd) throw RuntimeFailure("a control could not be created");
        SetWindowPos(hwnd, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        controls_[i].hwnd = hwnd;
        Comctl().setSubclass(hwnd, &FormDialog::controlProcedure, i, reinterpret_cast<DWORD_PTR>(this));
        for (const std::wstring& item : c.items) {
            SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        }
        if (c.isDefault) SendMessageW(hwnd_, DM_SETDEFID, kFirstControlId + i, 0);
        previous = hwnd;
        previousSpec = &c;
    }
}

void FormDialog::createToolTips() {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const std::wstring& tip = spec_.controls[i].toolTip;
        if (tip.empty()) continue;
        if (!toolTip_) {
            // Owned by the form window, so it goes when the window goes.
            toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                       WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleW(nullptr),
                                       nullptr);
            if (!toolTip_) return;
        }
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;  // understood by every version of the common controls
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(controls_[i].hwnd);
        tool.lpszText = const_cast<wchar_t*>(tip.c_str());
        SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void FormDialog::sizeWindow() {
    RECT frame{0, 0, pixels(spec_.clientWidth), pixels(spec_.clientHeight)};
    AdjustForDpi(frame, style(), static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// In the middle of the work area (the screen less the taskbar): of the primary
// monitor for a window that asks to open centred, else of the monitor under the
// pointer, where the user just opened it from the notification icon.
void FormDialog::centre() {
    POINT pointer{};
    GetCursorPos(&pointer);
    HMONITOR monitor = spec_.centred ? MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)
                                     : MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return;
    const RECT& work = info.rcWork;
    RECT window{};
    GetWindowRect(hwnd_, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    const int x = std::max(work.left, work.left + (work.right - work.left - width) / 2);
    const int y = std::max(work.top, work.top + (work.bottom - work.top - height) / 2);
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A control's top-left corner in the window, in twips: a frame's children are
// placed relative to the frame but are the window's own children.
POINT FormDialog::origin(const ControlSpec& control) const {
    POINT at{control.left, control.top};
    std::wstring container = control.container;
    for (std::size_t depth = 0; !container.empty() && depth < spec_.controls.size(); ++depth) {
        auto parent = std::find_if(spec_.controls.begin(), spec_.controls.end(),
                                   [&](const ControlSpec& c) { return c.name == container; });
        if (parent == spec_.controls.end()) break;
        at.x += parent->left;
        at.y += parent->top;
        container = parent->container;
    }
    return at;
}

const FontSpec& FormDialog::fontSpec(std::size_t index) const {
    const FontSpec& own = spec_.controls[index].font;
    return own.face.empty() ? spec_.font : own;
}

HFONT FormDialog::font(std::size_t index) {
    const FontSpec& f = fontSpec(index);
    const bool bold = spec_.controls[index].kind == ControlKind::Label ? model(index).bold : f.bold;
    const long centipoints = std::lround(f.points * 100);
    auto key = std::tuple{f.face, centipoints, bold, f.italic};
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second.get();
    // A fractional pixel height is rounded down: the layout's widths were made
    // for the 96-dpi sizes, and a font half a pixel taller cuts a label's end.
    const int pixels = static_cast<int>(static_cast<long long>(centipoints) * dpi_ / 7200);
    HFONT created = CreateFontW(-pixels, 0, 0, 0,
                                bold ? FW_BOLD : FW_NORMAL, f.italic, FALSE, FALSE, SHIFTJIS_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                InstalledFace(f.face).c_str());
    fonts_.emplace(std::move(key), UniqueFont(created));
    return created;
}

SIZE FormDialog::textSize(std::size_t index) const {
    HWND hwnd = controls_[index].hwnd;
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

void FormDialog::placeControls() {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        SendMessageW(controls_[i].hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font(i)), TRUE);
        placeControl(i);
    }
}

void FormDialog::placeControl(std::size_t index) {
    const ControlSpec& c = spec_.controls[index];
    Control& control = controls_[index];
    const POINT at = origin(c);
    int x = pixels(at.x), y = pixels(at.y), width = pixels(c.width), height = pixels(c.height);
    if (c.kind == ControlKind::Label && (c.centreOnWindow || c.autoSize)) {
        const SIZE text = textSize(index);
        // An italic text's last letter leans out of its measured box.
        width = text.cx + (fontSpec(index).italic ? MulDiv(3, dpi_, 96) : 0);
        height = std::max(height, static_cast<int>(text.cy));
        if (c.centreOnWindow) {
            RECT client{};
            GetClientRect(hwnd_, &client);
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

void FormDialog::rescale(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    auto oldFonts = std::move(fonts_);  // in use until every control has its new font
    fonts_.clear();
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    sizeWindow();
    placeControls();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void FormDialog::drawImage(const DRAWITEMSTRUCT& item) const {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    const std::size_t index = indexOf(item.hwndItem);
    if (index >= controls_.size() || !controls_[index].picture) return;
    DrawIconEx(item.hDC, item.rcItem.left, item.rcItem.top, controls_[index].picture.get(),
               item.rcItem.right - item.rcItem.left, item.rcItem.bottom - item.rcItem.top, 0, nullptr, DI_NORMAL);
}

std::size_t FormDialog::indexOf(HWND control) const {
    const int id = GetDlgCtrlID(control) - kFirstControlId;
    if (id < 0 || static_cast<std::size_t>(id) >= controls_.size() || controls_[id].hwnd != control) {
        return controls_.size();
    }
    return static_cast<std::size_t>(id);
}

void FormDialog::readControls() {
    if (!hwnd_) return;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        Control& control = controls_[i];
        ControlModel& state = model(i);
        // Only what differs from what was last written came from the user; a
        // change the handlers made and not yet wrote stays in the model.
        switch (spec_.controls[i].kind) {
        case ControlKind::TextBox: {
            const int length = GetWindowTextLengthW(control.hwnd);
            std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
            text.resize(static_cast<std::size_t>(GetWindowTextW(control.hwnd, text.data(), length + 1)));
            if (text != control.applied.text) state.text = control.applied.text = text;
            break;
        }
        case ControlKind::OptionButton: {
            const bool checked = SendMessageW(control.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
            if (checked != control.applied.checked) state.checked = control.applied.checked = checked;
            break;
        }
        case ControlKind::DropDownList: {
            const int selected = static_cast<int>(SendMessageW(control.hwnd, CB_GETCURSEL, 0, 0));
            if (selected != control.applied.selectedIndex) state.selectedIndex = control.applied.selectedIndex = selected;
            break;
        }
        default:
            break;
        }
    }
}

// An option that the handlers checked clears the others of its group, as a
// click on it would.
void FormDialog::keepOneOptionChecked() {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const ControlSpec& c = spec_.controls[i];
        if (c.kind != ControlKind::OptionButton || !model(i).checked || controls_[i].applied.checked) continue;
        for (std::size_t j = 0; j < controls_.size(); ++j) {
            const ControlSpec& other = spec_.controls[j];
            if (j != i && other.kind == ControlKind::OptionButton && other.container == c.container) {
                model(j).checked = false;
            }
        }
    }
}

void FormDialog::writeControls() {
    if (!hwnd_) return;
    keepOneOptionChecked();
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const ControlSpec& c = spec_.controls[i];
        Control& control = controls_[i];
        const ControlModel state = model(i);
        ControlModel& shown = control.applied;
        bool relayout = false;
        if (state.text != shown.text && c.kind != ControlKind::DropDownList && c.kind != ControlKind::Image) {
            SetWindowTextW(control.hwnd, state.text.c_str());
            relayout = true;
        }
        if (state.enabled != shown.enabled) EnableWindow(control.hwnd, state.enabled);
        if (c.kind == ControlKind::OptionButton && state.checked != shown.checked) {
            SendMessageW(control.hwnd, BM_SETCHECK, state.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        if (c.kind == ControlKind::DropDownList && state.selectedIndex != shown.selectedIndex) {
            SendMessageW(control.hwnd, CB_SETCURSEL, static_cast<WPARAM>(state.selectedIndex), 0);
        }
        if (c.kind == ControlKind::Label && state.bold != shown.bold) {
            SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font(i)), FALSE);
            InvalidateRect(control.hwnd, nullptr, TRUE);
            relayout = true;
        }
        shown = state;
        if (relayout && (c.centreOnWindow || c.autoSize)) placeControl(i);
    }
}

template <typename Handler>
bool FormDialog::raise(Handler&& handler) {
    const std::shared_ptr<bool> alive = alive_;
    readControls();
    RunHandler(handler);
    if (!*alive) return false;
    writeControls();
    return true;
}

// Every handler gets its own copy of the control's name: the handler may
// destroy this object, and the name with it.
void FormDialog::click(std::size_t index) {
    FormEvents& events = events_;
    const std::wstring name = spec_.controls[index].name;
    raise([&] { events.onClick(name); });
}

void FormDialog::mouseMove(const std::wstring& control) {
    FormEvents& events = events_;
    const std::wstring name = control;
    raise([&] { events.onMouseMove(name); });
}

bool FormDialog::mouseDown(std::size_t index) {
    FormEvents& events = events_;
    const std::wstring name = spec_.controls[index].name;
    return raise([&] { events.onMouseDown(name); });
}

// False when the character is discarded (or the window went with the handler).
bool FormDialog::keyPress(std::size_t index, WPARAM& character) {
    FormEvents& events = events_;
    const std::wstring name = spec_.controls[index].name;
    auto key = static_cast<std::int16_t>(static_cast<std::uint16_t>(character));
    if (!raise([&] { events.onKeyPress(name, key); }) || key == 0) return false;
    character = static_cast<std::uint16_t>(key);
    return true;
}

void FormDialog::close() {
    FormEvents& events = events_;
    if (!raise([&] { events.onClose(); })) return;
    if (hwnd_) DestroyWindow(hwnd_);
}

void FormDialog::show() {
    if (!hwnd_) return;
    writeControls();
    ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(hwnd_);
    if (shown_) return;
    shown_ = true;
    // The first time, the focus goes to the start of the tab order.
    const std::vector<std::size_t> order = zOrder();
    if (!order.empty() && spec_.controls[order.front()].tabIndex >= 0) {
        SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(controls_[order.front()].hwnd), TRUE);
    }
}

void FormDialog::hide() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
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

INT_PTR CALLBACK FormDialog::dialogProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        return FALSE;  // the focus is set when the window is first shown
    }
    auto* self = reinterpret_cast<FormDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    return self ? self->dialogMessage(message, wParam, lParam) : FALSE;
}

INT_PTR FormDialog::dialogMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        // Esc: the same as the close box.
        if (id == IDCANCEL) {
            PostMessageW(hwnd_, WM_CLOSE, 0, 0);
            return TRUE;
        }
        const std::size_t index = static_cast<std::size_t>(id - kFirstControlId);
        if (id >= kFirstControlId && index < controls_.size() && HIWORD(wParam) == BN_CLICKED) {
            const ControlKind kind = spec_.controls[index].kind;
            if (kind == ControlKind::CommandButton || kind == ControlKind::OptionButton) click(index);
        }
        return TRUE;
    }
    case WM_CTLCOLORSTATIC: {
        const std::size_t index = indexOf(reinterpret_cast<HWND>(lParam));
        if (index >= controls_.size() || spec_.controls[index].colour == kDefaultColour) return FALSE;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, spec_.controls[index].colour);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DRAWITEM:
        drawImage(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_MOUSEMOVE:
        mouseMove(L"");
        return TRUE;
    case WM_CLOSE:
        close();
        return TRUE;
    case WM_DPICHANGED:
        rescale(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_NCDESTROY:
        Forget(hwnd_);
        hwnd_ = nullptr;
        toolTip_ = nullptr;
        for (Control& control : controls_) control.hwnd = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

LRESULT CALLBACK FormDialog::controlProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR index,
                                              DWORD_PTR self) {
    if (message == WM_NCDESTROY) {
        Comctl().removeSubclass(hwnd, &FormDialog::controlProcedure, index);
        return Comctl().defaultProcedure(hwnd, message, wParam, lParam);
    }
    return reinterpret_cast<FormDialog*>(self)->controlMessage(index, hwnd, message, wParam, lParam);
}

LRESULT FormDialog::controlMessage(std::size_t index, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const ControlSpec& c = spec_.controls[index];
    if ((message == WM_CHAR || message == WM_IME_CHAR) && c.kind == ControlKind::TextBox) {
        if (!keyPress(index, wParam) || !hwnd_) return 0;
        return Comctl().defaultProcedure(hwnd, message, wParam, lParam);
    }
    if (message == WM_SETCURSOR && c.handCursor && LOWORD(lParam) == HTCLIENT) {
        SetCursor(HandCursor());
        return TRUE;
    }
    if (message == WM_MOUSEMOVE) {
        const LRESULT result = Comctl().defaultProcedure(hwnd, message, wParam, lParam);
        RECT client{};
        GetClientRect(hwnd, &client);
        // While a label holds the mouse for a click, moves outside it are not over it.
        if (!controls_[index].pressed || PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
            mouseMove(c.name);
        }
        return result;
    }
    if (!IsStatic(c.kind)) return Comctl().defaultProcedure(hwnd, message, wParam, lParam);

    // Labels and images: any button down, then a click on the primary
    // button's release over the same control.
    if (IsButtonDown(message)) {
        if (!mouseDown(index) || !hwnd_) return 0;
        const bool primary = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK;
        // A handler that waited for an answer may have seen the button come up already.
        if (primary && (GetKeyState(VK_LBUTTON) & 0x8000)) {
            controls_[index].pressed = true;
            SetCapture(hwnd);
        }
        return 0;
    }
    if (message == WM_LBUTTONUP && controls_[index].pressed) {
        controls_[index].pressed = false;
        ReleaseCapture();
        RECT client{};
        GetClientRect(hwnd, &client);
        if (PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) click(index);
        return 0;
    }
    if (message == WM_CAPTURECHANGED) controls_[index].pressed = false;
    return Comctl().defaultProcedure(hwnd, message, wParam, lParam);
}

}  // namespace

int WindowDpi(HWND hwnd) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(hwnd)) return static_cast<int>(dpi);
    }
    HDC dc = GetDC(nullptr);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

std::unique_ptr<FormWindow> Win32WindowFactory::create(const FormSpec& layout, FormEvents& events) {
    return std::make_unique<FormDialog>(layout, events);
}

bool PreTranslateFormMessage(MSG& message) {
    if (!message.hwnd) return false;
    HWND root = GetAncestor(message.hwnd, GA_ROOT);
    for (HWND form : LiveForms()) {
        if (form == root) return IsDialogMessageW(form, &message) != FALSE;
    }
    return false;
}

}  // namespace tapivex
