#include "platform/win32/FormKeys.h"

#include <algorithm>
#include <vector>

namespace tapivex {
namespace {

std::vector<HWND>& LiveForms() {
    static std::vector<HWND> forms;
    return forms;
}

// A system's modal loop gives keys to no dialog handling but its own window's.
// It shows each message to the thread's message filter first (MSGF_DIALOGBOX,
// message boxes too), which hands the keys of the program's other form windows
// to theirs: Tab, Enter, Escape and mnemonics work there as outside the loop.
// The pop-up menu's loop (MSGF_MENU) keeps its keys.
LRESULT CALLBACK FormKeysInModalLoops(int code, WPARAM wParam, LPARAM lParam) {
    MSG& message = *reinterpret_cast<MSG*>(lParam);
    if ((code == MSGF_DIALOGBOX || code == MSGF_MESSAGEBOX) && message.message >= WM_KEYFIRST &&
        message.message <= WM_KEYLAST && PreTranslateFormMessage(message)) {
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

void AddFormWindow(HWND form) {
    static const HHOOK modalLoopKeys =
        SetWindowsHookExW(WH_MSGFILTER, &FormKeysInModalLoops, nullptr, GetCurrentThreadId());
    (void)modalLoopKeys;
    LiveForms().push_back(form);
}

void RemoveFormWindow(HWND form) {
    auto& forms = LiveForms();
    forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
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
