// Still images of the current picture: the camera's side of the file writers.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "image/ImageTraits.h"
#include "output/StillImage.h"

namespace {
// The camera's 16-bit samples carry 12 bits.
constexpr int kSignificantBits = sensor::kSignificantBits16;
} // namespace

int CVonkel::SaveImage(const char *path, int format) {
    // Before the first frame the output buffer holds no picture, only zeros or nothing:
    // a file made from it would be reported as a saved image that was never taken.
    if (!m_driver || !m_acquisition.FrameAvailable())
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    // Under the image lock no capture thread converts into the picture while it is written.
    std::lock_guard<std::mutex> lock(m_imageLock);
    CImageBuffer *picture = OutputBuffer();
    if (!picture)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    // A failed write is the application's to judge from the result: no error is recorded.
    return still::Save(path, *picture, format, kSignificantBits);
}
