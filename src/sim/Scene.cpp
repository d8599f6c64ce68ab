#include "sim/Scene.h"
#include "sim/SimConstants.h"
#include <algorithm>

namespace sim {

CRgb PatchColour(int row, int column) {
    const int i = row * kPatchColumns + column;
    return CRgb{kPatchLevels[i % 4], kPatchLevels[(i / 4) % 4], kPatchLevels[(i / 16) % 4]};
}

Channel CfaChannel(int x, int y) {
    const bool oddX = (x & 1) != 0;
    const bool oddY = (y & 1) != 0;
    if (oddX == oddY)
        return oddX ? Channel::Red : Channel::Blue;
    return Channel::Green;
}

int BarPosition(uint32_t frameNumber) {
    return static_cast<int>((uint64_t(frameNumber) * kBarStep) % kSensorWidth);
}

static uint8_t PickChannel(const CRgb &rgb, Channel channel) {
    switch (channel) {
    case Channel::Red:
        return rgb.red;
    case Channel::Green:
        return rgb.green;
    default:
        return rgb.blue;
    }
}

uint8_t SceneValue(int x, int y, Channel channel, uint32_t frameNumber) {
    if (x < 0 || y < 0 || x >= kSensorWidth || y >= kSensorHeight)
        return 0;
    if (y < kRampTop) {
        const int cx = x % kPatchCell;
        const int cy = y % kPatchCell;
        const bool inPatch = cx >= kPatchInset && cx < kPatchCell - kPatchInset && cy >= kPatchInset &&
                             cy < kPatchCell - kPatchInset;
        if (!inPatch)
            return kPatchFrameLevel;
        return PickChannel(PatchColour(y / kPatchCell, x / kPatchCell), channel);
    }
    if (y < kBarTop)
        return static_cast<uint8_t>(x * 2 / 5);
    const int offset = (x - BarPosition(frameNumber) + kSensorWidth) % kSensorWidth;
    return offset < kBarWidth ? kBarLevel : kBarBackground;
}

uint16_t SensorLevel12(uint8_t reference, uint32_t gain, uint64_t exposureLines) {
    const uint64_t lines = std::min<uint64_t>(exposureLines, uint64_t(1) << 32);
    const uint64_t num = uint64_t(reference) * 16 * (kGainUnity + gain) * lines;
    const uint64_t level = num / (uint64_t(kGainUnity) * kReferenceExposureLines);
    return static_cast<uint16_t>(std::min<uint64_t>(level, 4095));
}

static uint32_t PixelByte(const uint8_t *p, uint32_t bytesPerPixel, size_t index) {
    // Both pixel sizes carry one byte of the number; a 16-bit pixel is little-endian.
    return p[index * bytesPerPixel];
}

uint32_t DecodeFrameNumber(const void *raw, uint32_t bytesPerPixel) {
    const auto *p = static_cast<const uint8_t *>(raw);
    uint32_t number = 0;
    for (uint32_t k = 0; k < kFrameNumberPixels; ++k)
        number |= PixelByte(p, bytesPerPixel, k) << (8 * k);
    return number;
}

uint32_t DecodeFrameNumberTurned(const void *picture, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                                 size_t strideBytes) {
    if (width < kFrameNumberPixels || height == 0)
        return 0;
    const auto *row = static_cast<const uint8_t *>(picture) + strideBytes * (height - 1);
    uint32_t number = 0;
    for (uint32_t k = 0; k < kFrameNumberPixels; ++k)
        number |= PixelByte(row, bytesPerPixel, width - 1 - k) << (8 * k);
    return number;
}

} // namespace sim
