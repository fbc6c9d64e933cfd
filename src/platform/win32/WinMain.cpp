// Tapivex.exe: the composition root, where the program's windows meet the
// Windows layer, then its message loop.
#include <windows.h>

#include "app/Globals.h"
#include "app/Messages.h"
#include "app/frmMain.h"
#include "platform/win32/FormDialog.h"
#include "platform/win32/FormKeys.h"
#include "platform/win32/HandlerBoundary.h"
#include "platform/win32/MainWindow.h"
#include "platform/win32/Win32System.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace tapivex;
    // DLLs loaded from here on come from the system folder only, never from
    // the program's folder or the current directory.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    Win32Services services(kAppTitle);
    Win32WindowFactory windows;
    Globals globals;
    MainWindow window(instance, frmMain::kCaption);
    frmMain form(services.system(), globals, window, windows);
    window.attach(form);

    RunHandler([&] { form.Form_Load(); });

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!PreTranslateFormMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // Between two messages of this, the outermost loop, no handler runs:
        // the objects of windows that unloaded themselves go now.
        form.FreeUnloadedForms();
    }
    return 0;
}
