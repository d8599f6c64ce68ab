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
// The two switches take 1, true, yes or on (any case); anything else is off.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace sim {

enum class Pacing {
    RealTime,        // frames at the rate the programmed frame length gives
    AsFastAsPossible // every read gets a frame at once (benchmarks)
};

struct CSimConfig {
    std::vector<int> devices;    // device numbers 0-31 with a camera
    uint32_t autoTriggerMs = 0;  // 0: triggers only from the C++ interface
    bool still = false;
    bool realtimePauses = false;
    Pacing pacing = Pacing::RealTime;

    // The configuration the variables ask for, or nothing when they ask for the real
    // devices. lookup returns a variable's value or null.
    static std::optional<CSimConfig> FromEnvironment(const std::function<const char *(const char *)> &lookup);
    static std::optional<CSimConfig> FromProcessEnvironment();
};

} // namespace sim
