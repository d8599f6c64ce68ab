// A camera instance whose buffers are prepared for a colour mode, so that a test can put
// any raw frame in and run the processing chain on it.
#pragma once
#include "VonkelSdk.h"
#include "camera/CVonkel.h"
#include "image/Conversions.h"
#include "support/MessageSink.h"
#include "support/SimCameras.h"
#include <gtest/gtest.h>
#include <cstring>
#include <random>
#include <vector>

class Processing : public ::testing::Test {
protected:
    Processing() : sim({0}, sim::Pacing::AsFastAsPossible, true) {
        camera.Initialize(sink.Handle());
        Drain();
    }
    // Prepares the buffers of a colour mode (8, 16, 24, 32, 48 or 64 bits).
    void Prepare(int bits) {
        ASSERT_EQ(1, camera.SetColorMode(bits));
        ASSERT_EQ(1, camera.SnapShot(nullptr, 0, 1));
        Drain();
    }
    CImageBuffer &Raw() {
        CImageBuffer *raw8 = camera.Buffer(kRaw8), *raw16 = camera.Buffer(kRaw16);
        const int mode = camera.ColorMode();
        return *(mode == 1 || mode == 4 || mode == 5 ? raw16 : raw8);
    }
    // Fills the raw buffer with values from `value(row, column)`.
    template <class F>
    void Fill(F value) {
        CImageBuffer &raw = Raw();
        for (int r = 0; r < raw.Height(); ++r)
            for (int c = 0; c < raw.Width(); ++c)
                Put(raw, r, c, value(r, c));
    }
    static void Put(CImageBuffer &b, int r, int c, int v) {
        if (b.BytesPerPixel() == 1) {
            b.Row(r)[c] = static_cast<uint8_t>(v);
        } else {
            uint16_t s = static_cast<uint16_t>(v);
            std::memcpy(b.Row(r) + 2 * c, &s, 2);
        }
    }
    static int At(const CImageBuffer &b, int r, int c) {
        if (b.BytesPerPixel() == 1)
            return b.Row(r)[c];
        uint16_t s;
        std::memcpy(&s, b.Row(r) + 2 * c, 2);
        return s;
    }
    void Process() {
        std::lock_guard<std::mutex> lock(camera.ImageLock());
        camera.ProcessFrame();
    }
    std::vector<uint8_t> Bytes(CImageBuffer &b) { return std::vector<uint8_t>(b.Pixels(), b.Pixels() + b.ImageBytes()); }
    int Filter(int number) {
        int ok = 0;
        return camera.GetFilterValue(number, &ok);
    }
    std::vector<int> Drain() {
        std::vector<int> codes;
        for (int c = camera.GetLastError(); c; c = camera.GetLastError())
            codes.push_back(c);
        return codes;
    }

    CScopedCameras sim;
    MessageSink sink;
    CVonkel camera{sim.Services()};
};
