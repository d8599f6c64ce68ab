#include "sim/CSensorState.h"
#include "sim/CRegisterFile.h"
#include <tuple>

namespace sim {

// Window registers carry 11 bits: the low byte and bits 8-10 in the next register.
static uint32_t WindowField(const CRegisterFile &registers, uint16_t first) {
    return registers.Sensor(first) | (uint32_t(registers.Sensor(uint16_t(first + 1)) & 0x07) << 8);
}

CSensorState CSensorState::FromRegisters(const CRegisterFile &r, bool started) {
    CSensorState s;
    s.started = started;
    s.columnStart = WindowField(r, sr::kColumnStart0);
    s.rowStart = WindowField(r, sr::kRowStart0);
    s.windowWidth = WindowField(r, sr::kWidth0);
    s.windowHeight = WindowField(r, sr::kHeight0);
    s.subsample = r.Sensor(sr::kSubsample) == sr::kSubsampleOn;
    s.rowFromBottom = r.Sensor(sr::kRowMode) == sr::kRowModeFromBottom;
    const uint8_t direction = r.Sensor(sr::kReadoutDirection);
    s.mirrorH = (direction & sr::kMirrorHBit) != 0;
    s.mirrorV = (direction & sr::kMirrorVBit) != 0;
    s.captureWidth = r.CaptureField(cr::kWidth0, 2);
    s.captureHeight = r.CaptureField(cr::kHeight0, 2);
    s.framePixels = r.FramePixelCount();
    s.bytesPerPixel = r.BytesPerPixel();
    s.gain = r.Sensor(sr::kGainLow) | (uint32_t(r.Sensor(sr::kGainHigh) & 0x01) << 8);
    s.frameLines = r.SensorField(sr::kFrameLength0, 3);
    s.shutterLines = r.Sensor(sr::kShutter0) | (uint32_t(r.Sensor(sr::kShutter1) & 0x0F) << 8);
    return s;
}

int CSensorState::TopRow() const {
    if (!rowFromBottom)
        return static_cast<int>(rowStart);
    return kRowFromBottomBase - static_cast<int>(rowStart) - static_cast<int>(windowHeight * Step());
}

uint64_t CSensorState::ExposureLines() const {
    return frameLines > shutterLines ? frameLines - shutterLines : 1;
}

static auto Key(const CSensorState &s) {
    return std::make_tuple(s.started, s.columnStart, s.rowStart, s.windowWidth, s.windowHeight, s.subsample,
                           s.rowFromBottom, s.mirrorH, s.mirrorV, s.captureWidth, s.captureHeight, s.framePixels,
                           s.bytesPerPixel, s.gain, s.frameLines, s.shutterLines);
}

bool CSensorState::operator==(const CSensorState &other) const { return Key(*this) == Key(other); }

} // namespace sim
