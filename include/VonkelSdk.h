/*
 * VonkelSdk.h - the C interface of VonkelSdk_430NVTX_QEL.dll, the library of the
 * Vonkel 430NVTX-QEL USB area camera (640 x 512 sensor, up to 32 cameras per machine).
 */
#ifndef VONKELSDK_H
#define VONKELSDK_H

/**
 * @file VonkelSdk.h
 * @brief The C interface of VonkelSdk_430NVTX_QEL.dll: 143 exported functions, two
 * messages, two structures and the error codes.
 *
 * Link with `VonkelSdk_430NVTX_QEL.dll.a` (MinGW) or `VonkelSdk_430NVTX_QEL.lib`
 * (Microsoft's linker). A C++ interface built on these functions is in vonkel/vonkel.hpp.
 *
 * @par Handles
 * Vonkel_Initialize returns a camera handle; every other function except
 * Vonkel_GetDllVersion takes it first. A handle that is not (or no longer) registered
 * makes a function return its failure value at once and record nothing.
 *
 * @par Results and errors
 * Functions return 1 (or a value) on success and 0 on failure unless stated; the three
 * getters Vonkel_GetColorMode, Vonkel_GetSubSample and Vonkel_GetWaitTime fail with -1,
 * the two functions returning `double` with 0.0. A failure records an error code
 * (VONKEL_ERR_*) in the handle's history of 20 entries, which Vonkel_GetLastError drains
 * newest first, and posts #VONKEL_WM_ERROR to the window given to Vonkel_Initialize. The
 * "Errors" paragraph of each function lists the codes it records; "post only" marks
 * codes that are posted but not recorded. "No camera driver" (error 1) means the
 * handle's initialisation failed: every function that needs the camera then fails so.
 *
 * @par Threads
 * Every function may be called from any thread, also at the same time on one handle, and
 * while another thread releases the handle (Vonkel_Release waits for the calls still
 * running on it). Mode changes (start, stop, capture, trigger) run one at a time per
 * handle: a call queues behind another thread's mode change on the same handle. A call
 * waits at most for the frame in progress (a stop) and the frame it asks for (a
 * snapshot, a trigger), each at most the transfer timeout (3 s, 5 s in trigger mode):
 * about 11 s at worst, and a frame period or two at the usual exposures. The library runs, per handle, at most one capture thread, one recorder thread
 * and one transfer thread; notifications are posted, never sent, so the library never
 * waits for the application's message loop. Windows the library makes (the preview
 * window, the dialogs) belong to the thread that called the function making them; that
 * thread must run a message loop.
 *
 * @par Pictures
 * Frames are processed into the colour mode's picture: 8 or 16-bit grey, or 24, 32, 48
 * or 64-bit colour with the samples blue, green, red; 16-bit samples hold 12-bit values.
 * Rows are `width` pixels padded to 4 bytes. Functions taking `rowOrder` copy the top row
 * first for 1 and the bottom row first (a bottom-up DIB) for 0. The application's buffer
 * gets the samples as they are; every 8-bit output of 12-bit samples (the preview window,
 * JPEG files, AVI recordings) takes their bits 4..11.
 *
 * @par File names
 * The narrow functions take names in the thread's ANSI code page; the W forms convert
 * their UTF-16 name exactly into that code page (at most 1023 bytes) and fail when it
 * cannot be done.
 */

#ifdef _WIN32
#include <windows.h>
/** @brief Calling convention of every export (`__stdcall`; the same as the default on x64). */
#define VONKELAPI __stdcall
#else
#include <stddef.h>
typedef void *HWND;
#define VONKELAPI
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** @brief Value of Vonkel_GetDllVersion (0x01B80521). */
#define VONKEL_DLL_VERSION 28837153

/**
 * @defgroup messages Messages
 * @brief Messages the library posts to the application's windows.
 * @{
 */
/**
 * @brief Frame notification (WM_APP + 2), posted to the window given to
 * Vonkel_CallBackPreview or Vonkel_Trigger.
 *
 * lParam 0: a frame is ready; wParam points to the handle's #VONKEL_FRAME_INFO and the
 * application's buffer holds the picture. lParam 5 (buffer too small), 8 (transfer
 * failed) or 13 (frame wait ended: the preview stopped delivering) with wParam 0: a
 * failure, posted before the matching #VONKEL_WM_ERROR. The buffer is rewritten by the
 * next frame: copy what you need while handling the message (or copy the picture with
 * Vonkel_GetImage, which takes it under the library's image lock).
 */
#define VONKEL_WM_FRAME 32770
/** @brief Error notification (WM_APP + 3): wParam 0, lParam the error code. Posted to the window given to Vonkel_Initialize after the code is recorded. */
#define VONKEL_WM_ERROR 32771
/** @} */

/**
 * @defgroup errors Error codes
 * @brief The codes Vonkel_GetLastError returns and #VONKEL_WM_ERROR carries (10 is not used).
 * @{
 */
#define VONKEL_ERR_NONE 0              /**< no error; also recorded by a successful Vonkel_GetTemperatureEx */
#define VONKEL_ERR_NO_CAMERA 1         /**< no camera driver, or not allowed in the current mode */
#define VONKEL_ERR_DEVICE 2            /**< device not present or claimed by another user */
#define VONKEL_ERR_THREAD 3            /**< a thread or its event could not be created */
#define VONKEL_ERR_WINDOW 4            /**< preview window failed, or stored size not found */
#define VONKEL_ERR_MEMORY 5            /**< memory, image buffer or caller's buffer too small */
#define VONKEL_ERR_REGISTER 6          /**< register access failed, or the transfer could not start */
#define VONKEL_ERR_CAPTURE_WINDOW 7    /**< capture window out of the sensor or not of the camera's granularity */
#define VONKEL_ERR_TRANSFER 8          /**< frame transfer failed */
#define VONKEL_ERR_ARGUMENT 9          /**< invalid argument */
#define VONKEL_ERR_NOT_SUPPORTED 11    /**< not supported by this camera */
#define VONKEL_ERR_CONVERSION 12       /**< text conversion, file or data failure */
#define VONKEL_ERR_FRAME_WAIT 13       /**< waiting for a frame timed out or was stopped */
#define VONKEL_ERR_MASK_FILE 14        /**< mask file cannot be opened, created or is invalid */
/** @} */

/**
 * @defgroup structures Structures
 * @{
 */
/** @brief Camera information (Vonkel_GetCameraInfo). Set `size` first: 36 or more for the
    fields up to exposureLinesMax, 56 or more for the exposure limits in seconds too. */
