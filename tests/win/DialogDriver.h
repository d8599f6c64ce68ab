// Runs one of the library's property dialogs on a thread of its own and works its controls
// from the test's thread by messages, as a person's clicks would arrive.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class CDialogDriver {
public:
    // Starts `open` (an export call) and waits, bounded, for its dialog to be shown.
    explicit CDialogDriver(std::function<int()> open);
    // Cancels a dialog still open and waits for the export to return.
    ~CDialogDriver();
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
    HWND m_frame = nullptr;
    int m_result = -1;
    std::thread m_thread;
};
