// The API torture: threads making random calls over the whole export table with hostile
// arguments on several simulated cameras. Built natively (under the sanitizers) and for
// Windows against the DLL. Every thread draws its calls from its own generator, seeded
// from the printed seed, so a run's call sequences can be replayed.
#pragma once
#include "VonkelSdk.h"
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace torture {

constexpr int kSlots = 6;                      // live handles at most
constexpr size_t kImageBytes = 640 * 512 * 8;  // the largest picture of any colour mode
constexpr int kTextBytes = 4096;
constexpr int kNameEntries = 32;

using Clock = std::chrono::steady_clock;

// What every thread shares: the live handles, the buffers bound to them for the callback
// modes (the library writes into those after the call returned), released handles.
struct Shared {
    std::atomic<int> handles[kSlots] = {};
    std::vector<std::vector<uint8_t>> deliveryBuffers; // one per slot
    std::mutex releasedLock;
    std::vector<int> released; // the last handles released
    HWND parent = nullptr;     // an application window to put previews in, or none
    std::string directory;     // where the file exports write and read
    std::atomic<uint64_t> calls{0};
    std::atomic<int> finished{0}; // callers through with their calls
};

// One calling thread's state. `current` and `since` are read by the watchdog.
class Caller {
public:
    Caller(Shared &shared, int index, uint64_t seed);

    void RunOne(); // one random call, timed per export it makes
    void Begin(const char *name); // an export call starts (and the one before it ended)
    void End();
    Shared &shared;
    const int index;
    std::mt19937_64 rng;
    std::vector<uint8_t> image;
    char text[kTextBytes];
    wchar_t wide[kTextBytes];
    char names[kNameEntries][256];
    wchar_t wideNames[kNameEntries][256];
    int values[6];
    std::map<std::string, std::vector<float>> latencies; // seconds of each call, per export
    struct Slow {
        const char *name;
        int handle;
        int64_t began; // Clock ticks
        double seconds;
    };
    std::vector<Slow> slow; // the calls over a second, to see what they waited for
    int lastHandle = 0;     // the handle the current call was given
    std::atomic<const char *> current{nullptr};
    std::atomic<int64_t> since{0}; // Clock ticks when the current call began
    static int64_t Now();

    // ---- hostile arguments ----
    uint64_t Draw(uint64_t below) { return rng() % below; }
    bool Chance(int percent) { return Draw(100) < static_cast<uint64_t>(percent); }
    int Handle(int *slot = nullptr);     // mostly live, sometimes released, unknown or 0
    int DrawHandle(int *slot);
    int DeadHandle();                    // 0 or a released handle
    int AnyInt();                        // extremes, small numbers, random bits
    int Small(int low, int high);        // in the range, sometimes just outside
    int Length(int real);                // buffer lengths around `real`, zero, negative, huge
    int *Ok() { return Chance(20) ? nullptr : &values[0]; }
    HWND Window();                       // none, the parent, or a handle of no window
    uint8_t *Delivery(int slot, int *length);
    std::string Path(const char *extension);
    const wchar_t *WidePath(const char *extension);
    void Reinitialize();                 // replaces a slot's handle by a new one
    void Released(int handle);           // kept among the handles that are not live
};

// The export table: every export with a way to call it.
struct Entry {
    const char *name;
    void (*call)(Caller &);
};
const std::vector<Entry> &Exports();

// After the run: the process can still make, stream and release a camera.
bool StillWorks();

} // namespace torture
