// Windows described as data. A form (the settings dialog, the About window)
// is a table of controls; the window host turns the table into a real window
// and routes the user's actions to the form's handlers. A control is named by
// its row in the table, which each form declares as an enumeration. The
// handlers read and write the real controls through FormWindow at the moment
// they ask: the control is the only copy of its state.
#pragma once

#include <cstdint>
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
inline constexpr int kOnWindow = -1;  // the container of a control placed on the window itself

struct ControlSpec {
    int id = 0;              // the control's row in its form's table
    ControlKind kind = ControlKind::Label;
    int container = kOnWindow;  // the window, or the row of a frame
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

// A row of a form's table: a control placed in its container, in the order
// of the keyboard focus when it takes it; the rest of its description at defaults.
inline ControlSpec Row(std::wstring caption, int id, ControlKind kind, int container, int left, int top, int width,
                       int height, FontSpec font = {}, int tabIndex = -1) {
    ControlSpec layout;
    layout.id = id;
    layout.kind = kind;
    layout.container = container;
    layout.caption = std::move(caption);
    layout.left = left;
    layout.top = top;
    layout.width = width;
    layout.height = height;
    layout.font = std::move(font);
    layout.tabIndex = tabIndex;
    return layout;
}

// The rows of a table in the order of their ids; a gap or a repeated id is a
// fault of the table, found when the form is first built.
std::vector<ControlSpec> InIdOrder(std::vector<ControlSpec> rows);

struct FormSpec {
    std::wstring caption;
    int clientWidth = 0, clientHeight = 0;  // twips
    FontSpec font;
    bool fixedBorder = true;        // not resizable
    bool centred = false;           // opens in the middle of the screen
    int iconId = 0;                 // the window's icon resource, 0 for none
    std::vector<ControlSpec> controls;  // in the order of their ids
};

// What a form hears from its window. `control` is a row of the form's table.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void onClick(int /*control*/) {}
    // A typed character; set `key` to 0 to discard it.
    virtual void onKeyPress(int /*control*/, std::int16_t& /*key*/) {}
    // The pointer moved over a control, or over the window's background (kOnWindow).
    virtual void onMouseMove(int /*control*/) {}
    // A mouse button (any) went down on a control.
    virtual void onMouseDown(int /*control*/) {}
    // The close box, Alt+F4, Esc or a close request from elsewhere; the form
    // decides whether its window goes.
    virtual void onClose() {}
};

// A form's window. Every accessor works on the real control at once. After
// close() the window is gone; the accessors then read empty values and
// change nothing, so a handler that unloaded its own form may run to its end.
class FormWindow {
public:
    virtual ~FormWindow() = default;
    virtual std::wstring text(int control) = 0;
    virtual void setText(int control, const std::wstring& text) = 0;
    virtual bool checked(int control) = 0;  // option buttons
    virtual void setChecked(int control, bool checked) = 0;
    virtual int selectedIndex(int control) = 0;  // drop-down lists; -1 for none
    virtual void setSelectedIndex(int control, int index) = 0;
    virtual void setEnabled(int control, bool enabled) = 0;
    virtual void setBold(int control, bool bold) = 0;  // labels

    // Modeless, brought to the front; while a message box of the form waits,
    // the box comes to the front instead.
    virtual void show() = 0;
    virtual void close() = 0;
    // The owner of the form's message boxes and of the folder picker.
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
