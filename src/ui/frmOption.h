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
    // The controls, in the order of the window's table; Label1_5 is Label1(5).
    enum Control : int {
        Label1_5, Frame1_0, Label1_2, Label1_1, Text1, Label1_0, Label1_4, Label1_3, Combo1,
        Frame1_1, Opt1, Opt2, txtPath, cmdBrowser, Command1, Command2,
    };

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
    // window unloads, so the next opening loads a fresh instance.
    void Form_Unload();

    // The folder in force at the opening, which the apply compares with.
    std::int16_t OldUseUserFolder = 0;
    std::wstring OldConvertFolder;  // without its trailing backslash

    // FormEvents
    void onClick(int control) override;
    void onKeyPress(int control, std::int16_t& key) override;
    void onClose() override { Form_Unload(); }

private:
    void takeFolderInForce();
    void DeleteConvertedImages();
    // Saves the folder choice of the apply; Changed asks for the old folder's
    // copies to go and a reload, PathMissing keeps the dialog open. A folder
    // that exists but cannot take the copies throws, before anything is written.
    enum class FolderChoice { Unchanged, Changed, PathMissing };
    FolderChoice saveFolderChoice();
    void resetInterval();
    // A message box of the dialog, modal to it.
    int messageBox(const wchar_t* text, unsigned style);

    System sys_;
    Globals& g_;
    frmMain& main_;
    std::unique_ptr<FormWindow> window_;
    std::wstring shownFolder_;  // the folder text of the opening
};

}  // namespace tapivex
