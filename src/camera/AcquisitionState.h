// The acquisition state of a camera instance and the one table that says which mode
// entry may run in which state.
#pragma once

enum class AcquisitionState { Idle = 0, Preview = 1, Capture = 2, Trigger = 3 };

// The mode entries of the instance.
enum class ModeEntry { StartPreview, CallBackPreview, Capture, SnapShot, Trigger };

enum class Verdict {
    Enter,   // the entry does its work
    Already, // the state it leads to runs already: success without work
    Refuse,  // not in this state: error 1, nothing changes
};

constexpr Verdict Allows(ModeEntry entry, AcquisitionState state) {
    constexpr Verdict E = Verdict::Enter, A = Verdict::Already, R = Verdict::Refuse;
    //                               Idle Preview Capture Trigger
    constexpr Verdict kTable[5][4] = {{E, A, R, R},  // StartPreview
                                      {E, E, R, R},  // CallBackPreview: a new window and buffer
                                      {E, R, A, R},  // Capture
                                      {E, R, E, R},  // SnapShot: from idle or in capture mode
                                      {E, R, R, R}}; // Trigger: one capture thread is enough
    return kTable[static_cast<int>(entry)][static_cast<int>(state)];
}