typedef struct VONKEL_CAMERA_INFO {
    int size;                /**< set by the caller: the structure's size in bytes */
    int width;               /**< sensor width, 640 */
    int height;              /**< sensor height, 512 */
    int gainMin;             /**< smallest gain, 0 */
    int gainMax;             /**< largest gain, 420 */
    int reserved[2];         /**< written 0 */
    int exposureLinesMin;    /**< shortest exposure in lines, 1 */
    int exposureLinesMax;    /**< longest exposure in lines, 16 777 200 */
    int unused;              /**< not written */
    double realExposureMin;  /**< shortest exposure in seconds (size 56 or more) */
    double realExposureMax;  /**< longest exposure in seconds (size 56 or more) */
} VONKEL_CAMERA_INFO;

/** @brief The description of a frame: wParam of #VONKEL_WM_FRAME points to it. It lives
    inside the library (one per handle) and is overwritten by the next frame. */
typedef struct VONKEL_FRAME_INFO {
    int size;              /**< 32 in trigger mode; left unchanged by the preview */
    int width;             /**< picture width in pixels (after subsampling) */
    int height;            /**< picture height in pixels */
    int bitsPerPixel;      /**< 8, 16, 24, 32, 48 or 64 */
    int fps10;             /**< frames per second x 10, measured about once a second; 0 in trigger mode */
    int dropped;           /**< frames the camera sent since the preview started (or its capture window last
                                changed) that the library lost before processing them, because it was still busy
                                with earlier ones; 0 in trigger mode */
    unsigned char *buffer; /**< the application's buffer the frame was copied into (NULL when none) */
} VONKEL_FRAME_INFO;
/** @} */

/**
 * @defgroup lifecycle Handles and errors
 * @{
 */
/**
 * @brief The library's version. Needs no handle.
 * @return 28837153 (#VONKEL_DLL_VERSION)
 */
int VONKELAPI Vonkel_GetDllVersion(void);
/**
 * @brief Creates a camera instance on device 0: opens the device-ownership table shared
 * by every process, makes the camera driver object (which probes the 32 device paths),
 * reads the stored stream format and settings of device 0 from the registry (creating the
 * defaults when the key is missing), runs the sensor's start-up and applies the settings.
 *
 * The handle is returned also when a step failed; the failure is then in its error
 * history, and the functions that need the camera fail with error 1.
 * @param notifyWindow window that receives #VONKEL_WM_ERROR; may be NULL (then errors
 *        are only recorded)
 * @return a new handle, or 0 when no instance could be made
 * @par Errors
 * 5 shared mapping, driver object or image buffers could not be made (not posted when
 * the mapping failed); 7 the stored capture window does not fit (reset to 640 x 512)
 */
int VONKELAPI Vonkel_Initialize(HWND notifyWindow);
/**
 * @brief Destroys a camera instance: writes the analog, image filter and gray filter
 * settings of the current device to the registry, stops acquisition and a recording
 * (finishing its file), closes the preview window and frees the device.
 * @param handle camera handle
 * @return 1, or 0 for an unknown handle
 * @par Threads
 * The handle is gone at once for every thread; the call waits for calls still running on
 * it. Called from inside a call on the same thread (a dialog's message loop), the
 * teardown happens when that call returns.
 */
int VONKELAPI Vonkel_Release(int handle);
/**
 * @brief Removes and returns the newest recorded error code.
 * @param handle camera handle
 * @return the code, 0 when none is left (or for an unknown handle)
 */
int VONKELAPI Vonkel_GetLastError(int handle);
/** @} */

/**
 * @defgroup devices Devices
 * @{
 */
/**
 * @brief Switches the instance to device `number`: writes the old device's analog and
 * filter settings (from the second switch on), then reads the new device's. The stream
 * format is not reread and a running acquisition is not stopped.
 * @param handle camera handle
 * @param number device number 0..31
 * @return 1, or 0 when the device is not present or cannot be selected
 * @par Errors
 * 1 no camera driver; 2 device not present
 */
int VONKELAPI Vonkel_SetDeviceNumber(int handle, int number);
/**
 * @brief Probes the 32 device paths and lists the present devices, numbered 01, 02, ...
 * in order ("Vonkel430NVTX-QEL_01"); unused entries up to the tenth are emptied.
 * @param handle camera handle
 * @param names array of at least 10 entries (and one per present device) of 256
 *        characters; may be NULL to count only
 * @return the number of present devices (0 on failure)
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_EnumDevice(int handle, char names[][256]);
/**
 * @brief As Vonkel_EnumDevice with wide strings, from the last probe (it does not probe again).
 * @param handle camera handle
 * @param names array of at least 10 entries of 256 wide characters; may be NULL
 * @return the number of present devices (0 on failure)
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_EnumDeviceW(int handle, wchar_t names[][256]);
/**
 * @brief Name of device `number` by its number: "Vonkel430NVTX-QEL_03" for 2. (Vonkel_EnumDevice
 * numbers present devices consecutively; the two agree when there are no gaps.)
 * @param handle camera handle
 * @param number device number 0..31
 * @param text receives the name
 * @param length size of `text`, at least 21
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver; 9 `text` NULL, `length` below 21 or `number` out of range;
 * 2 device not present
 */
int VONKELAPI Vonkel_GetDeviceName(int handle, int number, char *text, int length);
/**
 * @brief As Vonkel_GetDeviceName with a wide string.
 * @param handle camera handle
 * @param number device number 0..31
 * @param text receives the name
 * @param length size of `text` in characters, at least 21
 * @return 1, or 0 on failure
 * @par Errors
 * as Vonkel_GetDeviceName
 */
int VONKELAPI Vonkel_GetDeviceNameW(int handle, int number, wchar_t *text, int length);
/**
 * @brief Fills the camera information.
 * @param handle camera handle
 * @param info the structure, its `size` set first (36 for the short form, 56 for the long one)
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver; 9 `info` NULL; 5 `size` below 36
 */
int VONKELAPI Vonkel_GetCameraInfo(int handle, VONKEL_CAMERA_INFO *info);
/**
 * @brief Width of the capture window (EH), not divided by subsampling.
 * @param handle camera handle
 * @return the width, 0 for an unknown handle
 */
int VONKELAPI Vonkel_Width(int handle);
/**
 * @brief Height of the capture window (EV), not divided by subsampling.
 * @param handle camera handle
 * @return the height, 0 for an unknown handle
 */
int VONKELAPI Vonkel_Height(int handle);
/** @} */

/**
 * @defgroup registers Registers and I/O port
 * @brief Values are bytes; each access opens the device, exchanges commands and closes it.
 * @{
 */
/**
 * @brief Reads a sensor register with an 8-bit address.
 * @param handle camera handle
 * @param address register address (the low 8 bits are used)
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the byte, 0 on failure
 * @par Errors
 * 1 no camera driver; 6 register access failed
 */
