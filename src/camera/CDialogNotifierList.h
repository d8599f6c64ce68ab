// The property dialogs open on one camera. A dialog opened from another's message loop
// joins the list instead of taking the first one's place, so both keep hearing; one taken
// out is never called again. Notifiers are called under the list's lock: they only post,
// so the lock is a leaf (taken under the image lock, nothing taken under it).
#pragma once
#include "camera/IDialogNotifier.h"
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

class CDialogNotifierList final : public IDialogNotifier {
public:
    // A notifier added after the release began is told at once: its export call started
    // before the handle went, and its dialog must not outlive the release.
    void Add(IDialogNotifier &notifier);
    // Once it returns, no thread is inside `notifier` and none will enter it.
    void Remove(IDialogNotifier &notifier);

    void FilterValuesChanged() override;
    void AnalogValueChanged(int editBox, int value) override;
    void CameraReleased() override;

    // Waits at most `slice` for the last dialog to close; true when none is open.
    bool WaitUntilNoneOpen(std::chrono::milliseconds slice);

private:
    std::mutex m_lock;
    std::condition_variable m_closed;
    std::vector<IDialogNotifier *> m_open;
    bool m_released = false;
};
