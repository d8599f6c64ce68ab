// The hand-over of frames from the transfer thread to its one consumer: every ring slot
// carries the sequence number of the frame in it, under one lock and one condition
// variable. The writer fills a slot whose frame was already handed over (or none) and
// never the newest frame or the slot the consumer is copying, so a ring of three slots
// or more always has one to fill; only when every other slot holds a frame not yet handed
// over does it overwrite the oldest of them, and that frame is lost.
//
// The consumer chooses how it takes frames: the newest one (older frames are skipped), or
// in sequence, the oldest the ring holds that it has not had, so that a consumer that was
// late catches up without losing a frame while the ring can hold what came meanwhile, and
// loses only what the ring could not hold when it was later still. A consumer that stays
// behind then gets frames up to a ring's length old.
//
// Lock: m_lock guards every member and is held for a few instructions only, never while
// a frame is read or copied; nothing else is taken under it.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

class CFrameMailbox {
public:
    using Clock = std::chrono::steady_clock;

    // How a wait ends.
    enum class Wait { Ready, NothingNew, Ended, Failed };
    enum class Order { Newest, InSequence };

    // The frame handed over last.
    struct Ticket {
        uint64_t sequence = 0;   // 1 for the first frame completed in the run
        Clock::time_point arrival; // when the transfer thread completed it
        uint64_t dropped = 0;    // frames of the run completed and never handed over, so far
    };

    // A new run over `slots` slots: nothing completed, nothing held.
    void Start(int slots);
    // The run is over; `failed` when a frame could not be read. Wakes the consumer.
    void End(bool failed);
    // Forgets a failure once it has been reported (a stop after it).
    void ClearFailure();

    // ---- the transfer thread ----
    // The slot to fill next.
    [[nodiscard]] int SlotToFill();
    // The frame in `slot` is complete.
    void Publish(int slot);

    // ---- the consumer ----
    // Waits up to `timeoutMs` for a frame not yet handed over; on Ready the chosen slot is
    // held for the consumer until Release.
    [[nodiscard]] Wait WaitNewer(uint32_t timeoutMs, Order order = Order::Newest);
    // The held slot, or -1 when none is held (none handed over since the run began).
    [[nodiscard]] int Held();
    void Release();
    [[nodiscard]] Ticket LastHandedOver();

    [[nodiscard]] uint64_t Completed();

private:
    // Slot contents: 0 while empty or being filled, else the frame's sequence number.
    std::vector<uint64_t> m_frameOf;
    std::vector<Clock::time_point> m_arrival;
    int m_lastFilled = -1;
    int m_held = -1;
    uint64_t m_sequence = 0; // frames completed in this run
    Ticket m_handedOver;     // sequence 0 until the first hand-over
    bool m_running = false;
    bool m_failed = false;
    std::mutex m_lock;
    std::condition_variable m_changed;
};
