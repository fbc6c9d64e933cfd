// The settings dialog: the interval and display style (in memory only) and
// the conversion folder (saved in TapiVEX.CFG, with a reload when it changes).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/Globals.h"
#include "platform/FormWindow.h"
#include "platform/System.h"

namespace tapivex {

class frmMain;

class frmOption : public FormEvents {
public:
    // Loads the dialog hidden; Form_Load runs here.
    frmOption(System system, Globals& globals, WindowFactory& windows, frmMain& main);

    static const FormSpec& Layout();

    // Fills the controls from the settings in force and shows the dialog.
    void open();
    FormWindow& window() { return *window_; }

    void Form_Load();
    void Opt1_Click();
    void Opt2_Click();
    void Text1_KeyPress(std::int16_t& KeyAscii);
    void Command1_Click();
    void Command2_Click();
    void cmdBrowser_Click();
    // Every way out of the dialog ends here: the rotation restarts and the
    // instance is released, so the next opening loads a fresh one.
    void Form_Unload();

    std::int16_t OldUseUserFolder = 0;
    std::wstring OldConvertFolder;  // without its trailing backslash

    // FormEvents
    void onClick(const std::wstring& control) override;
    void onKeyPress(const std::wstring& control, std::int16_t& key) override;
    void onClose() override { Form_Unload(); }

private:
    ControlModel& control(const wchar_t* name) { return window_->controls()[name]; }
    void DeleteConvertedImages();
    // Saves the folder choice of the apply; Changed deletes the old folder's
    // copies and asks for a reload, PathMissing keeps the dialog open.
    enum class FolderChoice { Unchanged, Changed, PathMissing };
    FolderChoice saveFolderChoice();
    void resetInterval();

    System sys_;
    Globals& g_;
    frmMain& main_;
    std::unique_ptr<FormWindow> window_;
};

}  // namespace tapivex
