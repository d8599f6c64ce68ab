#include "platform/Messages.h"
#include <algorithm>
#include <mutex>

namespace platform {
namespace {
std::mutex g_mutex;
std::vector<PostedMessage> g_posted;
} // namespace

bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_posted.push_back({window, message, wparam, lparam});
    return true;
}

std::vector<PostedMessage> TakePostedMessages(WindowHandle window) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<PostedMessage> taken;
    auto keep = std::stable_partition(g_posted.begin(), g_posted.end(),
                                      [window](const PostedMessage &m) { return m.window != window; });
    taken.assign(keep, g_posted.end());
    g_posted.erase(keep, g_posted.end());
    return taken;
}

void ClearPostedMessages() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_posted.clear();
}

} // namespace platform
