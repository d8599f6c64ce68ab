#include "api/CSdkChain.h"
#include "camera/CVonkel.h"
#include "platform/Clock.h"
#include <cstdlib>

CSdkChain &CSdkChain::Instance() {
    static CSdkChain chain;
    return chain;
}

int32_t CSdkChain::DrawHandle() {
    // rand() is deliberately left unseeded: handles only need to differ, not be secret.
    uint32_t value = platform::TickCount() + static_cast<uint32_t>(rand()) + static_cast<uint32_t>(m_count);
    return static_cast<int32_t>(value);
}

int32_t CSdkChain::CreateCamera() {
    CVonkel *camera = new (std::nothrow) CVonkel();
    if (!camera)
        return 0;
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    // 0 means failure to the application and a duplicate would shadow another camera:
    // draw again in either case.
    int32_t handle = DrawHandle();
    while (handle == 0 || Contains(handle))
        handle = DrawHandle();
    if (!Insert({handle, camera})) {
        delete camera;
        return 0;
    }
    return handle;
}

CSDKDATA *CSdkChain::Lookup(int32_t handle) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return Find(handle) ? &m_head->record : nullptr;
}

CVonkel *CSdkChain::LookupCamera(int32_t handle) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return Find(handle) ? m_head->record.camera : nullptr;
}

bool CSdkChain::DetachCamera(int32_t handle, CVonkel **camera) {
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (!Find(handle))
        return false;
    *camera = m_head->record.camera;
    m_head->record.camera = nullptr;
    return true;
}
