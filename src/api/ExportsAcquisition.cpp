// Acquisition modes, the preview window, frames into the application's buffer.
#include "VonkelSdk.h"
#include "api/ExportGuard.h"
#include "camera/CVonkel.h"

extern "C" {

int VONKELAPI Vonkel_StartPreview(int handle) {
    return WithCamera(handle, 0, [](CVonkel &c) { return c.StartPreview(); });
}

int VONKELAPI Vonkel_StopPreview(int handle) {
    return WithCamera(handle, 0, [](CVonkel &c) { return c.StopPreview(); });
}

int VONKELAPI Vonkel_Preview(int handle) {
    return WithCamera(handle, 0, [](CVonkel &c) { return c.Preview(); });
}

int VONKELAPI Vonkel_CallBackPreview(int handle, HWND window, unsigned char *buffer, int length, int rowOrder) {
    return WithCamera(handle, 0,
                      [&](CVonkel &c) { return c.CallBackPreview(window, buffer, length, rowOrder); });
}

int VONKELAPI Vonkel_Capture(int handle) {
    return WithCamera(handle, 0, [](CVonkel &c) { return c.Capture(); });
}

int VONKELAPI Vonkel_SnapShot(int handle, unsigned char *buffer, int length, int rowOrder) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SnapShot(buffer, length, rowOrder); });
}

int VONKELAPI Vonkel_GetImage(int handle, unsigned char *buffer, int length, int rowOrder) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.GetImage(buffer, length, rowOrder); });
}

int VONKELAPI Vonkel_Trigger(int handle, HWND window, unsigned char *buffer, int length, int rowOrder) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.Trigger(window, buffer, length, rowOrder); });
}

int VONKELAPI Vonkel_Close(int handle) {
    return WithCamera(handle, 0, [](CVonkel &c) { return c.Close(); });
}

int VONKELAPI Vonkel_SetPreviewWindow(int handle, HWND parent, int x, int y, int width, int height) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.SetPreviewWindow(parent, x, y, width, height); });
}

int VONKELAPI Vonkel_GetRealExposureTime(int handle, int *ok) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return c.GetRealExposureTime(ok); });
}

} // extern "C"
