/* The consumer once more without any C runtime, for a link by lld-link on Microsoft's
 * command line (/nodefaultlib /entry:ConsumerEntry): it needs only kernel32 and the DLL,
 * which it imports through the import library made for Microsoft's linker. */
#include "VonkelSdk.h"

static unsigned char g_picture[640 * 512];

static void Say(const char *text)
{
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)lstrlenA(text), &written, NULL);
}

void __stdcall ConsumerEntry(void)
{
    int handle, ok = 0;
    unsigned i, lit = 0;

    Say("consumer linked by lld-link against the .lib\r\n");
    if (Vonkel_GetDllVersion() == VONKEL_DLL_VERSION && (handle = Vonkel_Initialize(NULL)) != 0) {
        if (Vonkel_SetColorMode(handle, 8) && Vonkel_SetSubSample(handle, 0) &&
            Vonkel_SetCaptureWindowEx(handle, 640, 0, 640, 512, 0, 512) &&
            Vonkel_SnapShot(handle, g_picture, sizeof g_picture, 1)) {
            for (i = 0; i < sizeof g_picture; ++i)
                lit += g_picture[i] != 0;
            ok = lit > sizeof g_picture / 2;
        }
        ok = Vonkel_Release(handle) && ok;
    }
    Say(ok ? "initialised, took a frame, released\r\n" : "failed\r\n");
    ExitProcess(ok ? 0 : 1);
}
