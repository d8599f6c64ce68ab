// Runs one of the library's property dialogs on a thread of its own and works its controls
// from the test's thread by messages, as a person's clicks would arrive.
#pragma once
#include <windows.h>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class CDialogDriver {
public:
    // Starts `open` (an export call) and waits, bounded, for its dialog to be shown. The
    // dialog's parent may be a window of the calling thread: what the dialog's thread
    // sends to it is answered while the driver waits.
    explicit CDialogDriver(std::function<int()> open);
    // Cancels a dialog still open and waits for the export to return.
    ~CDialogDriver();
    // The next dialog shown on this dialog's thread (another export, opened from inside
    // this one's message loop), waited for with a bound; empty when none came. Its Close
    // waits, bounded, for its window to go and returns 1 when it went.
    std::unique_ptr<CDialogDriver> Nested() const;
    CDialogDriver(const CDialogDriver &) = delete;
    CDialogDriver &operator=(const CDialogDriver &) = delete;

    bool Shown() const { return m_frame != nullptr; }
    HWND Frame() const { return m_frame; }
    // The pages inside the tab control, in tab order (empty for the stream format dialog).
    std::vector<HWND> Pages() const;
    // Control `id` of the frame, or of page `page`.
    HWND Control(int id, int page = -1) const;

    static std::wstring Text(HWND window);
    static std::wstring ClassOf(HWND window);
    std::vector<std::wstring> TabTexts() const;
    std::vector<std::wstring> ListItems(HWND combo) const;

    void Type(HWND edit, const std::wstring &text);
    void Slide(HWND trackbar, int position);
    void Click(HWND button);
    void Select(HWND combo, int index);
    void SelectTab(int index);
    // Presses a button of the frame (IDOK, IDCANCEL) and returns what the export returned.
    int Close(int button);

private:
    CDialogDriver(DWORD threadId, HWND except);
    // Waits, bounded, for a dialog other than `except` to show on the driven thread.
    void FindFrame(HWND except);

    HWND m_frame = nullptr;
    int m_result = -1;
    std::atomic<DWORD> m_threadId{0};
    std::atomic<bool> m_returned{false};
    std::thread m_thread;
};
