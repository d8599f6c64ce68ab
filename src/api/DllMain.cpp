#include "platform/win32/Win32.h"
#include "dialogs/DialogSupport.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        // The dialog templates are resources of this module.
        dialogs::SetModule(instance);
    }
    return TRUE;
}
