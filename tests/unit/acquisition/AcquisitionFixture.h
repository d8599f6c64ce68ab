// A camera instance on simulated cameras, with a window that receives its messages.
#pragma once
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "sim/Scene.h"
#include "support/MessageSink.h"
#include "support/SimCameras.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

class Acquisition : public ::testing::Test {
protected:
    explicit Acquisition(std::vector<int> devices = {0}, sim::Pacing pacing = sim::Pacing::AsFastAsPossible)
        : sim(std::move(devices), pacing) {
        camera.Initialize(sink.Handle());
        camera.SetWaitTime(1);
        camera.SetColorMode(8);
        Drain();
        sink.Take();
    }
    std::vector<int> Drain() {
        std::vector<int> codes;
        for (int c = camera.GetLastError(); c; c = camera.GetLastError())
            codes.push_back(c);
        return codes;
    }
    // Frame notifications posted to the sink, at most `count`, waiting until they arrived
    // or the deadline passed; notifications beyond `count` are kept for the next call.
    std::vector<SinkMessage> WaitForFrames(size_t count, int seconds = 20) {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (;;) {
            for (const SinkMessage &m : sink.Take())
                if (m.message == VONKEL_WM_FRAME)
                    m_pendingFrames.push_back(m);
            if (m_pendingFrames.size() >= count || std::chrono::steady_clock::now() >= end)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const size_t n = std::min(count, m_pendingFrames.size());
        std::vector<SinkMessage> frames(m_pendingFrames.begin(), m_pendingFrames.begin() + n);
        m_pendingFrames.erase(m_pendingFrames.begin(), m_pendingFrames.begin() + n);
        return frames;
    }
    // The frame description as the capture thread last left it.
    FrameInfo Info() {
        std::lock_guard<std::mutex> lock(camera.ImageLock());
        return camera.LastFrameInfo();
    }

    CScopedCameras sim;
    MessageSink sink;
    CVonkel camera{sim.Services()};

private:
    std::vector<SinkMessage> m_pendingFrames;
};
