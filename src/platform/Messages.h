// Posting a message to an application window (PostMessageA on Windows).
#pragma once
#include "platform/Types.h"
#include <cstdint>
#include <vector>

namespace platform {

// Posted, never sent: the library must never wait on the application's message loop.
// A null window posts to the calling thread's queue, as PostMessageA does.
bool PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wparam, intptr_t lparam);

// Answers what other threads have sent to the calling thread's windows, and nothing
// else. A thread that waits in the library for another thread calls it while it waits:
// the other may itself wait for one of this thread's windows (a new child window tells
// its parent, a new top-level window takes the activation from the active one).
void ServeSentMessages();

#ifndef _WIN32
// The native build has no windows: posted messages are recorded here so that tests
// can see what an application would have received.
struct PostedMessage {
    WindowHandle window;
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};
std::vector<PostedMessage> TakePostedMessages(WindowHandle window);
void ClearPostedMessages();
#endif

} // namespace platform
