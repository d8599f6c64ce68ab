// Starting an AVI recording: the preview runs, the recorder writes its pictures.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"

int CVonkel::Record(const char *path, int milliseconds, int showWindow) {
    // A negative time would wrap into a recording of weeks.
    if (!path || !*path || milliseconds < 0)
        return RaiseError(VONKEL_ERR_ARGUMENT), 0;
    std::unique_ptr<platform::CPreviewWindow> preview;
    if (showWindow && !MakePreview(&preview))
        return RaiseError(VONKEL_ERR_WINDOW), 0;
    std::unique_ptr<platform::CPreviewWindow> retired;
    int failure = 0;
    {
        std::lock_guard<std::mutex> modeLock(m_modeLock);
        // A new recording ends the one before, whose file is finished first.
        m_recorder.Stop();
        // The pictures go to the file, not to a callback window or buffer set earlier.
        SetDelivery(nullptr, nullptr, 0, 0);
        if (showWindow)
            retired = PublishPreview(std::move(preview));
        failure = StartPreviewLocked() ? m_recorder.Start(path, static_cast<uint32_t>(milliseconds))
                                       : VONKEL_ERR_CONVERSION;
    }
    retired.reset(); // outside every lock
    if (failure == 0)
        return 1;
    Close();
    return RaiseError(failure), 0;
}
