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

/* Handed with every frame notification: wParam of VONKEL_WM_FRAME points to it. It lives
   inside the library and is overwritten by the next frame. */
typedef struct VONKEL_FRAME_INFO {
    int size;            /* 32 in trigger mode */
    int width;
    int height;
    int bitsPerPixel;    /* 8, 16, 24, 32, 48 or 64 */
    int fps10;           /* frames per second x 10; 0 in trigger mode */
    int reserved;
    unsigned char *buffer; /* the application's buffer the frame was copied into */
} VONKEL_FRAME_INFO;

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

/* ---- filter values (Vonkel_SetFilterValue / Vonkel_GetFilterValue numbers in brackets) ---- */
/* Sets filter `number` (1-28, 100-104); out-of-range values fail with VONKEL_ERR_ARGUMENT. */
int VONKELAPI Vonkel_SetFilterValue(int handle, int number, int value);
/* Reads filter `number`; *ok is 1 on success. */
int VONKELAPI Vonkel_GetFilterValue(int handle, int number, int *ok);
int VONKELAPI Vonkel_SetBrightness(int handle, int value);     /* [1] -255..255 */
int VONKELAPI Vonkel_GetBrightness(int handle, int *ok);
int VONKELAPI Vonkel_SetContrast(int handle, int value);       /* [2] -127..127 */
int VONKELAPI Vonkel_GetContrast(int handle, int *ok);
int VONKELAPI Vonkel_SetHue(int handle, int value);            /* [3] -360..360 degrees */
int VONKELAPI Vonkel_GetHue(int handle, int *ok);
int VONKELAPI Vonkel_SetSaturation(int handle, int value);     /* [4] -255..255 */
int VONKELAPI Vonkel_GetSaturation(int handle, int *ok);
int VONKELAPI Vonkel_SetSharpness(int handle, int value);      /* [5] 0..30 */
int VONKELAPI Vonkel_GetSharpness(int handle, int *ok);
int VONKELAPI Vonkel_SetBayerGainRGB(int handle, int value);   /* [6] red | green << 8 | blue << 16 */
int VONKELAPI Vonkel_GetBayerGainRGB(int handle, int *ok);
int VONKELAPI Vonkel_SetBayerGainRed(int handle, int value);   /* [7] 0..400 percent */
int VONKELAPI Vonkel_GetBayerGainRed(int handle, int *ok);
int VONKELAPI Vonkel_SetBayerGainGreen(int handle, int value); /* [8] 0..400 percent */
int VONKELAPI Vonkel_GetBayerGainGreen(int handle, int *ok);
int VONKELAPI Vonkel_SetBayerGainBlue(int handle, int value);  /* [9] 0..400 percent */
int VONKELAPI Vonkel_GetBayerGainBlue(int handle, int *ok);
int VONKELAPI Vonkel_SetBayerGainAuto(int handle, int value);  /* [10] automatic white balance on (non-zero) or off */
int VONKELAPI Vonkel_GetBayerGainAuto(int handle, int *ok);
int VONKELAPI Vonkel_SetGamma(int handle, int value);          /* [11] 0..200, 100 neutral */
int VONKELAPI Vonkel_GetGamma(int handle, int *ok);
int VONKELAPI Vonkel_SetBayerMode(int handle, int value);      /* [12] colour filter phase 0..3 */
int VONKELAPI Vonkel_GetBayerMode(int handle, int *ok);
int VONKELAPI Vonkel_SetGlobalGain(int handle, int value);     /* [13] sensor gain 0..420; get reads the camera */
int VONKELAPI Vonkel_GetGlobalGain(int handle, int *ok);
int VONKELAPI Vonkel_SetColorGainRed(int handle, int value);   /* [14] 0 only */
int VONKELAPI Vonkel_GetColorGainRed(int handle, int *ok);
int VONKELAPI Vonkel_SetColorGainGreen1(int handle, int value); /* [15] 0 only */
int VONKELAPI Vonkel_GetColorGainGreen1(int handle, int *ok);
int VONKELAPI Vonkel_SetColorGainGreen2(int handle, int value); /* [16] 0 only */
int VONKELAPI Vonkel_GetColorGainGreen2(int handle, int *ok);
int VONKELAPI Vonkel_SetColorGainBlue(int handle, int value);  /* [17] 0 only */
int VONKELAPI Vonkel_GetColorGainBlue(int handle, int *ok);
int VONKELAPI Vonkel_SetExposureTime(int handle, int value);   /* [18] exposure in sensor lines, 1..16 777 200 */
int VONKELAPI Vonkel_GetExposureTime(int handle, int *ok);
int VONKELAPI Vonkel_SetGrayMode(int handle, int value);       /* [19] 0 off, 1 per-site gains, 2 grey from colour */
int VONKELAPI Vonkel_GetGrayMode(int handle, int *ok);
int VONKELAPI Vonkel_SetGrayGainR(int handle, int value);      /* [20] 0..255, 128 neutral */
int VONKELAPI Vonkel_GetGrayGainR(int handle, int *ok);
int VONKELAPI Vonkel_SetGrayGainG1(int handle, int value);     /* [21] 0..255, 128 neutral */
int VONKELAPI Vonkel_GetGrayGainG1(int handle, int *ok);
int VONKELAPI Vonkel_SetGrayGainG2(int handle, int value);     /* [22] 0..255, 128 neutral */
int VONKELAPI Vonkel_GetGrayGainG2(int handle, int *ok);
int VONKELAPI Vonkel_SetGrayGainB(int handle, int value);      /* [23] 0..255, 128 neutral */
int VONKELAPI Vonkel_GetGrayGainB(int handle, int *ok);
int VONKELAPI Vonkel_SetGrayOffsetR(int handle, int value);    /* [24] -255..255 */
int VONKELAPI Vonkel_GetGrayOffsetR(int handle, int *ok);
int VONKELAPI Vonkel_SetGrayOffsetG1(int handle, int value);   /* [25] -255..255 */
int VONKELAPI Vonkel_GetGrayOffsetG1(int handle, int *ok);
int VONKELAPI Vonkel_SetGrayOffsetG2(int handle, int value);   /* [26] -255..255 */
int VONKELAPI Vonkel_GetGrayOffsetG2(int handle, int *ok);
int VONKELAPI Vonkel_SetGrayOffsetB(int handle, int value);    /* [27] -255..255 */
int VONKELAPI Vonkel_GetGrayOffsetB(int handle, int *ok);
int VONKELAPI Vonkel_SetPeltier(int handle, int value);        /* [100] cooler: not on this camera */
int VONKELAPI Vonkel_GetPeltier(int handle, int *ok);
int VONKELAPI Vonkel_GetTemperature(int handle, int *ok);      /* [101] not supported; use Vonkel_GetTemperatureEx */
int VONKELAPI Vonkel_SetDotFilter(int handle, int value);      /* [102] isolated defect repair 0/1 */
int VONKELAPI Vonkel_GetDotFilter(int handle, int *ok);
int VONKELAPI Vonkel_SetMaskFilter(int handle, int value);     /* [103] flat-field correction 0/1 */
int VONKELAPI Vonkel_GetMaskFilter(int handle, int *ok);

