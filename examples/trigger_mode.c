/* trigger_mode: one frame for each pulse on the camera's trigger input.
 *
 * Vonkel_Trigger puts the camera in trigger mode: it waits for a trigger and delivers the
 * frame it then takes as callback preview does, by VONKEL_WM_FRAME to the window given
 * (a message-only window here) with the frame in the application's buffer. The frame
 * description has no frame rate in trigger mode (fps10 is 0).
 *
 * It needs no display: its window only receives messages, and the library's own preview
 * window, which trigger mode would open otherwise, is turned off.
 *
 * Usage: trigger_mode [FRAMES]   (default 5). It gives up after 30 seconds without a
 * trigger. A simulated camera triggers itself:
 *   VONKEL_SIMULATE=1 VONKEL_SIMULATE_TRIGGER_MS=200 trigger_mode.exe */
#include <stdio.h>
#include <stdlib.h>
#include "VonkelSdk.h"

int main(int argc, char **argv)
{
    const int wanted = argc > 1 ? atoi(argv[1]) : 5;
    int handle, width, height, stride, frames = 0;
    unsigned char *picture;
    UINT_PTR timer;
    DWORD armed;
    HWND window;
    MSG message;

    /* A window that only receives messages: the frame notifications. */
    window = CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    if (!window) {
        printf("no message window (Windows error %lu)\n", (unsigned long)GetLastError());
        return 1;
    }
    handle = Vonkel_Initialize(window);
    if (!handle || !Vonkel_SetColorMode(handle, 8) || !Vonkel_SetSubSample(handle, 0)) {
        printf("no camera (error %d)\n", handle ? Vonkel_GetLastError(handle) : 0);
        Vonkel_Release(handle);
        return 1;
    }
    Vonkel_SetPreviewWindow(handle, NULL, 0, 0, 0, 0); /* the library's own window: none */
    width = Vonkel_Width(handle);
    height = Vonkel_Height(handle);
    stride = (width + 3) & ~3; /* 8-bit grey, rows padded to 4 bytes */
    picture = malloc((size_t)stride * height);

    if (!picture || !Vonkel_Trigger(handle, window, picture, stride * height, 1 /* top row first */)) {
        printf("Vonkel_Trigger failed (error %d)\n", Vonkel_GetLastError(handle));
        Vonkel_Release(handle);
        free(picture);
        return 1;
    }
    printf("waiting for %d triggers\n", wanted);
    armed = GetTickCount();
    timer = SetTimer(NULL, 0, 30000, NULL); /* a thread timer: WM_TIMER if no trigger comes */
    while (frames < wanted && GetMessageA(&message, NULL, 0, 0) > 0) {
        if (message.message == WM_TIMER) {
            printf("no trigger for 30 seconds\n");
            break;
        }
        if (message.hwnd != window || message.message != VONKEL_WM_FRAME)
            continue;
        if (message.lParam != 0) { /* 5 buffer too small, 8 transfer failed, 13 no more frames */
            printf("frame notification with error %d\n", (int)message.lParam);
            break;
        }
        {
            const VONKEL_FRAME_INFO *frame = (const VONKEL_FRAME_INFO *)message.wParam;
            ++frames;
            printf("trigger %d after %lu ms: %d x %d, %d bits, centre pixel %d\n", frames,
                   (unsigned long)(GetTickCount() - armed), frame->width, frame->height, frame->bitsPerPixel,
                   picture[(size_t)(frame->height / 2) * stride + frame->width / 2]);
        }
        SetTimer(NULL, timer, 30000, NULL); /* the wait for the next trigger starts again */
    }
    Vonkel_StopPreview(handle); /* ends trigger mode */
    Vonkel_Release(handle);
    DestroyWindow(window);
    free(picture);
    return frames == wanted ? 0 : 1;
}
