// dialog: the library's property dialogs, for a person at the camera (and for the demo's
// screenshots: --close-after closes the dialog by itself and says where it was on screen).
#include "Tool.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

struct Found {
    DWORD process;
    HWND window;
};

BOOL CALLBACK TakeDialog(HWND window, LPARAM param) {
    Found *found = reinterpret_cast<Found *>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    // The dialog class: a modal dialog is the only one this process shows.
    if (process != found->process || std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    found->window = window;
    return FALSE;
}

// Shows tab `index` of the dialog's tab control (identifier 1001), as a click on it would.
void SelectTab(HWND dialog, int index) {
    HWND tab = GetDlgItem(dialog, 1001);
    SendMessageA(tab, TCM_SETCURSEL, index, 0);
    NMHDR header{tab, 1001, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(dialog, WM_NOTIFY, 1001, reinterpret_cast<LPARAM>(&header));
}

// Waits for the dialog, shows tab `tab`, prints its rectangle, and cancels it after `ms`.
void CloseLater(int ms, int tab) {
    Found found{GetCurrentProcessId(), nullptr};
    for (int i = 0; i < 500 && !found.window; ++i) {
        Sleep(20);
        EnumWindows(TakeDialog, reinterpret_cast<LPARAM>(&found));
    }
    if (!found.window)
        return;
    if (tab > 0)
        SelectTab(found.window, tab);
    RECT r{};
    GetWindowRect(found.window, &r);
    std::printf("dialog at %ld,%ld size %ldx%ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(ms));
    PostMessageA(found.window, WM_COMMAND, IDCANCEL, 0);
}

int Dialog(const Args &args) {
    COptions options(args);
    const Args &p = options.Positional();
    int (*const kRun[])(int, HWND) = {Vonkel_SetAnalogDlg, Vonkel_SetImageDlg, Vonkel_SetCameraDlg};
    const char *const kNames[] = {"analog", "image", "stream"};
    int which = -1;
    for (int i = 0; i < 3; ++i)
        if (p.size() == 1 && p[0] == kNames[i])
            which = i;
    const int color = options.Int("color", 0), closeAfter = options.Int("close-after", -1);
    const int tab = options.Int("tab", 0);
    const bool colorOk = color == 0 || color == 8 || color == 16 || color == 24 || color == 32 || color == 48 ||
                         color == 64;
    if (which < 0 || !colorOk || !options.Unknown({"device", "color", "close-after", "tab"}).empty()) {
        std::fprintf(stderr, "usage: vonkelcam dialog analog|image|stream [--device N] [--color BITS] "
                             "[--close-after MS [--tab N]]\n");
        return 2;
    }
    CCameraHandle cam(options.Int("device", 0));
    if (!cam.Ok())
        return 1;
    if (color && !Vonkel_SetColorMode(cam.Get(), color)) {
        PrintErrors(cam.Get());
        return 1;
    }
    std::thread closer;
    if (closeAfter >= 0)
        closer = std::thread(CloseLater, closeAfter, tab);
    const int ran = kRun[which](cam.Get(), nullptr);
    if (closer.joinable())
        closer.join();
    if (!ran) {
        PrintErrors(cam.Get());
        return 1;
    }
    int ok = 0;
    std::printf("gain %d, exposure %d lines, brightness %d, gamma %d, colour mode %d bits, wait time %d ms\n",
                Vonkel_GetGlobalGain(cam.Get(), &ok), Vonkel_GetExposureTime(cam.Get(), &ok),
                Vonkel_GetBrightness(cam.Get(), &ok), Vonkel_GetGamma(cam.Get(), &ok), Vonkel_GetColorMode(cam.Get()),
                Vonkel_GetWaitTime(cam.Get()));
    return 0;
}

const Command kCommands[] = {
    {"dialog", "analog|image|stream [--device N] [--color BITS]", "a property dialog of the library", Dialog},
};

} // namespace

const CommandGroup kDialogCommands{kCommands, sizeof kCommands / sizeof kCommands[0]};
