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
#include <stddef.h>
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

/* Camera information (Vonkel_GetCameraInfo). Set `size` first: 36 or more for the
   fields up to exposureLinesMax, 56 or more for the exposure limits in seconds too. */
typedef struct VONKEL_CAMERA_INFO {
    int size;
    int width;               /* 640 */
    int height;              /* 512 */
    int gainMin;             /* 0 */
    int gainMax;             /* 420 */
    int reserved[2];         /* 0 */
    int exposureLinesMin;    /* 1 */
    int exposureLinesMax;    /* 16 777 200 */
    int unused;              /* not written */
    double realExposureMin;  /* seconds */
    double realExposureMax;  /* seconds */
} VONKEL_CAMERA_INFO;

/* Library version, 28837153 (0x01B80521). Needs no handle. */
int VONKELAPI Vonkel_GetDllVersion(void);
/* Creates a camera instance on device 0; errors are posted to notifyWindow (may be NULL). 0 on failure. */
int VONKELAPI Vonkel_Initialize(HWND notifyWindow);
/* Saves the settings, stops everything and destroys the instance. 0 for an unknown handle. */
int VONKELAPI Vonkel_Release(int handle);
/* Removes and returns the newest recorded error code; 0 when none is left. */
int VONKELAPI Vonkel_GetLastError(int handle);

/* ---- devices ---- */
/* Switches the instance to device `number` (0..31): saves the old device's settings, loads the new one's. */
int VONKELAPI Vonkel_SetDeviceNumber(int handle, int number);
/* Names of the present devices, numbered 01, 02, ... in order; at least 10 entries; returns the count. */
int VONKELAPI Vonkel_EnumDevice(int handle, char names[][256]);
/* As Vonkel_EnumDevice with wide strings, from the last probe (does not probe again). */
int VONKELAPI Vonkel_EnumDeviceW(int handle, wchar_t names[][256]);
/* Name of device `number` ("Vonkel430NVTX-QEL_03" for 2); `length` must be at least 21. */
int VONKELAPI Vonkel_GetDeviceName(int handle, int number, char *text, int length);
/* As Vonkel_GetDeviceName with a wide string; `length` in characters. */
int VONKELAPI Vonkel_GetDeviceNameW(int handle, int number, wchar_t *text, int length);
/* Fills the camera information; info->size must be set first. */
int VONKELAPI Vonkel_GetCameraInfo(int handle, VONKEL_CAMERA_INFO *info);
/* Capture width and height of the current capture window (not divided by subsampling). */
int VONKELAPI Vonkel_Width(int handle);
int VONKELAPI Vonkel_Height(int handle);

/* ---- registers (values are bytes; *ok receives 1 or 0 when not NULL) ---- */
/* Sensor register with an 8-bit address (the low 8 bits of `address`). */
int VONKELAPI Vonkel_ReadRegister(int handle, int address, int *ok);
/* Sensor register with a 16-bit address. */
int VONKELAPI Vonkel_ReadRegisterEx(int handle, int address, int *ok);
int VONKELAPI Vonkel_WriteRegister(int handle, int address, int value);
int VONKELAPI Vonkel_WriteRegisterEx(int handle, int address, int value);
/* FPGA register. */
int VONKELAPI Vonkel_Fpga_ReadRegister(int handle, int address, int *ok);
int VONKELAPI Vonkel_Fpga_WriteRegister(int handle, int address, int value);
/* General-purpose I/O port (FPGA register 7); the two last arguments are ignored. */
int VONKELAPI Vonkel_GetIOPort(int handle, unsigned char *value, int reserved1, int reserved2);
int VONKELAPI Vonkel_SetIOPort(int handle, int value);

/* ---- non-volatile memory ---- */
/* The camera's serial number; `length` at least 32. An empty serial gives 1 and leaves text alone. */
int VONKELAPI Vonkel_ReadSerialNumberA(int handle, char *text, int length);
/* As Vonkel_ReadSerialNumberA as a wide string; `length` in characters. */
int VONKELAPI Vonkel_ReadSerialNumberW(int handle, wchar_t *text, int length);
/* Byte `index` (0..255) of the identification area. */
int VONKELAPI Vonkel_ReadSromID(int handle, int index, int *ok);
int VONKELAPI Vonkel_WriteSromID(int handle, int index, int value);

/* Sensor temperature in degrees Celsius; a successful read records error code 0. */
double VONKELAPI Vonkel_GetTemperatureEx(int handle, int *ok);

#ifdef __cplusplus
}
#endif

#endif /* VONKELSDK_H */
