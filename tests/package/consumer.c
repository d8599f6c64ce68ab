/* The program of the SDK's user: initialises a camera, takes one frame, releases it.
 * With VONKEL_SIMULATE=1 the camera is the simulated one. */
#include <stdio.h>
#include "VonkelSdk.h"

int main(void)
{
    static unsigned char picture[640 * 512]; /* 8-bit grey; 640 is a multiple of 4, so no padding */
    int handle;
    unsigned i, lit = 0;

    printf("library version %d, header version %d\n", Vonkel_GetDllVersion(), VONKEL_DLL_VERSION);
    if (Vonkel_GetDllVersion() != VONKEL_DLL_VERSION)
        return 1;
    handle = Vonkel_Initialize(NULL);
    if (!handle || !Vonkel_SetColorMode(handle, 8) || !Vonkel_SetSubSample(handle, 0) ||
        !Vonkel_SetCaptureWindowEx(handle, 640, 0, 640, 512, 0, 512) ||
        !Vonkel_SnapShot(handle, picture, sizeof picture, 1)) {
        printf("no frame (error %d)\n", handle ? Vonkel_GetLastError(handle) : 0);
        return 1;
    }
    for (i = 0; i < sizeof picture; ++i)
        lit += picture[i] != 0;
    printf("frame of %d x %d, %u of %u pixels not black\n", Vonkel_Width(handle), Vonkel_Height(handle), lit,
           (unsigned)sizeof picture);
    if (!Vonkel_Release(handle))
        return 1;
    return lit > sizeof picture / 2 ? 0 : 1;
}
