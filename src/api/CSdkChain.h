// The process-wide registry of camera handles.
#pragma once
#include "api/CTRing.h"
#include <cstdint>

class CVonkel;

struct CSDKDATA {
    int32_t handle;
    CVonkel *camera; // owned; null once the instance has been destroyed by Release
};

class CSdkChain : public CTRing<CSDKDATA> {
public:
    CSdkChain() = default;
    ~CSdkChain() = default;

    // Constructs a camera instance and registers it. Returns the new handle, or 0 when
    // the instance could not be allocated (nothing is registered then).
    int32_t CreateCamera();

    // The node carrying the handle, or null. The lock is released on return.
    CSDKDATA *Lookup(int32_t handle);

    // The camera of a live handle, read under the lock; null for an unregistered
    // handle or one whose instance is being destroyed.
    CVonkel *LookupCamera(int32_t handle);

    // Takes the camera out of the node (leaving null) so that exactly one caller
    // destroys it. Returns false for an unregistered handle.
    bool DetachCamera(int32_t handle, CVonkel **camera);

    // The one registry of the process.
    static CSdkChain &Instance();

private:
    int32_t DrawHandle();
};
