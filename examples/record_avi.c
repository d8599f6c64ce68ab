/* record_avi: ten seconds of the camera in an uncompressed AVI file.
 *
 * Vonkel_Record starts the preview and records its pictures on a thread of the library.
 * It returns as soon as the recording has started; the recording ends by itself after the
 * time given (counted from the first picture) and leaves a finished file, with the frame
 * count and the measured frame rate in its headers. Vonkel_StopPreview ends it earlier and
 * finishes the file just the same.
 *
 * Usage: record_avi [FILE [SECONDS]]   (default recording.avi, 10 s; VONKEL_SIMULATE=1
 * without a camera) */
#include <stdio.h>
#include <stdlib.h>
#include "VonkelSdk.h"

int main(int argc, char **argv)
{
    const char *path = argc > 1 ? argv[1] : "recording.avi";
    const int seconds = argc > 2 ? atoi(argv[2]) : 10;
    unsigned char header[52] = {0};
    unsigned long frames, microsPerFrame;
    FILE *file;
    int handle, code;

    handle = Vonkel_Initialize(NULL);
    if (!handle)
        return 1;
    Vonkel_SetColorMode(handle, 24);                   /* the file holds 24-bit frames whatever the mode */
    Vonkel_SetPreviewWindow(handle, NULL, 0, 0, 0, 0); /* record without showing a window */
    if (!Vonkel_Record(handle, path, seconds * 1000, 0)) {
        printf("Vonkel_Record failed\n");
        while ((code = Vonkel_GetLastError(handle)) != 0)
            printf("  error %d\n", code);
        Vonkel_Release(handle);
        return 1;
    }
    printf("recording %s for %d s\n", path, seconds);
    /* The library tells nothing while it records. Wait the time and a second for the
       camera's start, then stop the preview: a recording still running is finished first. */
    Sleep(seconds * 1000 + 1000);
    Vonkel_StopPreview(handle);
    Vonkel_Release(handle);

    /* The main AVI header: microseconds per frame at byte 32, total frames at byte 48. */
    file = fopen(path, "rb");
    if (!file || fread(header, 1, sizeof header, file) != sizeof header) {
        printf("cannot read %s\n", path);
        return 1;
    }
    fclose(file);
    microsPerFrame = header[32] | header[33] << 8 | header[34] << 16 | (unsigned long)header[35] << 24;
    frames = header[48] | header[49] << 8 | header[50] << 16 | (unsigned long)header[51] << 24;
    printf("%s: %lu frames at %.1f frames a second\n", path, frames, microsPerFrame ? 1e6 / microsPerFrame : 0.0);
    return frames > 0 ? 0 : 1;
}