int VONKELAPI Vonkel_ReadRegister(int handle, int address, int *ok);
/**
 * @brief Reads a sensor register with a 16-bit address.
 * @param handle camera handle
 * @param address register address (the low 16 bits are used)
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the byte, 0 on failure
 * @par Errors
 * 1 no camera driver; 6 register access failed
 */
int VONKELAPI Vonkel_ReadRegisterEx(int handle, int address, int *ok);
/**
 * @brief Writes a sensor register with an 8-bit address.
 * @param handle camera handle
 * @param address register address (the low 8 bits are used)
 * @param value the byte (low 8 bits)
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver; 6 register access failed
 */
int VONKELAPI Vonkel_WriteRegister(int handle, int address, int value);
/**
 * @brief Writes a sensor register with a 16-bit address.
 * @param handle camera handle
 * @param address register address (the low 16 bits are used)
 * @param value the byte (low 8 bits)
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver; 6 register access failed
 */
int VONKELAPI Vonkel_WriteRegisterEx(int handle, int address, int value);
/**
 * @brief Reads an FPGA register.
 * @param handle camera handle
 * @param address register address (8 bits)
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the byte, 0 on failure
 * @par Errors
 * 1 no camera driver; 6 register access failed
 */
int VONKELAPI Vonkel_Fpga_ReadRegister(int handle, int address, int *ok);
/**
 * @brief Writes an FPGA register.
 * @param handle camera handle
 * @param address register address (8 bits)
 * @param value the byte (low 8 bits)
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver; 6 register access failed
 */
int VONKELAPI Vonkel_Fpga_WriteRegister(int handle, int address, int value);
/**
 * @brief Reads the general-purpose I/O port (FPGA register 7).
 * @param handle camera handle
 * @param[out] value receives the port's byte
 * @param reserved1 ignored
 * @param reserved2 ignored
 * @return 1, or 0 on failure (a failed read records nothing)
 * @par Errors
 * post only: 9 `value` NULL; 1 no camera driver
 */
int VONKELAPI Vonkel_GetIOPort(int handle, unsigned char *value, int reserved1, int reserved2);
/**
 * @brief Writes the general-purpose I/O port (FPGA register 7).
 * @param handle camera handle
 * @param value the byte (low 8 bits)
 * @return 1, or 0 on failure (a failed write records nothing)
 * @par Errors
 * post only: 1 no camera driver
 */
int VONKELAPI Vonkel_SetIOPort(int handle, int value);
/** @} */

/**
 * @defgroup memory Non-volatile memory and temperature
 * @{
 */
/**
 * @brief The camera's serial number from its non-volatile memory (at most 31 characters).
 * @param handle camera handle
 * @param text receives the serial number; an empty serial leaves it unchanged
 * @param length size of `text`, at least 32
 * @return 1 (also for an empty serial), 0 when the memory did not answer
 * @par Errors
 * 9 `text` NULL or `length` below 32; 1 no camera driver
 */
int VONKELAPI Vonkel_ReadSerialNumberA(int handle, char *text, int length);
/**
 * @brief As Vonkel_ReadSerialNumberA as a wide string.
 * @param handle camera handle
 * @param text receives the serial number and its terminator
 * @param length size of `text` in characters
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver; 12 the conversion failed, `text` is NULL or `length` is too small
 */
int VONKELAPI Vonkel_ReadSerialNumberW(int handle, wchar_t *text, int length);
/**
 * @brief Reads byte `index` of the 256-byte identification area.
 * @param handle camera handle
 * @param index 0..255
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the byte, 0 on failure
 * @par Errors
 * post only: 1 no camera driver or the read failed
 */
int VONKELAPI Vonkel_ReadSromID(int handle, int index, int *ok);
/**
 * @brief Writes byte `index` of the 256-byte identification area.
 * @param handle camera handle
 * @param index 0..255
 * @param value the byte
 * @return 1, or 0 on failure
 * @par Errors
 * post only: 1 no camera driver or the write failed
 */
int VONKELAPI Vonkel_WriteSromID(int handle, int index, int value);
/**
 * @brief Sensor temperature. A successful read records (and posts) code 0, so a
 * following Vonkel_GetLastError returns 0 even when older codes remain below it.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return degrees Celsius, 0.0 on failure
 * @par Errors
 * 1 no camera driver; 11 no temperature sensor; 12 the read failed; 0 on success
 */
double VONKELAPI Vonkel_GetTemperatureEx(int handle, int *ok);
/** @} */

/**
 * @defgroup filters Filter values
 * @brief The numbered settings of the processing chain and the camera; the named
 * functions are Vonkel_SetFilterValue / Vonkel_GetFilterValue with their number (in
 * brackets). Stored values take effect with the next processed frame; gain and exposure
 * reach the camera at once. They are saved per device at Vonkel_Release.
 * @{
 */
/**
 * @brief Sets filter value `number`.
 * @param handle camera handle
 * @param number 1..28 or 100..104 (28: automatic grey gains, 0 or 1; 104: does nothing and returns 0)
 * @param value the value, in the range of that number (see the named functions)
 * @return 1, or 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver; 9 value out of range, number 101 or an unassigned number;
 * 11 number 100 (no cooler)
 */
int VONKELAPI Vonkel_SetFilterValue(int handle, int number, int value);
/**
 * @brief Reads filter value `number`.
 * @param handle camera handle
 * @param number 1..28 or 100..104 (104 returns -1 with `ok` 1)
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value; 0 on failure (-1 for numbers 100 and 101)
 * @par Errors
 * 1 no camera driver; 9 unassigned number; 6 gain read failed (13); 11 numbers 100 and 101
 */
