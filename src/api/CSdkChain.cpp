#include "api/CSdkChain.h"
#include "api/ProcessServices.h"
#include "camera/CVonkel.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include <chrono>
#include <cstdlib>

namespace {

// The cameras of the export calls in flight on this thread, outermost first. Plain
// values: a thread-local with a destructor is best avoided in a DLL.
thread_local const CVonkel *t_calls[CSdkChain::kMaxNesting];
thread_local int t_depth = 0;

// How often a waiting release answers what was sent to its thread's windows.
constexpr std::chrono::milliseconds kServePeriod{5};
// How long a release waits for the dialogs it asked to end. Ending one destroys a
// top-level window (about 2 s under Wine without a window manager) and re-enables its
// parent, which waits for the parent's thread.
constexpr std::chrono::seconds kDialogEndBound{10};

using SteadyClock = std::chrono::steady_clock;

// Repeats `waitSlice` (a wait of at most the time given, true once what it waits for has
// happened) until it succeeds or the deadline passes, answering between slices what other
// threads send to this thread's windows: they may be waiting for one of them meanwhile
// (a dialog that ends re-enables its parent, a new preview window tells its parent).
template <class WaitSlice>
bool WaitServing(WaitSlice &&waitSlice, SteadyClock::time_point deadline) {
    while (!waitSlice(kServePeriod)) {
        if (SteadyClock::now() >= deadline)
            return false;
        platform::ServeSentMessages();
    }
    return true;
}

} // namespace

CSdkChain &CSdkChain::Instance() {
    static CSdkChain *chain = new CSdkChain();
    return *chain;
}

int32_t CSdkChain::DrawHandle() {
    // rand() is deliberately left unseeded: handles only need to differ, not be secret.
    uint32_t value = platform::TickCount() + static_cast<uint32_t>(rand()) + static_cast<uint32_t>(m_count);
    return static_cast<int32_t>(value);
}

int32_t CSdkChain::CreateCamera() {
    std::shared_ptr<CVonkel> camera;
    try {
        camera = std::make_shared<CVonkel>(ProcessServices());
    } catch (const std::bad_alloc &) {
        return 0;
    }
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    // 0 means failure to the application and a duplicate would shadow another camera:
    // draw again in either case.
    int32_t handle = DrawHandle();
    while (handle == 0 || Contains(handle))
        handle = DrawHandle();
    return Insert({handle, std::move(camera)}) ? handle : 0;
}

std::shared_ptr<CVonkel> CSdkChain::LookupCamera(int32_t handle) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return Find(handle) ? m_head->record.camera : nullptr;
}

int CSdkChain::OwnersOnThisThread(const CVonkel *camera) {
    int owners = 0;
    for (int i = 0; i < t_depth; ++i)
        owners += t_calls[i] == camera;
    return owners;
}

std::shared_ptr<CVonkel> CSdkChain::TakeOut(int32_t handle) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (!Find(handle))
        return nullptr;
    std::shared_ptr<CVonkel> camera = std::move(m_head->record.camera);
    RemoveHead();
    return camera;
}

std::shared_ptr<CVonkel> CSdkChain::Unregister(int32_t handle) {
    std::shared_ptr<CVonkel> camera = TakeOut(handle);
    if (!camera)
        return nullptr;
    // No new owner can appear now; the ones in flight only go away.
    const long mine = 1 + OwnersOnThisThread(camera.get());
    // A dialog stays until someone closes it: the release ends it rather than wait for
    // the user. One open on this very thread ends once this call has returned to its loop.
    CDialogNotifierList &dialogs = camera->Dialogs();
    dialogs.CameraReleased();
    const auto noneOpen = [&dialogs](std::chrono::milliseconds slice) { return dialogs.WaitUntilNoneOpen(slice); };
    // A dialog that cannot end (its parent's thread answers nothing) keeps its owner: the
    // teardown is left to the last call out, as for a call on this thread.
    if (mine == 1 && !WaitServing(noneOpen, SteadyClock::now() + kDialogEndBound))
        return camera;
    // The calls may wait for this thread's windows meanwhile (one making a preview window
    // in a window of this thread): their messages are answered while the wait goes on.
    WaitServing([&](std::chrono::milliseconds slice) { return CallsLeft(camera, mine, slice); },
                SteadyClock::time_point::max());
    return camera;
}

bool CSdkChain::CallsLeft(const std::shared_ptr<CVonkel> &camera, long mine, std::chrono::milliseconds slice) {
    std::unique_lock<std::mutex> lock(m_flightLock);
    return m_callLeft.wait_for(lock, slice, [&] { return camera.use_count() <= mine; });
}

CSdkChain::CCall::CCall(CSdkChain &chain, int32_t handle) : m_chain(chain) {
    if (t_depth >= kMaxNesting)
        return;
    m_camera = chain.LookupCamera(handle);
    if (m_camera)
        t_calls[t_depth++] = m_camera.get();
}

CSdkChain::CCall::~CCall() {
    if (!m_camera)
        return;
    --t_depth;
    std::shared_ptr<CVonkel> last;
    {
        std::lock_guard<std::mutex> lock(m_chain.m_flightLock);
        // A release on this thread may have left the teardown to us: it runs after the
        // lock is given up, so the camera's teardown never holds the registry's locks.
        last = std::move(m_camera);
        if (last.use_count() > 1)
            last.reset();
    }
    m_chain.m_callLeft.notify_all();
}
