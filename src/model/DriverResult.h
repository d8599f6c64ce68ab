// What the camera driver answers the camera instance: its own result and frame-state
// types, so that nothing above the model reads the transport's numeric codes.
#pragma once
#include <chrono>
#include <cstdint>

enum class [[nodiscard]] DriverResult {
    Ok,
    Failed,    // the camera did not answer, the transfer failed, or the frame did not fit
    Withdrawn, // the frame handed over is gone: the stream restarted for a new window
};

// The newest frame of a running stream, as a wait for it ends.
enum class [[nodiscard]] FrameState {
    NotRunning, // no stream: nothing will come
    Failed,     // the stream ended with a failed transfer, or its device never opened
    NoNewFrame, // the wait ended without a newer frame
    Ready,      // a newer frame is held for TakeFrame
};

// The frame a wait handed over: its place in the stream, when the transfer thread
// completed it, and how many frames of the stream were lost before it (completed by the
// camera's transfer and never handed over).
struct FrameTicket {
    uint64_t sequence = 0;
    std::chrono::steady_clock::time_point arrival;
    uint64_t dropped = 0;
};
