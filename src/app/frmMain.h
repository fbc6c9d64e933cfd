// The hidden main window: start-up and reload, the rotation of wallpapers,
// the pop-up menu's commands and the shutdown.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/FormInstance.h"
#include "app/Globals.h"
#include "platform/FormWindow.h"
#include "platform/MainWindowHost.h"
#include "platform/System.h"

namespace tapivex {

class frmOption;
class frmVersion;

class frmMain : public MainWindowEvents {
public:
    static constexpr wchar_t kCaption[] = L"変更時間変更";
    static constexpr unsigned kTimerInterval = 500;  // ms between rotation ticks
    static constexpr int kOffScreenTwips = -5000;
    static constexpr std::int32_t kDefaultInterval = 600;
    static constexpr std::int16_t kKeepSystemStyle = 3;

    frmMain(System system, Globals& globals, MainWindowHost& window, WindowFactory& windows);
    ~frmMain() override;
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // Start-up and reload: reads both files afresh and restarts the rotation.
    // Ends the program (throws ProgramEnd) on a second instance, a failure, a
    // header error or a list with nothing to show.
    void Form_Load();
    // The rotation tick, every 500 ms while Timer1 runs.
    void Timer1_Timer();

    // The notification icon's callback: the mouse message's number is in the
    // low word of the second parameter. 515 (double click) opens the settings,
    // 516 (right button pressed) pops up the menu.
    void Form_MouseMove(std::uintptr_t lParam);
    // The shell (re)started its taskbar: an icon added before is gone there.
    void TaskbarCreated();

    void mnRefresh_Click();
    // Opens the settings dialog, or fills the open one again, from the
    // settings in force: during a load, once it is over.
    void mnChange_Click();
    void mnNext_Click();
    void mnAbout_Click();
    void mnClose_Click();
    // Every unload of the window ends here: delete the converted images,
    // remove the icon, end the program.
    [[noreturn]] void Form_QueryUnload();

    // Form-level state.
    std::wstring WindowsTempPath;
    std::int16_t EntryCount = 0;
    std::int16_t NextRequested = 0;  // -1 when a Next command is pending
    std::wstring LastAppliedPath;
    std::int16_t ConvertIndex = 0;
    std::int16_t ConvertedCount = 0;
    std::int16_t UnreadableCount = 0;
    std::array<std::wstring, kUnreadableSlots> UnreadableList;
    std::int16_t CurrentIndex = 0;
    std::int32_t LastChangeTick = 0;

    bool loading() const { return loading_; }
    void setTimerInterval(unsigned milliseconds) { window_.setTimerInterval(milliseconds); }

    // The settings dialog's one instance, loaded hidden when there is none.
    frmOption& optionDialog();
    frmOption* loadedOptionDialog() const { return optionDialog_.loaded(); }
    frmVersion* loadedAboutWindow() const { return aboutWindow_.loaded(); }
    // A window unloads itself: it closes now, and its next opening loads a
    // fresh instance.
    void unload(frmOption& dialog);
    void unload(frmVersion& about);
    // Frees the objects of unloaded windows. Only the program's message loop
    // calls it, between two messages: no handler of theirs runs then.
    void FreeUnloadedForms();

    // MainWindowEvents
    void onTimer() override { Timer1_Timer(); }
    void onNotifyIcon(std::uintptr_t lParam) override { Form_MouseMove(lParam); }
    void onCloseRequest() override { Form_QueryUnload(); }
    void onTaskbarCreated() override { TaskbarCreated(); }

private:
    // The conversion pass lets window messages run. A reload or an opening of
    // the settings asked for meanwhile would rebuild the list under the load,
    // or show its defaults in place of the list's values: while a load runs,
    // the request is noted (true) and carried out once the load is over. A
    // noted reload ends the running load at its next yield: nothing it would
    // still do (copies, messages, the timer, the icon) outlives the reload.
    bool waitsForTheLoad(bool& request);
    void loadSequence();
    void findWindowsTempPath();
    void resolveConversionFolder();
    void dropCopiesOfAnotherFolder();
    void convertPictures();
    void applyCurrentEntry();
    void writeStyleToRegistry();
    void popUpMenu();
    void showWarning(const wchar_t* text);
    [[noreturn]] void endAtOnce();

    // The program's 16-bit flags hold -1 for true, 0 for false.
    static constexpr std::int16_t kTrue = -1;
    static constexpr std::int16_t kFalse = 0;

    System sys_;  // references to the services
    Globals& g_;
    MainWindowHost& window_;
    WindowFactory& windows_;
    FormInstance<frmOption> optionDialog_;
    FormInstance<frmVersion> aboutWindow_;
    bool loading_ = false;
    bool reloadRequested_ = false;    // during a load: abandon it and run it again
    bool settingsRequested_ = false;  // during a load: open the settings when it ends
    bool iconAdded_ = false;
    std::wstring copiesFolder_;  // where the previous load put its copies; empty before the first
    // Working values of one tick.
    std::int32_t tickReading_ = 0;
    std::int32_t elapsedSeconds_ = 0;
};

}  // namespace tapivex
