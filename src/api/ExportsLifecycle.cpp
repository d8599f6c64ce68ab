// Creating, releasing and asking the state of camera handles.
#include "VonkelSdk.h"
#include "api/ExportGuard.h"
#include "camera/CVonkel.h"

extern "C" {

int VONKELAPI Vonkel_GetDllVersion(void) { return VONKEL_DLL_VERSION; }

int VONKELAPI Vonkel_Initialize(HWND notifyWindow) {
    CSdkChain &chain = CSdkChain::Instance();
    int32_t handle = 0;
    try {
        handle = chain.CreateCamera();
        if (handle == 0)
            return 0;
        // The handle is returned whatever initialisation says: a failure is visible
        // through the instance's error history.
        CSdkChain::CCall call(chain, handle);
        if (call)
            call.Camera().Initialize(notifyWindow);
        return handle;
    } catch (...) {
        // The application never learns this handle: an instance left registered under
        // it could never be released.
        try {
            if (handle != 0)
                chain.Unregister(handle).reset();
        } catch (...) {
        }
        return 0;
    }
}

int VONKELAPI Vonkel_Release(int handle) {
    try {
        // The last owner tears the instance down here, outside the registry's locks
        // (stopping the capture thread may take a while), unless a call on this very
        // thread still runs on it: then that call does, when it returns.
        return CSdkChain::Instance().Unregister(handle) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int VONKELAPI Vonkel_GetLastError(int handle) {
    return WithCamera(handle, 0, [](CVonkel &camera) { return camera.GetLastError(); });
}

} // extern "C"