/* ---- stream format, mirroring and exposure ---- */
/* Output depth 8, 16, 24, 32, 48 or 64 bits per pixel; takes effect at the next acquisition start. */
int VONKELAPI Vonkel_SetColorMode(int handle, int bits);
/* 8, 12, 24, 32, 44 or 60 (16-bit samples hold 12-bit values); -1 for an unknown handle.
   Right after Vonkel_Initialize on a machine without stored settings: 12 (the stored default
   colour mode is the 16-bit grey one). */
int VONKELAPI Vonkel_GetColorMode(int handle);
/* Repair of the pixels listed by Vonkel_LoadConfigFileA: 0 or 1. */
int VONKELAPI Vonkel_SetConfigFilter(int handle, int value);
int VONKELAPI Vonkel_GetConfigFilter(int handle);
/* 0 full resolution, 1 every other pixel and line; other values return 0 without an error. */
int VONKELAPI Vonkel_SetSubSample(int handle, int value);
int VONKELAPI Vonkel_GetSubSample(int handle);
/* Pause of the preview loop before each frame, in ms (not negative). */
int VONKELAPI Vonkel_SetWaitTime(int handle, int ms);
int VONKELAPI Vonkel_GetWaitTime(int handle);
int VONKELAPI Vonkel_SetMirrorH(int handle, int flag);
int VONKELAPI Vonkel_SetMirrorV(int handle, int flag);
int VONKELAPI Vonkel_GetMirrorH(int handle);
int VONKELAPI Vonkel_GetMirrorV(int handle);
/* Exposure in seconds (2.0333e-05 .. 2.0). */
int VONKELAPI Vonkel_SetExposureTimeEx(int handle, double seconds);
/* Exposure in seconds; -1.0 when there is no camera; 0.0 for an unknown handle. */
double VONKELAPI Vonkel_GetExposureTimeEx(int handle, int *ok);
/* Exposure in microseconds, at 12.96 us per line. */
int VONKELAPI Vonkel_SetRealExposureTime(int handle, int microseconds);
/* Automatic exposure and gain: 0 off, 1 exposure, 2 gain. */
int VONKELAPI Vonkel_SetAutoIris(int handle, int mode);
int VONKELAPI Vonkel_GetAutoIris(int handle, int *ok);

