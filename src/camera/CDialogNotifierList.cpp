#include "camera/CDialogNotifierList.h"
#include <algorithm>

void CDialogNotifierList::Add(IDialogNotifier &notifier) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_open.push_back(&notifier);
    if (m_released)
        notifier.CameraReleased();
}

void CDialogNotifierList::Remove(IDialogNotifier &notifier) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_open.erase(std::remove(m_open.begin(), m_open.end(), &notifier), m_open.end());
    }
    m_closed.notify_all();
}

void CDialogNotifierList::FilterValuesChanged() {
    std::lock_guard<std::mutex> lock(m_lock);
    for (IDialogNotifier *notifier : m_open)
        notifier->FilterValuesChanged();
}

void CDialogNotifierList::AnalogValueChanged(int editBox, int value) {
    std::lock_guard<std::mutex> lock(m_lock);
    for (IDialogNotifier *notifier : m_open)
        notifier->AnalogValueChanged(editBox, value);
}

void CDialogNotifierList::CameraReleased() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_released = true;
    for (IDialogNotifier *notifier : m_open)
        notifier->CameraReleased();
}

bool CDialogNotifierList::WaitUntilNoneOpen(std::chrono::milliseconds slice) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_closed.wait_for(lock, slice, [this] { return m_open.empty(); });
}
