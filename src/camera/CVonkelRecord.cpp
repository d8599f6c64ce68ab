// Starting an AVI recording: the preview runs, the recorder writes its pictures.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"

int CVonkel::Record(const char *path, int milliseconds, int showWindow) {
    std::lock_guard<std::recursive_mutex> modeLock(m_modeLock);
    // A negative time would wrap into a recording of weeks.
    if (!path || !*path || milliseconds < 0)
        return RaiseError(VONKEL_ERR_ARGUMENT), 0;
    // A new recording ends the one before, whose file is finished first.
    m_recorder.Stop();
    // The pictures go to the file, not to a callback window or buffer set earlier.
    SetDelivery(nullptr, nullptr, 0, 0);
    if (showWindow && !CreatePreview())
        return RaiseError(VONKEL_ERR_WINDOW), 0;
    if (!StartPreview()) {
        Close();
        return RaiseError(VONKEL_ERR_CONVERSION), 0;
    }
    const int code = m_recorder.Start(path, static_cast<uint32_t>(milliseconds));
    if (code != 0) {
        Close();
        return RaiseError(code), 0;
    }
    return 1;
}
