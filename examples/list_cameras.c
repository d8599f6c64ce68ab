/* list_cameras: the cameras on this machine, with name, serial number and temperature.
 *
 * One handle reaches every camera: Vonkel_GetDeviceName tells whether a device number is
 * present and Vonkel_SetDeviceNumber moves the handle onto it. Device numbers can have
 * gaps (a camera unplugged), so the example asks each of the 32 numbers.
 *
 * Without cameras: VONKEL_SIMULATE=2 list_cameras.exe (two simulated cameras). */
#include <stdio.h>
#include "VonkelSdk.h"

int main(void)
{
    static char names[32][256]; /* Vonkel_EnumDevice fills at least 10 entries */
    int handle, count, device;

    printf("library version 0x%08X\n", (unsigned)Vonkel_GetDllVersion());
    handle = Vonkel_Initialize(NULL); /* no window: errors are only kept in the history */
    if (!handle) {
        printf("the library could not create a camera instance\n");
        return 1;
    }
    count = Vonkel_EnumDevice(handle, names);
    printf("%d camera%s\n", count, count == 1 ? "" : "s");

    for (device = 0; device < 32; ++device) {
        char name[32], serial[64] = "";
        double celsius;
        int ok = 0;
        if (!Vonkel_GetDeviceName(handle, device, name, sizeof name))
            continue; /* no camera at this number */
        if (!Vonkel_SetDeviceNumber(handle, device)) {
            printf("%2d  %s  (in use by another program)\n", device, name);
            continue;
        }
        Vonkel_ReadSerialNumberA(handle, serial, sizeof serial); /* leaves "" when the camera has none */
        celsius = Vonkel_GetTemperatureEx(handle, &ok);
        printf("%2d  %s  serial \"%s\"  ", device, name, serial);
        if (ok)
            printf("%.1f C\n", celsius);
        else
            printf("temperature unreadable\n");
    }

    /* The absent device numbers failed on purpose above: drop what they recorded. */
    while (Vonkel_GetLastError(handle) != 0) {
    }
    Vonkel_Release(handle);
    return 0;
}