int VONKELAPI Vonkel_GetFilterValue(int handle, int number, int *ok);
/**
 * @brief Filter [1]: Brightness added to every sample after the other tone steps.
 * @param handle camera handle
 * @param value -255..255 (0 neutral)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetBrightness(int handle, int value);
/**
 * @brief Filter [1]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetBrightness(int handle, int *ok);
/**
 * @brief Filter [2]: Contrast around the middle level.
 * @param handle camera handle
 * @param value -127..127 (0 neutral)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetContrast(int handle, int value);
/**
 * @brief Filter [2]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetContrast(int handle, int *ok);
/**
 * @brief Filter [3]: Hue rotation of the colour modes.
 * @param handle camera handle
 * @param value -360..360 degrees
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetHue(int handle, int value);
/**
 * @brief Filter [3]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetHue(int handle, int *ok);
/**
 * @brief Filter [4]: Colour saturation of the colour modes.
 * @param handle camera handle
 * @param value -255..255 (0 neutral)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetSaturation(int handle, int value);
/**
 * @brief Filter [4]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetSaturation(int handle, int *ok);
/**
 * @brief Filter [5]: Sharpening strength.
 * @param handle camera handle
 * @param value 0..30 (0 off)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetSharpness(int handle, int value);
/**
 * @brief Filter [5]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetSharpness(int handle, int *ok);
/**
 * @brief Filter [6]: The three white-balance gains at once (a frame sees all three or none).
 * @param handle camera handle
 * @param value red | green << 8 | blue << 16, each byte in percent; not range-checked
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_SetBayerGainRGB(int handle, int value);
/**
 * @brief Filter [6]: Reads the three white-balance gains packed as red | green << 8 | blue << 16 (the low byte of each).
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetBayerGainRGB(int handle, int *ok);
/**
 * @brief Filter [7]: White-balance gain of red in the demosaic.
 * @param handle camera handle
 * @param value 0..400 percent
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetBayerGainRed(int handle, int value);
/**
 * @brief Filter [7]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetBayerGainRed(int handle, int *ok);
/**
 * @brief Filter [8]: White-balance gain of green in the demosaic.
 * @param handle camera handle
 * @param value 0..400 percent
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetBayerGainGreen(int handle, int value);
/**
 * @brief Filter [8]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetBayerGainGreen(int handle, int *ok);
/**
 * @brief Filter [9]: White-balance gain of blue in the demosaic.
 * @param handle camera handle
 * @param value 0..400 percent
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetBayerGainBlue(int handle, int value);
/**
 * @brief Filter [9]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetBayerGainBlue(int handle, int *ok);
/**
 * @brief Filter [10]: Automatic white balance: each colour frame measures and sets the three gains.
 * @param handle camera handle
 * @param value non-zero on, 0 off (stored as 1 or 0; never refused)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_SetBayerGainAuto(int handle, int value);
/**
 * @brief Filter [10]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetBayerGainAuto(int handle, int *ok);
/**
 * @brief Filter [11]: Gamma of the tone curve.
 * @param handle camera handle
 * @param value 0..200 (100 neutral)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetGamma(int handle, int value);
/**
 * @brief Filter [11]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetGamma(int handle, int *ok);
/**
 * @brief Filter [12]: Phase of the sensor's colour filter mosaic used by the demosaic (adjusted for mirroring).
 * @param handle camera handle
 * @param value 0..3
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetBayerMode(int handle, int value);
/**
 * @brief Filter [12]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetBayerMode(int handle, int *ok);
/**
 * @brief Filter [13]: Sensor gain, written to the camera at once (the four colour gains become the same value). The result is 1 whatever the camera answered.
 * @param handle camera handle
 * @param value 0..420
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetGlobalGain(int handle, int value);
/**
 * @brief Filter [13]: Reads the gain from the camera (error 6 when the register read fails).
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver, 6 register read failed
 */
int VONKELAPI Vonkel_GetGlobalGain(int handle, int *ok);
/**
 * @brief Filter [14]: Per-colour sensor gain of red: not adjustable on this camera.
 * @param handle camera handle
 * @param value 0 only (anything else: error 9)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetColorGainRed(int handle, int value);
/**
 * @brief Filter [14]: Always 0.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetColorGainRed(int handle, int *ok);
/**
 * @brief Filter [15]: Per-colour sensor gain of the first green: not adjustable on this camera.
 * @param handle camera handle
 * @param value 0 only (anything else: error 9)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetColorGainGreen1(int handle, int value);
/**
 * @brief Filter [15]: Always 0.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetColorGainGreen1(int handle, int *ok);
/**
 * @brief Filter [16]: Per-colour sensor gain of the second green: not adjustable on this camera.
 * @param handle camera handle
 * @param value 0 only (anything else: error 9)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetColorGainGreen2(int handle, int value);
/**
 * @brief Filter [16]: Always 0.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetColorGainGreen2(int handle, int *ok);
/**
 * @brief Filter [17]: Per-colour sensor gain of blue: not adjustable on this camera.
 * @param handle camera handle
 * @param value 0 only (anything else: error 9)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetColorGainBlue(int handle, int value);
/**
 * @brief Filter [17]: Always 0.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetColorGainBlue(int handle, int *ok);
/**
 * @brief Filter [18]: Exposure in sensor lines, written to the camera at once; kept for the next acquisition start. The result is 1 whatever the camera answered.
 * @param handle camera handle
 * @param value 1..16 777 200 lines
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetExposureTime(int handle, int value);
/**
 * @brief Filter [18]: Reads the exposure in lines from the camera driver.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetExposureTime(int handle, int *ok);
/**
 * @brief Filter [19]: Grey processing: 0 off, 1 per-site gains and offsets of the mosaic, 2 grey computed from colour.
 * @param handle camera handle
 * @param value 0..2
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetGrayMode(int handle, int value);
/**
 * @brief Filter [19]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetGrayMode(int handle, int *ok);
/**
 * @brief Filter [20]: Grey mode gain of the red sites.
 * @param handle camera handle
 * @param value 0..255 (128 neutral)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetGrayGainR(int handle, int value);
/**
 * @brief Filter [20]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetGrayGainR(int handle, int *ok);
/**
 * @brief Filter [21]: Grey mode gain of the first green sites.
 * @param handle camera handle
 * @param value 0..255 (128 neutral)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetGrayGainG1(int handle, int value);
/**
 * @brief Filter [21]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetGrayGainG1(int handle, int *ok);
/**
 * @brief Filter [22]: Grey mode gain of the second green sites.
 * @param handle camera handle
 * @param value 0..255 (128 neutral)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetGrayGainG2(int handle, int value);
/**
 * @brief Filter [22]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetGrayGainG2(int handle, int *ok);
/**
 * @brief Filter [23]: Grey mode gain of the blue sites.
 * @param handle camera handle
 * @param value 0..255 (128 neutral)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetGrayGainB(int handle, int value);
/**
 * @brief Filter [23]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetGrayGainB(int handle, int *ok);
/**
 * @brief Filter [24]: Grey mode offset of the red sites.
 * @param handle camera handle
 * @param value -255..255
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetGrayOffsetR(int handle, int value);
/**
 * @brief Filter [24]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetGrayOffsetR(int handle, int *ok);
/**
 * @brief Filter [25]: Grey mode offset of the first green sites.
 * @param handle camera handle
 * @param value -255..255
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetGrayOffsetG1(int handle, int value);
/**
 * @brief Filter [25]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetGrayOffsetG1(int handle, int *ok);
/**
 * @brief Filter [26]: Grey mode offset of the second green sites.
 * @param handle camera handle
 * @param value -255..255
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetGrayOffsetG2(int handle, int value);
/**
 * @brief Filter [26]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetGrayOffsetG2(int handle, int *ok);
/**
 * @brief Filter [27]: Grey mode offset of the blue sites.
 * @param handle camera handle
 * @param value -255..255
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetGrayOffsetB(int handle, int value);
/**
 * @brief Filter [27]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetGrayOffsetB(int handle, int *ok);
/**
 * @brief Filter [100]: The sensor cooler: this camera has none, so the call fails with error 11.
 * @param handle camera handle
 * @param value on (1) or off (0)
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 11 not supported
 */
