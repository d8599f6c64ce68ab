/*
 * VonkelSdk.h - the C interface of VonkelSdk_430NVTX_QEL.dll, the library of the
 * Vonkel 430NVTX-QEL USB area camera (640 x 512 sensor, up to 32 cameras per machine).
 *
 * Vonkel_Initialize returns a camera handle; every other function (except
 * Vonkel_GetDllVersion) takes it first. Functions return 1 (or a value) on success and
 * 0 on failure unless stated; the cause is kept in the handle's error history (drain it
 * with Vonkel_GetLastError, newest first) and announced by VONKEL_WM_ERROR.
 */
#ifndef VONKELSDK_H
#define VONKELSDK_H

#ifdef _WIN32
#include <windows.h>
#define VONKELAPI __stdcall
#else
typedef void *HWND;
#define VONKELAPI
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Value of Vonkel_GetDllVersion. */
#define VONKEL_DLL_VERSION 28837153

/* Messages posted to the application's windows (WM_APP + 2 and WM_APP + 3). */
#define VONKEL_WM_FRAME 32770 /* lParam 0: wParam points to a VONKEL_FRAME_INFO; else lParam is 5, 8 or 13 */
#define VONKEL_WM_ERROR 32771 /* wParam 0, lParam the error code */

/* Error codes, as Vonkel_GetLastError returns them and VONKEL_WM_ERROR carries them. */
#define VONKEL_ERR_NONE 0
#define VONKEL_ERR_NO_CAMERA 1         /* no camera, or not allowed in the current mode */
#define VONKEL_ERR_DEVICE 2            /* device not present or claimed by another user */
#define VONKEL_ERR_THREAD 3            /* a thread or its event could not be created */
#define VONKEL_ERR_WINDOW 4            /* preview window failed, or stored size not found */
#define VONKEL_ERR_MEMORY 5            /* memory, image buffer or caller's buffer too small */
#define VONKEL_ERR_REGISTER 6          /* register access failed */
#define VONKEL_ERR_CAPTURE_WINDOW 7    /* capture window out of the sensor */
#define VONKEL_ERR_TRANSFER 8          /* frame transfer failed */
#define VONKEL_ERR_ARGUMENT 9          /* invalid argument */
#define VONKEL_ERR_NOT_SUPPORTED 11    /* not supported by this camera */
#define VONKEL_ERR_CONVERSION 12       /* text conversion, file or data failure */
#define VONKEL_ERR_FRAME_WAIT 13       /* waiting for a frame timed out or was stopped */
#define VONKEL_ERR_MASK_FILE 14        /* mask file cannot be opened, created or is invalid */

/* Library version, 28837153 (0x01B80521). Needs no handle. */
int VONKELAPI Vonkel_GetDllVersion(void);
/* Creates a camera instance on device 0; errors are posted to notifyWindow (may be NULL). 0 on failure. */
int VONKELAPI Vonkel_Initialize(HWND notifyWindow);
/* Saves the settings, stops everything and destroys the instance. 0 for an unknown handle. */
int VONKELAPI Vonkel_Release(int handle);
/* Removes and returns the newest recorded error code; 0 when none is left. */
int VONKELAPI Vonkel_GetLastError(int handle);

#ifdef __cplusplus
}
#endif

#endif /* VONKELSDK_H */
