// Where each frame goes after processing: the application's buffer in its row order,
// the frame description and the frame notification to the callback window, with the
// frame rate the description carries.
//
// Lock: every member is guarded by the camera instance's image lock, which the callers
// hold; Post alone needs no lock and is called after the lock is given up.
#pragma once
#include "image/CImageBuffer.h"
#include "platform/Types.h"
#include <climits>
#include <cstdint>
#include <functional>

// Handed to the application with every frame notification (its address is the wParam).
struct FrameInfo {
    int32_t size; // 32, set by the trigger loop
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel; // 8, 16, 24, 32, 48 or 64
    int32_t fps10;        // frames per second x 10
    int32_t dropped;      // frames of the stream the library lost so far (preview only)
    uint64_t buffer; // the application's buffer
};
static_assert(sizeof(FrameInfo) == 32, "the application reads this layout");

class CFrameDelivery {
public:
    struct Target {
        WindowHandle window = nullptr;
        uint8_t *buffer = nullptr;
        int32_t length = 0; // a negative length is a buffer without room
        int rowOrder = 0;   // 1 top row first, 0 bottom row first
    };

    // `raiseError` records an error code in the instance's history.
    explicit CFrameDelivery(std::function<void(int32_t)> raiseError);

    void SetTarget(const Target &target) { m_target = target; }
    const Target &Current() const { return m_target; }
    const FrameInfo &Info() const { return m_info; }

    // Describes a frame of the raw buffer's size; preview frames carry the frame rate,
    // triggered ones the description's size instead.
    void Describe(const CImageBuffer &raw, int bitsPerPixel, bool preview);
    // The preview's count of frames the camera sent that never reached the ring's
    // consumer, carried by the descriptions from now on.
    void SetDropped(uint64_t dropped) {
        m_info.dropped = dropped > INT32_MAX ? INT32_MAX : static_cast<int32_t>(dropped);
    }
    // Copies the picture into the target buffer when one is set. A copy that does not
    // fit posts notification 5 and records error 5; false then.
    [[nodiscard]] bool CopyOut(const CImageBuffer *picture);
    // The same into any buffer (snapshots, GetImage).
    [[nodiscard]] bool CopyTo(const CImageBuffer *picture, int rowOrder, uint8_t *destination, int32_t length);
    // Posts the frame notification: 0 with the description's address, or a failure code.
    void Post(WindowHandle window, int32_t code) const;

private:
    std::function<void(int32_t)> m_raiseError;
    Target m_target;
    FrameInfo m_info{};
    int32_t m_fps10 = 0;
    int32_t m_frameCounter = 0;
    uint32_t m_rateTime;
};
