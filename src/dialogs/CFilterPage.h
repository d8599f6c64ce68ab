// One page of the image filter dialog: the image filter page or the gray filter page.
// It writes the instance's filter block in place, so the next processed frame shows
// every change.
#pragma once
#include "settings/SettingsTypes.h"
#include "dialogs/DialogSupport.h"
#include <cstddef>

class CFilterPage {
public:
    enum Kind { kImage, kGray };
    // Which image filter settings can be changed (the gray page has all of its own).
    enum Enabling { kNone, kMonochrome, kAll };

    CFilterPage(Kind kind, FilterValues &block, Enabling enabling);
    HWND Create(HWND tab, bool visible);
    // Shows the block's values again (after Default or a measurement).
    void Refill();
    // Takes what the edits and buttons show into the block (OK).
    void Commit();
    INT_PTR Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    struct Setting {
        dialogs::Triple triple;
        ::Setting FilterValues::*value;
        bool monochrome; // can be changed in the grey colour modes
    };

private:
    void Initialise();
    bool Enabled(const Setting &s) const;
    // The Bayer mode buttons (and the white balance's) can be used on this page.
    bool BayerButtonsEnabled() const;
    // The position of the checked button among `first`..`last`, or `otherwise`.
    int CheckedRadio(int first, int last, int otherwise) const;
    const Setting *Find(int id) const;
    void Clicked(int id);
    void CheckRadio(int first, int last, int value);

    Kind m_kind;
    FilterValues &m_block;
    Enabling m_enabling;
    const Setting *m_settings;
    size_t m_count;
    HWND m_page = nullptr;
    bool m_ready = false;
};