int VONKELAPI Vonkel_SetPeltier(int handle, int value);
/**
 * @brief Filter [100]: Fails with error 11 and returns -1: this camera has no cooler.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return -1 (0 without a camera driver)
 * @par Errors
 * 1 no camera driver, 11 not supported
 */
int VONKELAPI Vonkel_GetPeltier(int handle, int *ok);
/**
 * @brief Filter [102]: Repair of isolated defective pixels (the dot filter).
 * @param handle camera handle
 * @param value 0 or 1
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetDotFilter(int handle, int value);
/**
 * @brief Filter [102]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetDotFilter(int handle, int *ok);
/**
 * @brief Filter [103]: Flat-field correction with the dark and bright references (see Vonkel_UpdateMaskData).
 * @param handle camera handle
 * @param value 0 or 1
 * @return 1 when stored, 0 on failure (the value stays as it was)
 * @par Errors
 * 1 no camera driver, 9 value out of range
 */
int VONKELAPI Vonkel_SetMaskFilter(int handle, int value);
/**
 * @brief Filter [103]: Reads the stored value.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the value, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetMaskFilter(int handle, int *ok);
/**
 * @brief Filter [101]: not supported; read the temperature with Vonkel_GetTemperatureEx.
 * @param handle camera handle
 * @param[out] ok receives 0; may be NULL
 * @return -1 (0 without a camera driver)
 * @par Errors
 * 1 no camera driver; 11 not supported
 */
int VONKELAPI Vonkel_GetTemperature(int handle, int *ok);
/** @} */

/**
 * @defgroup stream Stream format, mirroring and exposure
 * @{
 */
/**
 * @brief Sets the colour mode; it takes effect at the next acquisition start.
 * @param handle camera handle
 * @param bits 8 or 16 (grey), 24, 32, 48 or 64 (colour)
 * @return 1, or 0 for another value
 * @par Errors
 * 9 another value
 */
int VONKELAPI Vonkel_SetColorMode(int handle, int bits);
/**
 * @brief The colour mode, as its significant bits: 8, 12, 24, 32, 44 or 60 (the 16-bit
 * samples of modes 16, 48 and 64 hold 12-bit values). A fresh machine's default is 12.
 * @param handle camera handle
 * @return the bits, -1 for an unknown handle
 */
int VONKELAPI Vonkel_GetColorMode(int handle);
/**
 * @brief Switches the repair of the pixels listed by Vonkel_LoadConfigFileA on or off.
 * @param handle camera handle
 * @param value 0 or 1
 * @return 1, or 0 for another value
 * @par Errors
 * 9 another value
 */
int VONKELAPI Vonkel_SetConfigFilter(int handle, int value);
/**
 * @brief Whether the listed defective pixels are repaired.
 * @param handle camera handle
 * @return 0 or 1 (0 for an unknown handle)
 */
int VONKELAPI Vonkel_GetConfigFilter(int handle);
/**
 * @brief Subsampling: every other pixel and line; takes effect at the next acquisition
 * start or capture window change.
 * @param handle camera handle
 * @param value 0 full resolution, 1 subsampled
 * @return 1, or 0 for another value (nothing recorded)
 */
int VONKELAPI Vonkel_SetSubSample(int handle, int value);
/**
 * @brief The subsampling set.
 * @param handle camera handle
 * @return 0 or 1, -1 for an unknown handle
 */
int VONKELAPI Vonkel_GetSubSample(int handle);
/**
 * @brief Pause of the preview loop before each frame; a stop ends it early.
 * @param handle camera handle
 * @param ms milliseconds, not negative (default 10)
 * @return 1, or 0 for a negative value (nothing recorded)
 */
int VONKELAPI Vonkel_SetWaitTime(int handle, int ms);
/**
 * @brief The pause of the preview loop.
 * @param handle camera handle
 * @return milliseconds, -1 for an unknown handle
 */
int VONKELAPI Vonkel_GetWaitTime(int handle);
/**
 * @brief Mirrors the picture left to right, in the camera, at once.
 * @param handle camera handle
 * @param flag non-zero on
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_SetMirrorH(int handle, int flag);
/**
 * @brief Mirrors the picture top to bottom, in the camera, at once.
 * @param handle camera handle
 * @param flag non-zero on
 * @return 1, or 0 on failure
 * @par Errors
 * post only: 1 no camera driver
 */
int VONKELAPI Vonkel_SetMirrorV(int handle, int flag);
/**
 * @brief Whether the picture is mirrored left to right.
 * @param handle camera handle
 * @return 1 or 0 (0 on failure)
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetMirrorH(int handle);
/**
 * @brief Whether the picture is mirrored top to bottom.
 * @param handle camera handle
 * @return 1 or 0 (0 on failure)
 * @par Errors
 * post only: 1 no camera driver
 */
int VONKELAPI Vonkel_GetMirrorV(int handle);
/**
 * @brief Exposure in seconds, written to the camera at once and kept for the next
 * acquisition start (the camera's line time for seconds is 13.38 us).
 * @param handle camera handle
 * @param seconds 2.0333e-05 .. 2.0; a value outside is clamped to the nearer end and
 *        accepted (Vonkel_GetExposureTimeEx tells what was set)
 * @return 1, or 0 on failure (a value the camera refuses records nothing)
 * @par Errors
 * 1 no camera driver; 11 not supported
 */
int VONKELAPI Vonkel_SetExposureTimeEx(int handle, double seconds);
/**
 * @brief The exposure in seconds.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return seconds; -1.0 on failure; 0.0 for an unknown handle
 * @par Errors
 * 1 no camera driver; 11 not supported
 */
double VONKELAPI Vonkel_GetExposureTimeEx(int handle, int *ok);
/**
 * @brief Exposure in microseconds, converted to lines at 12.96 us a line (truncated) and
 * written to the camera at once.
 * @param handle camera handle
 * @param microseconds 13 .. about 217 seconds' worth (1 to 16 777 200 lines)
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver; 9 fewer than 1 or more than 16 777 200 lines
 */
int VONKELAPI Vonkel_SetRealExposureTime(int handle, int microseconds);
/**
 * @brief Automatic exposure or gain, measured on each frame.
 * @param handle camera handle
 * @param mode 0 off, 1 exposure, 2 gain
 * @return 1, or 0 for another value
 * @par Errors
 * post only: 9 another value
 */
