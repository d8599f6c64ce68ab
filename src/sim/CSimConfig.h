// How the simulated cameras are set up, and the environment variables that ask for them:
//
//   VONKEL_SIMULATE=N            N cameras (1-32; larger values mean 32) at devices 0..N-1.
//                                Unset, empty, 0, negative or not a number: no simulation.
//   VONKEL_SIMULATE_DEVICES=0,2  cameras at exactly these device numbers; takes precedence
//                                when set and not empty. Entries that are not numbers 0-31
//                                are skipped; a list with no valid entry gives a simulated
//                                bus with no camera on it (never the real devices).
//   VONKEL_SIMULATE_TRIGGER_MS=T in trigger mode each camera triggers itself every T ms
//                                (1 to 3 600 000; anything else: no automatic trigger).
//   VONKEL_SIMULATE_STILL=1      the scene stands still and frames carry no number.
//   VONKEL_SIMULATE_REALTIME=1   protocol pauses are slept for real.
//   VONKEL_SIMULATE_FAULTS=unplug=MS,replug=MS,fail_every=N,short_every=N,link_percent=P
//                                faults every camera goes through (CFaultPlan); a value
//                                that does not parse voids the whole variable, so that a
//                                typing error never gives a half-faulty camera.
// The two switches take 1, true, yes or on (any case); anything else is off.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sim {

enum class Pacing {
    RealTime,        // frames at the rate the programmed frame length gives
    AsFastAsPossible // every read gets a frame at once (benchmarks)
};

// The faults of VONKEL_SIMULATE_FAULTS. Times count from the camera's first stream start, so
// that a run rehearses them at the same point whatever came before it.
struct CFaultPlan {
    std::optional<uint32_t> unplugMs;
    std::optional<uint32_t> replugMs; // only with unplugMs, and later
    uint32_t failEvery = 0;           // every Nth frame read fails; 0: none
    uint32_t shortEvery = 0;          // every Nth frame delivers half its bytes; 0: none
    uint32_t linkPercent = 100;       // frames come at this share of the camera's rate

    // The plan a variable's text asks for; nothing when any part is malformed, unknown,
    // repeated or out of range. Empty text: no faults.
    static std::optional<CFaultPlan> Parse(const std::string &text);
};

struct CSimConfig {
    std::vector<int> devices;    // device numbers 0-31 with a camera
    uint32_t autoTriggerMs = 0;  // 0: triggers only from the C++ interface
    bool still = false;
    bool realtimePauses = false;
    Pacing pacing = Pacing::RealTime;
    CFaultPlan faults;

    // The configuration the variables ask for, or nothing when they ask for the real
    // devices. lookup returns a variable's value or null.
    static std::optional<CSimConfig> FromEnvironment(const std::function<const char *(const char *)> &lookup);
    static std::optional<CSimConfig> FromProcessEnvironment();
};

} // namespace sim
