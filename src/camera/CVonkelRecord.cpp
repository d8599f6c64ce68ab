// Starting an AVI recording: the preview runs, the recorder writes its pictures.
#include "VonkelSdk.h"
#include "camera/CVonkel.h"

int CVonkel::Record(const char *path, int milliseconds, int showWindow) {
    // A negative time would wrap into a recording of weeks.
    if (!path || !*path || milliseconds < 0)
        return RaiseError(VONKEL_ERR_ARGUMENT), 0;
    const int32_t failure = m_acquisition.StartRecordingPreview(showWindow != 0, [&] {
        return m_recorder.Start(path, static_cast<uint32_t>(milliseconds));
    });
    return failure == 0 ? 1 : (RaiseError(failure), 0);
}