int VONKELAPI Vonkel_SetAutoIris(int handle, int mode);
/**
 * @brief The automatic exposure mode.
 * @param handle camera handle
 * @param[out] ok receives 1; may be NULL
 * @return 0, 1 or 2
 */
int VONKELAPI Vonkel_GetAutoIris(int handle, int *ok);
/** @} */

/**
 * @defgroup window Capture window
 * @brief The part of the 640 x 512 sensor that is read: sides multiples of 4 after
 * subsampling (the camera delivers groups of four pixels and lines), at least 8 x 8, inside
 * the sensor.
 * @{
 */
/**
 * @brief Takes the stored size entry (registry, "Size_NN" of the device, as the stream
 * format dialog lists them) whose output size EH x EV is `width` x `height`. The window
 * reaches the camera at once and the pictures at the next acquisition start.
 * @param handle camera handle
 * @param width output width of the entry
 * @param height output height of the entry
 * @return 1, or 0 on failure (the window stays as it was)
 * @par Errors
 * 1 no camera driver; 4 no size list or no such entry; 7 the entry does not fit the sensor
 */
int VONKELAPI Vonkel_SetCaptureWindow(int handle, int width, int height);
/**
 * @brief Sets the capture window.
 * @param handle camera handle
 * @param th sensor width, stored only (640)
 * @param ehs first column
 * @param eh width
 * @param tv sensor height, stored only (512)
 * @param evs first line
 * @param ev height
 * @return 1, or 0 when the window does not fit (it stays as it was)
 * @par Errors
 * 1 no camera driver; 7 the window is outside the sensor or not of the camera's granularity
 */
int VONKELAPI Vonkel_SetCaptureWindowEx(int handle, int th, int ehs, int eh, int tv, int evs, int ev);
/**
 * @brief Reads the capture window; NULL pointers are skipped.
 * @param handle camera handle
 * @param[out] th sensor width
 * @param[out] ehs first column
 * @param[out] eh width
 * @param[out] tv sensor height
 * @param[out] evs first line
 * @param[out] ev height
 * @return 1 (0 for an unknown handle)
 */
int VONKELAPI Vonkel_GetCaptureWindowEx(int handle, int *th, int *ehs, int *eh, int *tv, int *evs, int *ev);
/** @} */

/**
 * @defgroup acquisition Acquisition
 * @brief Modes: idle, preview (continuous, from the transfer thread's ring, frames in the
 * order the camera sent them), capture (single frames on demand) and trigger (one frame per external
 * trigger). Entering a mode from another running one is refused with error 1, except a
 * new callback preview during a preview. A refused mode entry records 1; a mode entry that
 * fails while preparing records the cause (2 device, 5 memory, 7 window) and then 1.
 *
 * Preview, capture and trigger mode claim the device in a table shared by every process on
 * the machine, with or without a notification window, until Vonkel_StopPreview,
 * Vonkel_Close or Vonkel_Release of the same handle (or the end of its process). Meanwhile
 * a mode entry or a snapshot from idle of any other handle, of this process or another,
 * fails on that device with 2 (then 1).
 * @{
 */
/**
 * @brief Continuous acquisition into the library's buffers (read them with
 * Vonkel_GetImage); claims the device. Running already: 1.
 * @param handle camera handle
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver, capture or trigger mode, or preparing failed (after 2, 5 or 7);
 * 3 thread; 6 the transfer could not start
 */
int VONKELAPI Vonkel_StartPreview(int handle);
/**
 * @brief Ends preview, capture or trigger mode and a recording (finishing its file),
 * frees the device and waits for the capture thread (at most about the 5 s transfer
 * timeout). The preview window stays.
 * @param handle camera handle
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_StopPreview(int handle);
/**
 * @brief Preview shown in the preview window (see Vonkel_SetPreviewWindow), no callback.
 * @param handle camera handle
 * @return 1, or 0 on failure
 * @par Errors
 * as Vonkel_CallBackPreview
 */
int VONKELAPI Vonkel_Preview(int handle);
/**
 * @brief Preview with each frame copied into `buffer` and #VONKEL_WM_FRAME posted to
 * `window`; makes the preview window first when one is set (Vonkel_SetPreviewWindow).
 * During a preview it replaces the window and buffer.
 * @param handle camera handle
 * @param window receives the frame notifications; may be NULL
 * @param buffer receives each picture; NULL (or `length` 0) copies nothing
 * @param length size of `buffer` in bytes: at least stride x height
 * @param rowOrder 1 top row first, 0 bottom row first
 * @return 1, or 0 on failure (then the preview is closed)
 * @par Errors
 * 4 preview window; those of Vonkel_StartPreview, then 8; refused in capture or trigger
 * mode: 1 then 8. While running: 5 buffer too small, 8 transfer, 13 frame wait ended
 * (also as #VONKEL_WM_FRAME)
 * @par Threads
 * The preview window belongs to the calling thread. The buffer is written by the
 * capture thread while the notification for the previous frame may still be handled.
 */
int VONKELAPI Vonkel_CallBackPreview(int handle, HWND window, unsigned char *buffer, int length, int rowOrder);
/**
 * @brief Capture mode: opens the single-frame channel for Vonkel_SnapShot, reading one
 * frame, and claims the device. In capture mode already: 1.
 * @param handle camera handle
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver, preview or trigger mode, or preparing failed (after 2, 5 or 7);
 * 8 the frame read failed
 */
int VONKELAPI Vonkel_Capture(int handle);
/**
 * @brief Reads and processes one frame into `buffer`, from idle (the channel is opened
 * and closed again; the mode stays idle) or in capture mode.
 * @param handle camera handle
 * @param buffer receives the picture; NULL (or `length` 0) copies nothing
 * @param length size of `buffer` in bytes: at least stride x height
 * @param rowOrder 1 top row first, 0 bottom row first
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver, preview or trigger mode, or preparing failed; 8 the frame read or
 * copy failed; 5 buffer too small or `length` negative (recorded twice)
 */
int VONKELAPI Vonkel_SnapShot(int handle, unsigned char *buffer, int length, int rowOrder);
/**
 * @brief Copies the last processed picture under the library's image lock; reads no frame.
 * @param handle camera handle
 * @param buffer receives the picture
 * @param length size of `buffer` in bytes: at least stride x height
 * @param rowOrder 1 top row first, 0 bottom row first
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver or no picture buffer; 5 `buffer` NULL, no picture yet, or too small
 * (then recorded twice and #VONKEL_WM_FRAME 5 posted to the callback window)
 */
