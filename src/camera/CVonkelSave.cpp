// Still images of the current picture: the camera's side of the file writers.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "image/ImageTraits.h"
#include "output/StillImage.h"
#include <cstring>

namespace {
// The camera's 16-bit samples carry 12 bits.
constexpr int kSignificantBits = sensor::kSignificantBits16;

bool CopyPicture(const CImageBuffer &picture, CImageBuffer *copy) {
    if (picture.IsEmpty() || !copy->CreateLike(&picture))
        return false;
    std::memcpy(copy->Pixels(), picture.Pixels(), picture.ImageBytes());
    return true;
}
} // namespace

int CVonkel::SaveImage(const char *path, int format) {
    // Before the first frame the output buffer holds no picture, only zeros or nothing:
    // a file made from it would be reported as a saved image that was never taken.
    return SavePicture(path, format, m_acquisition.FrameAvailable());
}

int CVonkel::SaveKeptImage(const char *path, int format) {
    return SavePicture(path, format, m_acquisition.PictureKept());
}

int CVonkel::SavePicture(const char *path, int format, bool pictureTaken) {
    if (!m_driver || !pictureTaken)
        return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
    // The picture is copied under the image lock and written after it: encoding and a
    // slow disk or share would otherwise hold up the capture thread for the whole write.
    CImageBuffer copy;
    {
        std::lock_guard<std::mutex> lock(m_imageLock);
        const CImageBuffer *picture = OutputBuffer();
        if (!picture)
            return RaiseError(VONKEL_ERR_NO_CAMERA), 0;
        // Without memory for the copy the save fails as a writer without memory does.
        if (!CopyPicture(*picture, &copy))
            return 0;
    }
    // A failed write is the application's to judge from the result: no error is recorded.
    return still::Save(path, copy, format, kSignificantBits);
}
