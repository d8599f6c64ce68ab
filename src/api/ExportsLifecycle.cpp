// Creating, releasing and asking the state of camera handles.
#include "VonkelSdk.h"
#include "api/ExportGuard.h"
#include "camera/CVonkel.h"

extern "C" {

int VONKELAPI Vonkel_GetDllVersion(void) { return VONKEL_DLL_VERSION; }

int VONKELAPI Vonkel_Initialize(HWND notifyWindow) {
    try {
        CSdkChain &chain = CSdkChain::Instance();
        int32_t handle = chain.CreateCamera();
        if (handle == 0)
            return 0;
        // The handle is returned whatever initialisation says: a failure is visible
        // through the instance's error history.
        if (CVonkel *camera = chain.LookupCamera(handle))
            camera->Initialize(notifyWindow);
        return handle;
    } catch (...) {
        return 0;
    }
}

int VONKELAPI Vonkel_Release(int handle) {
    try {
        CSdkChain &chain = CSdkChain::Instance();
        CVonkel *camera = nullptr;
        if (!chain.DetachCamera(handle, &camera))
            return 0;
        // Destroyed outside the registry lock: stopping the capture thread may take a while.
        delete camera;
        chain.Remove(handle);
        return 1;
    } catch (...) {
        return 0;
    }
}

int VONKELAPI Vonkel_GetLastError(int handle) {
    return WithCamera(handle, 0, [](CVonkel &camera) { return camera.GetLastError(); });
}

} // extern "C"
