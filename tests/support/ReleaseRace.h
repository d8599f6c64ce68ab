// Threads calling exports on a handle while another thread releases it: whoever loses
// the race gets the failure value, nobody touches a freed instance. Shared by the
// portable tests (under the sanitizers) and the tests through the DLL.
#pragma once
#include "VonkelSdk.h"
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace testsupport {

// Returns the number of rounds in which the process could not make a new camera
// afterwards (0 when all went well).
inline int RunReleaseRace(int rounds, int callers) {
    int broken = 0;
    static unsigned char picture[640 * 512 * 8];
    for (int round = 0; round < rounds; ++round) {
        const int handle = Vonkel_Initialize(nullptr);
        if (handle == 0)
            return rounds;
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int t = 0; t < callers; ++t) {
            threads.emplace_back([&, t] {
                while (!go.load()) std::this_thread::yield();
                for (int i = 0; i < 200; ++i) {
                    switch ((i + t) % 5) {
                    case 0: Vonkel_StartPreview(handle); break;
                    case 1: Vonkel_StopPreview(handle); break;
                    case 2: Vonkel_SetColorMode(handle, (i % 2) ? 24 : 8); break;
                    case 3: Vonkel_GetImage(handle, picture, sizeof picture, 1); break;
                    default: Vonkel_GetLastError(handle); break;
                    }
                }
            });
        }
        go.store(true);
        // Released while the callers are somewhere in their loops.
        std::this_thread::sleep_for(std::chrono::microseconds(50 * (round % 20)));
        const int released = Vonkel_Release(handle);
        for (auto &thread : threads)
            thread.join();
        const int again = Vonkel_Initialize(nullptr);
        broken += released != 1 || again == 0 || Vonkel_StartPreview(again) != 1 || Vonkel_Release(again) != 1;
    }
    return broken;
}

} // namespace testsupport
