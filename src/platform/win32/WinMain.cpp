// Tapivex.exe: start-up of the program, then its message loop.
#include <windows.h>

#include "app/Globals.h"
#include "app/frmMain.h"
#include "platform/win32/FormWindowHost.h"
#include "platform/win32/MainWindow.h"
#include "platform/win32/Win32System.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace tapivex;
    // DLLs loaded from here on come from the system folder only, never from
    // the program's folder or the current directory.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    Win32Services services;
    Win32WindowFactory windows;
    Globals globals;
    MainWindow window(instance);
    frmMain form(services.system(), globals, window, windows);
    window.attach(form);

    RunHandler([&] { form.Form_Load(); });

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (PreTranslateFormMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
