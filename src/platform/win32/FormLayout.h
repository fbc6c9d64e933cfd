// A form window's controls, built from the form's table and kept laid out:
// positions in twips turned into pixels at the window's DPI, the Japanese
// fonts (or look-alikes), labels sized to their text, and the window centred
// on its monitor.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/FormWindow.h"
#include "platform/win32/Handles.h"
#include "platform/win32/SystemFunctions.h"

namespace tapivex {

// The control of row i has the id kFirstControlId + i (GetDlgItem finds it;
// so can a test driver in another process).
inline constexpr int kFirstControlId = 100;

class FormLayout {
public:
    explicit FormLayout(const FormSpec& table) : table_(table), controls_(table.controls.size()) {}
    FormLayout(const FormLayout&) = delete;
    FormLayout& operator=(const FormLayout&) = delete;

    // The style of the form's window: a fixed or a sizable border.
    DWORD windowStyle() const;
    // Creates the controls in the empty, hidden window and lays them out.
    // Throws RuntimeFailure when a control cannot be created.
    void build(HWND window);
    // The window is gone, and its controls with it.
    void forget();

    const FormSpec& table() const { return table_; }
    std::size_t rows() const { return controls_.size(); }
    HWND control(int row) const;
    // The row of a control of this window; -1 for another window.
    int rowOf(HWND control) const;
    // The row that takes the focus first; -1 when none takes it.
    int firstInTabOrder() const;

    // A label's text changed: a label sized to its text takes its new size.
    void textChanged(int row);
    void setBold(int row, bool bold);
    void rescale(int dpi, const RECT& suggested);
    void drawImage(const DRAWITEMSTRUCT& item) const;

private:
    struct Control {
        HWND hwnd = nullptr;
        bool bold = false;   // a label's weight, which its font shows
        UniqueIcon picture;  // an image's icon, at the control's size
    };

    std::vector<int> zOrder() const;
    void createControls();
    void createToolTips();
    void loadWindowIcon();
    int pixels(int twips) const { return TwipsToPixels(twips, dpi_); }
    void sizeWindow();
    void centre();
    void placeControls();
    void placeControl(int row);
    POINT origin(const ControlSpec& control) const;
    SIZE textSize(int row) const;
    const FontSpec& fontSpec(int row) const;
    HFONT font(int row);

    const FormSpec table_;
    std::vector<Control> controls_;
    std::map<std::tuple<std::wstring, long, bool, bool>, UniqueFont> fonts_;
    HWND window_ = nullptr;
    int dpi_ = 96;
};

}  // namespace tapivex
