// The process-wide registry of camera handles.
//
// Every export holds a shared owner of its camera for as long as it runs, so that a
// release on another thread can never free the instance under a call in flight. A
// release takes the handle out at once (no later call reaches the instance), waits for
// the calls still inside it, and tears it down itself; only a release from inside a
// call on its own thread (a dialog's message loop, say) leaves the teardown to the last
// call out, since waiting there would wait for itself. A property dialog open on the
// handle is asked to end first, and waited for with a bound: one that cannot end in time
// also leaves the teardown to its call.
//
// Locks: the ring's own lock guards the nodes; m_flightLock guards nothing but the
// hand-back of shared owners, so that a waiting release sees every drop. Neither is
// held while an instance is used or destroyed, and they are never held together.
#pragma once
#include "api/CTRing.h"
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class CVonkel;

struct CSDKDATA {
    int32_t handle;
    std::shared_ptr<CVonkel> camera;
};

class CSdkChain : public CTRing<CSDKDATA> {
public:
    // Deepest nesting of export calls on one thread that the registry follows; a
    // deeper call is refused rather than risk a release waiting for its own caller.
    static constexpr int kMaxNesting = 32;

    // One call in flight: keeps the camera alive and tells a waiting release when it
    // is over. Empty (false) for an unregistered handle or a call nested too deep.
    class CCall {
    public:
        CCall(CSdkChain &chain, int32_t handle);
        ~CCall();
        CCall(const CCall &) = delete;
        CCall &operator=(const CCall &) = delete;
        explicit operator bool() const { return m_camera != nullptr; }
        CVonkel &Camera() const { return *m_camera; }

    private:
        CSdkChain &m_chain;
        std::shared_ptr<CVonkel> m_camera;
    };

    // Constructs a camera instance and registers it. Returns the new handle, or 0 when
    // the instance could not be allocated (nothing is registered then).
    [[nodiscard]] int32_t CreateCamera();

    // A shared owner of the camera of a live handle, copied under the lock; empty for
    // an unregistered handle.
    [[nodiscard]] std::shared_ptr<CVonkel> LookupCamera(int32_t handle);

    // Takes the handle out of the registry, ends the dialogs open on its camera and waits
    // until no other thread is inside a call on it. Returns the camera (its last owner,
    // unless a call on this very thread or a dialog that did not end still holds it), or
    // empty for an unregistered handle.
    [[nodiscard]] std::shared_ptr<CVonkel> Unregister(int32_t handle);

    // The one registry of the process. Never destroyed: at unload the instances an
    // application forgot are left alone, as their threads may already be gone.
    static CSdkChain &Instance();

private:
    CSdkChain() = default;
    ~CSdkChain() = default;
    int32_t DrawHandle();
    // The handle's camera, taken out of the registry; empty for an unregistered handle.
    std::shared_ptr<CVonkel> TakeOut(int32_t handle);
    // Waits at most `slice` until only `mine` owners of `camera` are left.
    bool CallsLeft(const std::shared_ptr<CVonkel> &camera, long mine, std::chrono::milliseconds slice);
    // Owners of `camera` held by calls in flight on the calling thread.
    static int OwnersOnThisThread(const CVonkel *camera);

    std::mutex m_flightLock;
    std::condition_variable m_callLeft;
};