/* ---- capture window ---- */
/* Takes the stored size entry whose output size (EH x EV, "W x H" in the stream format dialog)
   is width x height. No such entry: VONKEL_ERR_WINDOW; an entry the camera cannot deliver:
   VONKEL_ERR_CAPTURE_WINDOW and the window stays as it was. */
int VONKELAPI Vonkel_SetCaptureWindow(int handle, int width, int height);
/* Sensor size, capture start, width and height; every side of the window a multiple of 4 (8 when subsampled). */
int VONKELAPI Vonkel_SetCaptureWindowEx(int handle, int th, int ehs, int eh, int tv, int evs, int ev);
/* Reads the capture window; NULL pointers are skipped. */
int VONKELAPI Vonkel_GetCaptureWindowEx(int handle, int *th, int *ehs, int *eh, int *tv, int *evs, int *ev);

/* ---- acquisition ----
   Frames are processed into the colour mode's picture: 8/16-bit grey or 24/32/48/64-bit colour
   (blue, green, red), 16-bit samples holding 12-bit values. Rows of `width` pixels padded to
   4 bytes; `rowOrder` 0 copies the bottom row first (a bottom-up DIB), 1 the top row first. */
/* Continuous acquisition into the library's buffers (read them with Vonkel_GetImage). */
int VONKELAPI Vonkel_StartPreview(int handle);
/* Ends preview, capture or trigger mode; waits for the capture thread. */
int VONKELAPI Vonkel_StopPreview(int handle);
/* Preview shown in the preview window (see Vonkel_SetPreviewWindow), no callback. */
int VONKELAPI Vonkel_Preview(int handle);
/* Preview with each frame copied into `buffer` and VONKEL_WM_FRAME posted to `window`. */
int VONKELAPI Vonkel_CallBackPreview(int handle, HWND window, unsigned char *buffer, int length, int rowOrder);
/* Capture mode: single frames on demand with Vonkel_SnapShot. */
int VONKELAPI Vonkel_Capture(int handle);
/* Reads and processes one frame into `buffer` (idle or capture mode). A buffer with a negative
   length, or one too short for the picture, fails with VONKEL_ERR_MEMORY; a null buffer or a
   length of 0 copies nothing. */
int VONKELAPI Vonkel_SnapShot(int handle, unsigned char *buffer, int length, int rowOrder);
/* Copies the last processed picture; reads no frame. */
int VONKELAPI Vonkel_GetImage(int handle, unsigned char *buffer, int length, int rowOrder);
/* Trigger mode: one frame per external trigger, delivered like Vonkel_CallBackPreview. */
int VONKELAPI Vonkel_Trigger(int handle, HWND window, unsigned char *buffer, int length, int rowOrder);
/* Stops everything and closes the preview window. Always 1. */
int VONKELAPI Vonkel_Close(int handle);
/* A child preview window at (x, y, width, height) of `parent`; without a parent a centred window
   of the capture size when any value is non-zero; all zero: no window. */
int VONKELAPI Vonkel_SetPreviewWindow(int handle, HWND parent, int x, int y, int width, int height);
/* The exposure of the current line count in microseconds (lines x 12.96 us), the unit of
   Vonkel_SetRealExposureTime. */
int VONKELAPI Vonkel_GetRealExposureTime(int handle, int *ok);

/* ---- defect correction ---- */
/* Takes the last frame (640 x 512) as dark (kind 0) or bright (kind 1) reference. */
int VONKELAPI Vonkel_UpdateMaskData(int handle, int kind);
/* Saves or loads the four references as a mask file (1 966 120 bytes). The W forms convert the
   name to the thread's ANSI code page (at most 1023 bytes); a name that does not fit or holds a
   character the code page cannot represent fails with VONKEL_ERR_CONVERSION and touches no file. */
int VONKELAPI Vonkel_SaveMaskFile(int handle, const char *path);
int VONKELAPI Vonkel_SaveMaskFileW(int handle, const wchar_t *path);
int VONKELAPI Vonkel_LoadMaskFile(int handle, const char *path);
int VONKELAPI Vonkel_LoadMaskFileW(int handle, const wchar_t *path);
/* Loads the list of defective pixels (8-byte records x, y) used while Vonkel_SetConfigFilter is on. */
int VONKELAPI Vonkel_LoadConfigFileA(int handle, const char *path);
int VONKELAPI Vonkel_LoadConfigFileW(int handle, const wchar_t *path);

