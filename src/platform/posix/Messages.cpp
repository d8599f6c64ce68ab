#include "platform/Messages.h"
#include <algorithm>
#include <map>
#include <mutex>

namespace platform {
namespace {
// A window's queue takes this many messages nobody has read, as on Windows; further
// posts fail. Posts to a window no one reads then cost no more memory.
constexpr size_t kQueueQuota = 10000;
std::mutex g_mutex;
std::vector<PostedMessage> g_posted;
std::map<WindowHandle, size_t> g_queued;
} // namespace

bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    std::lock_guard<std::mutex> lock(g_mutex);
    size_t &queued = g_queued[window];
    if (queued >= kQueueQuota)
        return false;
    ++queued;
    g_posted.push_back({window, message, wparam, lparam});
    return true;
}

void ServeSentMessages() {} // no windows, nothing is ever sent

std::vector<PostedMessage> TakePostedMessages(WindowHandle window) {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<PostedMessage> taken;
    auto keep = std::stable_partition(g_posted.begin(), g_posted.end(),
                                      [window](const PostedMessage &m) { return m.window != window; });
    taken.assign(keep, g_posted.end());
    g_posted.erase(keep, g_posted.end());
    g_queued.erase(window);
    return taken;
}

void ClearPostedMessages() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_posted.clear();
    g_queued.clear();
}

} // namespace platform
