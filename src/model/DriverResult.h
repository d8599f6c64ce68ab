// What the camera driver answers the camera instance: its own result and frame-state
// types, so that nothing above the model reads the transport's numeric codes.
#pragma once

enum class [[nodiscard]] DriverResult {
    Ok,
    Failed, // the camera did not answer, the transfer failed, or the frame did not fit
};

// The newest frame of a running stream, as a wait for it ends.
enum class [[nodiscard]] FrameState {
    NotRunning, // no stream: nothing will come
    Failed,     // the stream ended with a failed transfer
    NoNewFrame, // the wait ended without a newer frame
    Ready,      // a newer frame is held for TakeFrame
};
