// A transport object on simulated cameras, for tests of the transport alone.
#pragma once
#include "sim/CSimulatedCameras.h"
#include "sim/Scene.h"
#include "transport/CVKLSdkLib.h"
#include "transport/ResultCodes.h"
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

class CTestTransport : public CVKLSdkLib {
public:
    explicit CTestTransport(platform::IDeviceIo &io) : CVKLSdkLib(io) { std::strcpy(m_baseName, "Vonk430NVTXQEL"); }
    void SetWord(int flag) { m_wordFlag.store(flag); }
};

inline sim::CSimConfig SimOf(std::vector<int> devices, sim::Pacing pacing = sim::Pacing::AsFastAsPossible) {
    sim::CSimConfig config;
    config.devices = std::move(devices);
    config.pacing = pacing;
    return config;
}

// Polls `condition` until it holds or a generous deadline passes (a hang, not a timing).
template <class Condition>
bool Eventually(Condition condition, int seconds = 20) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

// A camera streaming 8-bit frames of width x height through the ring.
struct CStreamingCamera {
    CStreamingCamera(sim::CSimulatedCameras &cams, int device, int width, int height)
        : transport(cams), camera(cams.Camera(device)), frame(static_cast<size_t>(width) * height) {
        camera->ForceStarted();
        transport.EnumerateDevices();
        transport.SelectDevice(device);
        transport.SetupBuffers(width, 0, width, height, 0, height, 4);
    }
    // Waits for the next new frame and returns its number (0 on failure).
    uint32_t Next() {
        int state = 0;
        if (!Eventually([&] { return (state = transport.WaitFrame()) != frame_state::kNoNewFrame; }))
            return 0;
        if (state != frame_state::kReady)
            return 0;
        FrameTarget target{frame.data(), transport.FrameWidth(), transport.FrameHeight(), 1};
        if (transport.TakeFrame(&target) != result::kOk)
            return 0;
        return sim::DecodeFrameNumber(frame.data(), 1);
    }
    CTestTransport transport;
    sim::CSimCamera *camera;
    std::vector<uint8_t> frame;
};
