// The hand-over of frames from the transfer thread to its one consumer: the slot of the
// newest completed frame with a sequence number, under one lock and one condition
// variable. The writer never fills the slot that holds the newest frame or the slot the
// consumer is copying, so a ring of three slots or more always has one to fill.
//
// Lock: m_lock guards every member and is held for a few instructions only, never while
// a frame is read or copied; nothing else is taken under it.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>

class CFrameMailbox {
public:
    // How a wait ends.
    enum class Wait { Ready, NothingNew, Ended, Failed };

    // A new run over `slots` slots: nothing completed, nothing held.
    void Start(int slots);
    // The run is over; `failed` when a frame could not be read. Wakes the consumer.
    void End(bool failed);
    // Forgets a failure once it has been reported (a stop after it).
    void ClearFailure();

    // ---- the transfer thread ----
    // The slot to fill next: after the last one filled, skipping the newest and the held.
    [[nodiscard]] int SlotToFill();
    // The frame in `slot` is complete: it becomes the newest.
    void Publish(int slot);

    // ---- the consumer ----
    // Waits up to `timeoutMs` for a frame newer than the last one taken; on Ready the
    // newest slot is held for the consumer until Release.
    [[nodiscard]] Wait WaitNewer(uint32_t timeoutMs);
    // The held slot, or -1 when none is held (none handed over since the run began).
    [[nodiscard]] int Held();
    void Release();

    [[nodiscard]] uint64_t Completed();

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_slots = 0;
    int m_lastFilled = -1;
    int m_newest = -1;
    int m_held = -1;
    uint64_t m_sequence = 0; // frames completed in this run
    uint64_t m_taken = 0;    // the sequence number of the last frame handed over
    bool m_running = false;
    bool m_failed = false;
};
