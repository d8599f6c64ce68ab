// Result codes of the camera driver object. They are distinct from the error codes the
// camera instance records; it maps failures onto those.
#pragma once

namespace result {
constexpr int kOk = 0;
constexpr int kInvalidWindow = 1;   // SetWindow: arguments outside the sensor
constexpr int kTooFewSlots = 1;     // SetupBuffers: fewer than two ring slots
constexpr int kBadWidth = 3;        // SetupBuffers: width not in 1..line width
constexpr int kBadHeight = 4;       // SetupBuffers: rows/height not positive or too tall
constexpr int kNoMemory = 7;        // SetupBuffers: a buffer could not be allocated
constexpr int kNotOpened = 10;      // the device path did not open
constexpr int kTransferFailed = 12; // a pipe transfer failed or moved the wrong byte count
constexpr int kThreadFailed = 13;   // StartTransfer: the transfer thread could not be created
constexpr int kNullOutput = 14;     // TakeFrame / ConvertSingleFrame without an output
constexpr int kWrongGeometry = 15;  // the output does not have the frame's geometry
constexpr int kNoFrame = 16;        // no frame to copy: none handed over by WaitFrame, or none
                                    // read into the single-frame buffer since it was made
constexpr int kFrameFailed = 19;    // a frame read failed or returned a wrong byte count
constexpr int kAlreadyRunning = 21; // StartTransfer while the transfer thread runs
constexpr int kBadIndex = 22;       // SelectDevice / SelectCamera beyond the device range

// PipeTransfer's own results.
constexpr int kPipeFailed = -1;
constexpr int kPipeNullBuffer = -2;
constexpr int kPipeNullHandle = -3;
} // namespace result

// Frame states of WaitFrame.
namespace frame_state {
constexpr int kNotRunning = 0;
constexpr int kFailed = 1;
constexpr int kNoNewFrame = 2;
constexpr int kReady = 3;
} // namespace frame_state