int VONKELAPI Vonkel_GetImage(int handle, unsigned char *buffer, int length, int rowOrder);
/**
 * @brief Trigger mode: one frame per external trigger (the camera is read with a 5 s
 * transfer timeout), delivered as in Vonkel_CallBackPreview with `size` 32 and `fps10` 0.
 * Claims the device.
 * @param handle camera handle
 * @param window receives the frame notifications; may be NULL
 * @param buffer receives each picture; NULL (or `length` 0) copies nothing
 * @param length size of `buffer` in bytes
 * @param rowOrder 1 top row first, 0 bottom row first
 * @return 1, or 0 on failure (what the call opened is closed again)
 * @par Errors
 * 1 no camera driver, another mode running (trigger mode included) or preparing failed;
 * 4 preview window; 8 the first frame read failed; 3 thread. While running: 5 buffer too small
 */
int VONKELAPI Vonkel_Trigger(int handle, HWND window, unsigned char *buffer, int length, int rowOrder);
/**
 * @brief Stops everything as Vonkel_StopPreview (a recording's file is finished), closes
 * the preview window and the single-frame channel, and marks the last picture as taken
 * before the close: Vonkel_SaveImage then fails until the next frame, while
 * Vonkel_SaveImageW still saves it. Works without a camera driver too.
 * @param handle camera handle
 * @return 1 (0 for an unknown handle)
 */
int VONKELAPI Vonkel_Close(int handle);
/**
 * @brief Where the next mode entry puts the preview window: a child of `parent` at
 * (x, y, width, height); without a parent a centred top-level window of the capture
 * size when any value is non-zero; all zero and no parent: no window. After
 * Vonkel_Initialize the rectangle is the capture size, so a window opens unless this is
 * called with zeros.
 * @param handle camera handle
 * @param parent parent window, or NULL
 * @param x left edge in the parent
 * @param y top edge in the parent
 * @param width width
 * @param height height
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_SetPreviewWindow(int handle, HWND parent, int x, int y, int width, int height);
/**
 * @brief The exposure of the current line count in microseconds (lines x 12.96 us), the
 * unit of Vonkel_SetRealExposureTime.
 * @param handle camera handle
 * @param[out] ok receives 1 on success, 0 on failure; may be NULL
 * @return the exposure, 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_GetRealExposureTime(int handle, int *ok);
/** @} */

/**
 * @defgroup defects Defect correction files
 * @{
 */
/**
 * @brief Takes the last full-size frame (640 x 512) as dark (0) or bright (1) reference of
 * the flat-field correction and rebuilds the map of hot (0) or dead (1) pixels. The
 * reference is kept in the sensor's order (a mirrored frame is turned back), so it corrects
 * the same sensor pixels under any window, subsampling and mirroring.
 * @param handle camera handle
 * @param kind 0 dark, 1 bright
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver; 12 another kind
 */
int VONKELAPI Vonkel_UpdateMaskData(int handle, int kind);
/**
 * @brief Saves the four references (8 and 16-bit dark and bright) as a mask file of
 * 1 966 120 bytes.
 * @param handle camera handle
 * @param path file name (ANSI code page)
 * @return 1, or 0 on failure
 * @par Errors
 * 1 no camera driver; 14 the file cannot be created or written
 */
int VONKELAPI Vonkel_SaveMaskFile(int handle, const char *path);
/**
 * @brief As Vonkel_SaveMaskFile with a UTF-16 name.
 * @param handle camera handle
 * @param path file name
 * @return 1, or 0 on failure
 * @par Errors
 * 12 the name does not convert (no file is touched); those of Vonkel_SaveMaskFile
 */
int VONKELAPI Vonkel_SaveMaskFileW(int handle, const wchar_t *path);
/**
 * @brief Loads a mask file; the whole file is checked before any reference changes.
 * @param handle camera handle
 * @param path file name (ANSI code page)
 * @return 1, or 0 on failure (the references stay as they were)
 * @par Errors
 * 1 no camera driver; 14 the file cannot be opened or is not a mask file
 */
int VONKELAPI Vonkel_LoadMaskFile(int handle, const char *path);
/**
 * @brief As Vonkel_LoadMaskFile with a UTF-16 name.
 * @param handle camera handle
 * @param path file name
 * @return 1, or 0 on failure
 * @par Errors
 * 12 the name does not convert; those of Vonkel_LoadMaskFile
 */
int VONKELAPI Vonkel_LoadMaskFileW(int handle, const wchar_t *path);
/**
 * @brief Loads the list of defective pixels (records of two 32-bit values x, y) repaired
 * while Vonkel_SetConfigFilter is on; replaces the list before. A record names the sensor's
 * column x and row 511 - y (a full frame without mirroring, from its bottom left); each
 * frame repairs the listed pixels its window, subsampling and mirroring show.
 * @param handle camera handle
 * @param path file name (ANSI code page)
 * @return 1, or 0 when the file cannot be read (nothing recorded; the list stays)
 */
int VONKELAPI Vonkel_LoadConfigFileA(int handle, const char *path);
/**
 * @brief As Vonkel_LoadConfigFileA with a UTF-16 name.
 * @param handle camera handle
 * @param path file name
 * @return 1, or 0 on failure
 * @par Errors
 * 12 the name does not convert
 */
int VONKELAPI Vonkel_LoadConfigFileW(int handle, const wchar_t *path);
/** @} */

/**
 * @defgroup stills Still images
 * @brief Formats of Vonkel_SaveImage: the number, never the file name's extension, picks the format.
 * @{
 */
#define VONKEL_SAVE_BMP 0    /**< bottom-up bitmap of the colour mode's depth; 8 bits with a grey ramp */
#define VONKEL_SAVE_RAW 1    /**< the picture's bytes: top row first, rows padded to 4 bytes */
#define VONKEL_SAVE_JPEG 2   /**< progressive JPEG, quality 100; grey for 8/16 bits, else RGB */
#define VONKEL_SAVE_JPEG70 3 /**< the same at quality 70 */
#define VONKEL_SAVE_JPEG20 4 /**< the same at quality 20 */
#define VONKEL_SAVE_PNG 5    /**< 8 or 16-bit samples (12-bit values x 16); 32/64 bits with opaque alpha */
#define VONKEL_SAVE_TIFF 6   /**< uncompressed, one strip, 8 or 16-bit samples (12-bit values x 16) */
/**
 * @brief Writes the last processed picture to `path` (created, or truncated when it
 * exists). The picture is copied under the image lock and written after it: the file holds
 * one whole picture, and a slow disk does not hold up a running capture.
 *
 * 12-bit samples (modes 16, 48, 64): BMP and raw keep them as they are, PNG and TIFF hold
 * them x 16 in 16-bit samples, JPEG takes their bits 4..11.
 * @param handle camera handle
 * @param path file name (ANSI code page)
 * @param format a VONKEL_SAVE_* number
 * @return 1, or 0 on failure; an unknown format or a file that cannot be written records
 *         nothing (a partly written file stays)
 * @par Errors
 * 1 no camera driver, or no frame since the camera was opened or closed (Vonkel_Close)
 */
