// Windows described as data. A form (the settings dialog, the About window)
// is a table of controls; the window host turns the table into a real window
// and routes the user's actions to the form's handlers. The handlers work on
// the controls' model (text, enabled, checked, selection, bold), which the
// host keeps in step with the real controls.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tapivex {

enum class ControlKind { Label, Frame, TextBox, DropDownList, OptionButton, CommandButton, Image };

struct FontSpec {
    std::wstring face;  // with the Japanese character set
    double points = 9;
    bool bold = false;
    bool italic = false;
};

inline constexpr std::uint32_t kDefaultColour = 0xFFFFFFFFu;  // the system's text colour

struct ControlSpec {
    std::wstring name;       // "Label1(2)", "Text1", "Command1"
    ControlKind kind = ControlKind::Label;
    std::wstring container;  // "" for the window itself, else a frame's name
    std::wstring caption;    // "(&X)" makes X the mnemonic
    int left = 0, top = 0, width = 0, height = 0;  // twips, relative to the container
    FontSpec font;
    std::uint32_t colour = kDefaultColour;  // text colour, 0x00BBGGRR
    int tabIndex = -1;           // order of the keyboard focus; -1: takes no focus
    bool isDefault = false;      // the default button (Enter)
    bool handCursor = false;     // the pointer over it is a hand
    std::wstring toolTip;
    std::vector<std::wstring> items;  // the entries of a drop-down list
    int iconId = 0;                   // an Image's icon resource, drawn at the control's size
    bool centreOnWindow = false;      // a label sized to its text, centred on the window's middle line
    bool autoSize = false;            // a label sized to its text, from its left and top
};

// A control placed in its container; the rest of its description at defaults.
inline ControlSpec PlaceControl(std::wstring name, ControlKind kind, std::wstring container, std::wstring caption,
                                int left, int top, int width, int height, FontSpec font = {}) {
    ControlSpec layout;
    layout.name = std::move(name);
    layout.kind = kind;
    layout.container = std::move(container);
    layout.caption = std::move(caption);
    layout.left = left;
    layout.top = top;
    layout.width = width;
    layout.height = height;
    layout.font = std::move(font);
    return layout;
}

struct FormSpec {
    std::wstring caption;
    int clientWidth = 0, clientHeight = 0;  // twips
    FontSpec font;
    bool fixedBorder = true;        // not resizable
    bool centred = false;           // opens in the middle of the screen
    int iconId = 0;                 // the window's icon resource, 0 for none
    std::vector<ControlSpec> controls;
};

// The state of one control as the handlers see it.
struct ControlModel {
    std::wstring text;
    bool enabled = true;
    bool checked = false;     // option buttons
    int selectedIndex = -1;   // drop-down lists
    bool bold = false;        // labels
};

// What a form hears from its window.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void onClick(const std::wstring&) {}
    // A typed character; set `key` to 0 to discard it.
    virtual void onKeyPress(const std::wstring&, std::int16_t& /*key*/) {}
    // The pointer moved over a control, or over the window's background ("").
    virtual void onMouseMove(const std::wstring&) {}
    // A mouse button (any) went down on a control.
    virtual void onMouseDown(const std::wstring&) {}
    // The window is closing (close box, Alt+F4); it closes after this returns.
    virtual void onClose() {}
};

class FormWindow {
public:
    virtual ~FormWindow() = default;
    // The controls' model, keyed by name; changes made by the handlers show
    // when the handler returns, or at once through refresh().
    virtual std::map<std::wstring, ControlModel>& controls() = 0;
    virtual void refresh() = 0;
    virtual void show() = 0;  // modeless, brought to the front
    virtual void hide() = 0;  // the window goes from the screen; the object stays usable
    virtual bool visible() = 0;
    virtual std::uintptr_t handle() = 0;
    // The window's icon (its class's large icon), for another window to take.
    virtual std::uintptr_t icon() = 0;
    virtual void setIcon(std::uintptr_t icon) = 0;
    // Opens a link target with ShellExecuteA(window, "Open", target, "", "", SW_SHOW).
    virtual void openLink(const std::wstring& target) = 0;
};

class WindowFactory {
public:
    virtual ~WindowFactory() = default;
    // Creates the window hidden. `events` must outlive the window.
    virtual std::unique_ptr<FormWindow> create(const FormSpec& layout, FormEvents& events) = 0;
};

}  // namespace tapivex