/* ---- still images ---- */
/* Formats of Vonkel_SaveImage: the number, never the file name's extension, picks the format. */
#define VONKEL_SAVE_BMP 0    /* bottom-up bitmap of the colour mode's depth; 8 bits with a grey ramp */
#define VONKEL_SAVE_RAW 1    /* the picture's bytes: top row first, rows padded to 4 bytes */
#define VONKEL_SAVE_JPEG 2   /* progressive JPEG, quality 100; grey for 8/16 bits, else RGB */
#define VONKEL_SAVE_JPEG70 3 /* the same at quality 70 */
#define VONKEL_SAVE_JPEG20 4 /* the same at quality 20 */
#define VONKEL_SAVE_PNG 5    /* 8 or 16-bit samples (12-bit values x 16); 32/64 bits with opaque alpha */
#define VONKEL_SAVE_TIFF 6   /* uncompressed, one strip, 8 or 16-bit samples (12-bit values x 16) */
/* Writes the last processed picture to `path` (created, or truncated when it exists). 0 with
   VONKEL_ERR_NO_CAMERA before the first frame since the camera was opened or closed; 0 with
   nothing recorded for an unknown format or a file that cannot be written (a partly written
   file stays). */
int VONKELAPI Vonkel_SaveImage(int handle, const char *path, int format);
/* The same with a UTF-16 name; a name that does not convert exactly to the thread's ANSI code
   page in 1023 bytes fails with VONKEL_ERR_NO_CAMERA. */
int VONKELAPI Vonkel_SaveImageW(int handle, const wchar_t *path, int format);
/* ---- AVI recording ---- */
/* Starts the preview and records its pictures for `milliseconds` into an uncompressed AVI
   file (24-bit bottom-up frames, one video stream, an index); the time counts from the
   first picture. Returns 1 once recording has started; the recording then ends by itself,
   or early with Vonkel_StopPreview, Vonkel_Close, Vonkel_Release or the next Vonkel_Record,
   and in every case leaves a finished file (frame count and measured frame rate in its
   headers). A callback window and buffer set before are no longer served. `showWindow`
   non-zero opens the preview window when one is set with Vonkel_SetPreviewWindow.
   Grey pictures are stored as grey colour; 12-bit samples as their bits 2..9.
   A file would pass 4 GB: the recording ends before. Errors: 9 empty name or negative
   time; 4 preview window; 12 preview cannot start, file cannot be made, or a write failed
   during recording (the recording then ends with what was written); 3 thread. */
int VONKELAPI Vonkel_Record(int handle, const char *path, int milliseconds, int showWindow);
/* The same with a UTF-16 name, converted to the thread's ANSI code page (error 12 when it cannot be). */
int VONKELAPI Vonkel_RecordW(int handle, const wchar_t *path, int milliseconds, int showWindow);
/* ---- property dialogs (modal, on the calling thread; Japanese on a Japanese system) ---- */
/* Gain, exposure, mirroring and automatic iris, applied as they are edited; Cancel restores
   them. 1 when the dialog ran, whatever closed it. */
int VONKELAPI Vonkel_SetAnalogDlg(int handle, HWND parent);
/* Brightness, contrast, hue, saturation, sharpness, colour gains, gamma, Bayer mode and white
   balance, with a second tab of gray filter settings in the grey colour modes; live while the
   dialog is open, Cancel restores them. 1 when the dialog ran. */
int VONKELAPI Vonkel_SetImageDlg(int handle, HWND parent);
/* Colour mode, image size (the device's size list, or a new custom size), subsampling and wait
   time as stored for the device; Apply and OK write them, OK also makes the handle take them.
   Acquisition that was running stops while the dialog is open and starts again afterwards (a
   stored size that does not fit the sensor leaves it stopped, VONKEL_ERR_CAPTURE_WINDOW). */
int VONKELAPI Vonkel_SetCameraDlg(int handle, HWND parent);

/* ---- settings of other cameras of the family: not supported here (return 0) ---- */
int VONKELAPI Vonkel_Fps(int handle);
int VONKELAPI Vonkel_GetHalfClock(int handle);
int VONKELAPI Vonkel_SetHalfClock(int handle);
int VONKELAPI Vonkel_GetInternalCorrection(int handle);
int VONKELAPI Vonkel_SetInternalCorrection(int handle);
int VONKELAPI Vonkel_SetCrossbar(int handle);
int VONKELAPI Vonkel_GetSamplingRate(int handle, int *value); /* writes 0 */
int VONKELAPI Vonkel_GetVideoFormat(int handle, int *value);  /* writes 0 */
int VONKELAPI Vonkel_SetSamplingRate(int handle);
int VONKELAPI Vonkel_GetStatus(int handle, int reserved);

#ifdef __cplusplus
}
#endif

#endif /* VONKELSDK_H */
