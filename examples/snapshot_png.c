/* snapshot_png: one frame of the camera, saved by the library as a PNG file.
 *
 * Vonkel_SnapShot reads and processes one frame and copies it into the application's
 * buffer; Vonkel_SaveImage then writes the library's own copy of that picture in the
 * format given by its number (never by the file name's extension).
 *
 * Usage: snapshot_png [FILE]   (default snapshot.png; VONKEL_SIMULATE=1 without a camera) */
#include <stdio.h>
#include <stdlib.h>
#include "VonkelSdk.h"

/* Prints the handle's error history, newest first, and returns 1 for main. */
static int Fail(int handle, const char *what)
{
    int code;
    printf("%s failed\n", what);
    while ((code = Vonkel_GetLastError(handle)) != 0)
        printf("  error %d\n", code);
    Vonkel_Release(handle);
    return 1;
}

int main(int argc, char **argv)
{
    const char *path = argc > 1 ? argv[1] : "snapshot.png";
    int handle, width, height, stride;
    unsigned char *picture, *centre;

    handle = Vonkel_Initialize(NULL);
    if (!handle)
        return 1;
    /* 24-bit colour (blue, green, red bytes), the whole sensor, no subsampling. */
    if (!Vonkel_SetColorMode(handle, 24) || !Vonkel_SetSubSample(handle, 0) ||
        !Vonkel_SetCaptureWindowEx(handle, 640, 0, 640, 512, 0, 512))
        return Fail(handle, "setting the stream format");

    width = Vonkel_Width(handle);
    height = Vonkel_Height(handle);
    stride = (width * 3 + 3) & ~3; /* rows are padded to 4 bytes */
    picture = malloc((size_t)stride * height);
    if (!picture)
        return Fail(handle, "malloc");
    if (!Vonkel_SnapShot(handle, picture, stride * height, 1 /* top row first */)) {
        free(picture);
        return Fail(handle, "Vonkel_SnapShot");
    }
    centre = picture + (size_t)(height / 2) * stride + (width / 2) * 3;
    printf("frame %d x %d, centre pixel red %d green %d blue %d\n", width, height, centre[2], centre[1], centre[0]);
    free(picture);

    if (!Vonkel_SaveImage(handle, path, VONKEL_SAVE_PNG))
        return Fail(handle, "Vonkel_SaveImage");
    printf("saved %s\n", path);
    Vonkel_Release(handle);
    return 0;
}
