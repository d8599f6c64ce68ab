// The property dialogs (Windows only): each runs modally on the calling thread.
#include "VonkelSdk.h"
#include "api/ExportGuard.h"
#include "camera/CVonkel.h"
#include "dialogs/CAnalogDialog.h"
#include "dialogs/CImageDialog.h"
#include "dialogs/CStreamDialog.h"

extern "C" {

int VONKELAPI Vonkel_SetAnalogDlg(int handle, HWND parent) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return RunAnalogDialog(c, parent); });
}

int VONKELAPI Vonkel_SetImageDlg(int handle, HWND parent) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return RunImageDialog(c, parent); });
}

int VONKELAPI Vonkel_SetCameraDlg(int handle, HWND parent) {
    return WithCamera(handle, 0, [&](CVonkel &c) { return RunStreamDialog(c, parent); });
}

} // extern "C"