int VONKELAPI Vonkel_SaveImage(int handle, const char *path, int format);
/**
 * @brief As Vonkel_SaveImage with a UTF-16 name, refused only before the first frame the
 * handle ever processed: after Vonkel_Close it saves the picture Close kept.
 * @param handle camera handle
 * @param path file name
 * @param format a VONKEL_SAVE_* number
 * @return 1, or 0 on failure
 * @par Errors
 * 1 the name does not convert exactly to the thread's ANSI code page in 1023 bytes, no
 * camera driver, or no frame processed yet
 */
int VONKELAPI Vonkel_SaveImageW(int handle, const wchar_t *path, int format);
/** @} */

/**
 * @defgroup recording AVI recording
 * @{
 */
/**
 * @brief Starts the preview (when it does not run) and records its pictures for
 * `milliseconds`, counted from the first picture, into an uncompressed AVI file: 24-bit
 * bottom-up frames, one video stream, an index, the frame rate measured over the intervals
 * between the first and the last frame in the headers; grey pictures as grey colour,
 * 12-bit samples as their bits 4..11.
 *
 * The recording ends at the first picture after its time (a time of 0 gives two frames),
 * or early with Vonkel_StopPreview, Vonkel_Close, Vonkel_Release, the next Vonkel_Record,
 * a capture window of another size, the end of the preview or a write error, and in every
 * case leaves a finished file; a file that would pass 4 GB ends before. The preview goes
 * on after the recording. A callback window and buffer set before are no longer served.
 * @param handle camera handle
 * @param path file name (ANSI code page)
 * @param milliseconds recording time, not negative
 * @param showWindow non-zero opens the preview window when one is set with Vonkel_SetPreviewWindow
 * @return 1 once recording has started, 0 on failure
 * @par Errors
 * 9 empty name or negative time; 4 preview window; 12 the preview cannot start (after its
 * own codes), the file cannot be made, or a write failed while recording; 3 thread; 5 memory
 */
int VONKELAPI Vonkel_Record(int handle, const char *path, int milliseconds, int showWindow);
/**
 * @brief As Vonkel_Record with a UTF-16 name.
 * @param handle camera handle
 * @param path file name
 * @param milliseconds recording time, not negative
 * @param showWindow non-zero opens the preview window when one is set
 * @return 1 once recording has started, 0 on failure
 * @par Errors
 * 12 the name does not convert; those of Vonkel_Record
 */
int VONKELAPI Vonkel_RecordW(int handle, const wchar_t *path, int milliseconds, int showWindow);
/** @} */

/**
 * @defgroup dialogs Property dialogs
 * @brief Modal Win32 dialogs on the calling thread, in Japanese on a Japanese system
 * (language 1041) and in English otherwise. The calling thread runs the dialog's message
 * loop until it closes; other threads may go on calling the library meanwhile.
 * @{
 */
/**
 * @brief Gain, exposure (lines, or a time with a unit in the Japanese set), mirroring and
 * automatic iris, applied as they are edited; Cancel re-applies what the camera had when the
 * dialog opened: the automatic iris first, then gain, exposure (in lines or in seconds, as it
 * was last given) and the camera's mirroring. Values the automatic iris chooses while the
 * dialog is open are shown in it, not written again. Times are shown with the camera's own
 * line time (13.383 us a line plus 7.372 us).
 * @param handle camera handle
 * @param parent owner window, or NULL
 * @return 1 when the dialog ran, whatever closed it; 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_SetAnalogDlg(int handle, HWND parent);
/**
 * @brief Brightness, contrast, hue, saturation, sharpness, colour gains, gamma, Bayer mode
 * and white balance, with a second tab of gray filter settings in the grey colour modes;
 * live in the next processed frame while the dialog is open; Cancel restores, Default resets.
 * @param handle camera handle
 * @param parent owner window, or NULL
 * @return 1 when the dialog ran; 0 on failure
 * @par Errors
 * 1 no camera driver
 */
int VONKELAPI Vonkel_SetImageDlg(int handle, HWND parent);
/**
 * @brief Colour mode, image size (the device's size list, or a new custom size, at most
 * 100), subsampling and wait time as stored for the device; Apply and OK write them, OK
 * also makes the handle take them. Acquisition that was running stops while the dialog is
 * open and starts again afterwards (trigger mode only idles). A device without stored sizes
 * starts from the preset entry 640 x 512; a size that does not fit the sensor is refused in
 * the dialog (OK and Apply beep and store nothing).
 * @param handle camera handle
 * @param parent owner window, or NULL
 * @return 1 when the dialog ran; 0 on failure
 * @par Errors
 * 1 no camera driver; 7 a size stored by other means that does not fit the sensor (acquisition
 * then stays stopped)
 */
int VONKELAPI Vonkel_SetCameraDlg(int handle, HWND parent);
/** @} */

/**
 * @defgroup unsupported Settings of other cameras
 * @brief Functions of other cameras of the family; not supported here (they return 0).
 * @{
 */
/**
 * @brief Not supported by this camera.
 * @param handle camera handle
 * @return 0
 * @par Errors
 * post only: 11
 */
int VONKELAPI Vonkel_Fps(int handle);
/** @copydoc Vonkel_Fps */
int VONKELAPI Vonkel_GetHalfClock(int handle);
/** @copydoc Vonkel_Fps */
int VONKELAPI Vonkel_SetHalfClock(int handle);
/** @copydoc Vonkel_Fps */
int VONKELAPI Vonkel_GetInternalCorrection(int handle);
/** @copydoc Vonkel_Fps */
int VONKELAPI Vonkel_SetInternalCorrection(int handle);
/** @copydoc Vonkel_Fps */
int VONKELAPI Vonkel_SetCrossbar(int handle);
/**
 * @brief Not supported by this camera: writes 0.
 * @param handle camera handle
 * @param[out] value receives 0; may be NULL
 * @return 0 (nothing recorded)
 */
int VONKELAPI Vonkel_GetSamplingRate(int handle, int *value);
/** @copydoc Vonkel_GetSamplingRate */
int VONKELAPI Vonkel_GetVideoFormat(int handle, int *value);
/**
 * @brief Not supported by this camera.
 * @param handle camera handle
 * @return 0 (nothing recorded)
 */
int VONKELAPI Vonkel_SetSamplingRate(int handle);
/**
 * @brief Not supported by this camera.
 * @param handle camera handle
 * @param reserved ignored
 * @return 0 (nothing recorded)
 */
int VONKELAPI Vonkel_GetStatus(int handle, int reserved);
/** @} */

#ifdef __cplusplus
}
#endif

#endif /* VONKELSDK_H */
