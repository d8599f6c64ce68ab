// A camera instance on simulated cameras, with a window that receives its messages.
#pragma once
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "sim/Scene.h"
#include "support/MessageSink.h"
#include "support/SimCameras.h"
#include <gtest/gtest.h>
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
    // Frame notifications posted to the sink until `count` arrived or the deadline passed.
    std::vector<SinkMessage> WaitForFrames(size_t count, int seconds = 20) {
        std::vector<SinkMessage> frames;
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (frames.size() < count && std::chrono::steady_clock::now() < end) {
            for (const SinkMessage &m : sink.Take())
                if (m.message == VONKEL_WM_FRAME)
                    frames.push_back(m);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return frames;
    }
    // The frame description as the capture thread last left it.
    FrameInfo Info() {
        std::lock_guard<std::recursive_mutex> lock(camera.ImageLock());
        return camera.LastFrameInfo();
    }

    CScopedCameras sim;
    MessageSink sink;
    CVonkel camera;
};
