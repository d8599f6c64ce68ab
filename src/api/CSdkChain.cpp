#include "api/CSdkChain.h"
#include "api/ProcessServices.h"
#include "camera/CVonkel.h"
#include "platform/Clock.h"
#include <cstdlib>

namespace {

// The cameras of the export calls in flight on this thread, outermost first. Plain
// values: a thread-local with a destructor is best avoided in a DLL.
thread_local const CVonkel *t_calls[CSdkChain::kMaxNesting];
thread_local int t_depth = 0;

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

std::shared_ptr<CVonkel> CSdkChain::Unregister(int32_t handle) {
    std::shared_ptr<CVonkel> camera;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        if (!Find(handle))
            return nullptr;
        camera = std::move(m_head->record.camera);
        RemoveHead();
    }
    // No new owner can appear now; the ones in flight only go away.
    const long mine = 1 + OwnersOnThisThread(camera.get());
    std::unique_lock<std::mutex> lock(m_flightLock);
    m_callLeft.wait(lock, [&] { return camera.use_count() <= mine; });
    return camera;
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
