/* callback_preview: the camera's pictures drawn in a window of the application's own.
 *
 * Vonkel_CallBackPreview copies every processed frame into the application's buffer and
 * posts VONKEL_WM_FRAME to the application's window. The notification arrives through the
 * window's message loop, on the thread that owns the window, so the window procedure can
 * draw the buffer without a lock. The library may already be copying the next frame into
 * the buffer while this one is drawn; a program that keeps frames copies them out here.
 *
 * It needs a display for its window; without one it says so and ends.
 *
 * Usage: callback_preview [FRAMES]   (default 300, about four seconds; VONKEL_SIMULATE=1
 * without a camera) */
#include <stdio.h>
#include <stdlib.h>
#include "VonkelSdk.h"

static int g_handle;           /* the camera */
static unsigned char *g_picture; /* the application's buffer the library copies frames into */
static BITMAPINFO g_format;    /* the buffer described for GDI: a bottom-up 24-bit bitmap */
static int g_frames, g_wanted;

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case VONKEL_WM_FRAME:
        if (lParam != 0) { /* 5 buffer too small, 8 transfer failed, 13 no more frames */
            printf("frame notification with error %d\n", (int)lParam);
            DestroyWindow(window);
            return 0;
        }
        /* wParam describes the frame; it lives in the library until the next frame. */
        if (++g_frames % 100 == 0) {
            const VONKEL_FRAME_INFO *frame = (const VONKEL_FRAME_INFO *)wParam;
            printf("frame %d: %d x %d, %d bits, %.1f frames a second\n", g_frames, frame->width, frame->height,
                   frame->bitsPerPixel, frame->fps10 / 10.0);
        }
        InvalidateRect(window, NULL, FALSE);
        if (g_frames == g_wanted)
            DestroyWindow(window);
        return 0;
    case VONKEL_WM_ERROR: /* a failure in the library, posted to the window of Vonkel_Initialize */
        printf("library error %d\n", (int)lParam);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        RECT client;
        HDC dc = BeginPaint(window, &paint);
        GetClientRect(window, &client);
        StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, g_format.bmiHeader.biWidth,
                      g_format.bmiHeader.biHeight, g_picture, &g_format, DIB_RGB_COLORS, SRCCOPY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER: /* the camera has stopped delivering */
        printf("no frame for 5 seconds\n");
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        Vonkel_StopPreview(g_handle); /* no frame is posted after it returns */
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int main(int argc, char **argv)
{
    WNDCLASSA windowClass = {0};
    RECT frame;
    HWND window;
    MSG message;
    int width, height, stride;

    g_wanted = argc > 1 ? atoi(argv[1]) : 300;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.lpszClassName = "VonkelCallbackPreview";
    RegisterClassA(&windowClass);
    window = CreateWindowA("VonkelCallbackPreview", "Vonkel callback preview", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, 100, 100, NULL, NULL, windowClass.hInstance, NULL);
    if (!window) { /* without it no frame would ever be announced */
        printf("callback_preview needs a display: its window could not be made (Windows error %lu)\n",
               (unsigned long)GetLastError());
        return 1;
    }

    g_handle = Vonkel_Initialize(window); /* library errors come to this window too */
    if (!g_handle || !Vonkel_SetColorMode(g_handle, 24) || !Vonkel_SetSubSample(g_handle, 0)) {
        printf("no camera (error %d)\n", g_handle ? Vonkel_GetLastError(g_handle) : 0);
        Vonkel_Release(g_handle);
        return 1;
    }
    Vonkel_SetPreviewWindow(g_handle, NULL, 0, 0, 0, 0); /* the library's own window: none */

    width = Vonkel_Width(g_handle);
    height = Vonkel_Height(g_handle);
    stride = (width * 3 + 3) & ~3; /* rows padded to 4 bytes, as in a bitmap */
    g_picture = calloc((size_t)stride, height);
    if (!g_picture) {
        printf("no memory for the picture\n");
        Vonkel_Release(g_handle);
        return 1;
    }
    g_format.bmiHeader.biSize = sizeof g_format.bmiHeader;
    g_format.bmiHeader.biWidth = width;
    g_format.bmiHeader.biHeight = height; /* positive: bottom row first, rowOrder 0 below */
    g_format.bmiHeader.biPlanes = 1;
    g_format.bmiHeader.biBitCount = 24;
    g_format.bmiHeader.biCompression = BI_RGB;

    /* The window's client area the size of the picture. */
    SetRect(&frame, 0, 0, width, height);
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(window, NULL, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(window, SW_SHOW);

    if (!Vonkel_CallBackPreview(g_handle, window, g_picture, stride * height, 0)) {
        printf("Vonkel_CallBackPreview failed (error %d)\n", Vonkel_GetLastError(g_handle));
        Vonkel_Release(g_handle);
        free(g_picture);
        return 1;
    }
    SetTimer(window, 1, 5000, NULL);
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (message.message == VONKEL_WM_FRAME)
            SetTimer(window, 1, 5000, NULL); /* a frame came: the 5 s wait starts again */
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    printf("%d frames received\n", g_frames);
    Vonkel_Release(g_handle);
    free(g_picture);
    return g_frames == g_wanted ? 0 : 1;
}
