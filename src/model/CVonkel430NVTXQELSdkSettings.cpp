// Camera settings as register writes: window and sub-sampling, mirroring, gain,
// exposure, trigger mode and the temperature readout.
#include "model/CVonkel430NVTXQELSdk.h"
#include "model/RegisterMap.h"
#include "model/WindowTiming.h"
#include "transport/ResultCodes.h"
#include <cmath>

namespace {

namespace sr = registers::sr;
namespace cr = registers::cr;

constexpr uint32_t kSettlePauseMs = 100;
constexpr int kLineLengthLow = 236; // line length 1004 in registers 728/729
constexpr int kLineLengthHigh = 3;

uint8_t Byte(uint32_t v, int n) { return static_cast<uint8_t>(v >> (8 * n)); }

// Whole lines of an exposure time, at least one.
uint32_t LinesOfNanoseconds(uint64_t nanoseconds) {
    const double lines = (static_cast<double>(nanoseconds) - CVonkel430NVTXQELSdk::kExposureOffsetNs) /
                         CVonkel430NVTXQELSdk::kLineTimeNs;
    return lines >= 1.0 ? (lines >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(lines)) : 1u;
}

} // namespace

int CVonkel430NVTXQELSdk::SetWindow(int x, int y, int width, int height, int subSample) {
    if (x < 0 || y < 0 || width < 8 || height < 8 || x + width > kSensorWidth || y + height > kSensorHeight ||
        (subSample != 0 && subSample != 1))
        return result::kInvalidWindow;
    const int divisor = subSample == 1 ? 2 : 1;
    const int w = width / divisor;
    const int h = height / divisor;
    // The camera sends whole groups of four pixels and lines: a window that does not
    // fill them would be delivered with another geometry than the one asked for.
    if (w % 4 != 0 || h % 4 != 0)
        return result::kInvalidWindow;

    std::lock_guard<std::mutex> sequence(m_sequenceLock);
    m_windowX.store(x);
    m_windowY.store(y);
    m_windowWidth.store(width);
    m_windowHeight.store(height);
    const WindowTiming t = ComputeWindowTiming(x, y, width, height, subSample, m_wordFlag.load() == 1,
                                               m_logicVersion.load(), m_mirrorH.load() != 0);
    SetupBuffers(w, 0, t.width, h, 0, t.height, 4);
    WriteSensor(sr::kSubsample, static_cast<uint8_t>(t.subsampleMode));
    WriteSensor(sr::kRowMode, static_cast<uint8_t>(t.rowMode));
    m_subSample.store(subSample);
    WriteCapture(cr::kReadoutMode, static_cast<uint8_t>(t.readoutMode));
    // Each start and size is 11 bits: low byte, then the top three.
    const struct {
        uint16_t low, high;
        int value;
    } kFields[] = {{sr::kColumnStart0, sr::kColumnStart1, t.columnStart},
                   {sr::kRowStart0, sr::kRowStart1, t.rowStart},
                   {sr::kWidth0, sr::kWidth1, t.width},
                   {sr::kHeight0, sr::kHeight1, t.height}};
    for (const auto &field : kFields) {
        WriteSensor(field.low, Byte(field.value, 0));
        WriteSensor(field.high, Byte(field.value, 1) & 7);
    }
    WriteSensor(sr::kFrameLength0, Byte(t.frameLines, 0));
    WriteSensor(sr::kFrameLength1, Byte(t.frameLines, 1));
    WriteSensor(sr::kLineLength0, kLineLengthLow);
    WriteSensor(sr::kLineLength1, kLineLengthHigh);
    m_frameLines.store(static_cast<uint32_t>(t.frameLines));
    WriteCapture16(cr::kCaptureOffsetP0, t.captureOffsetP);
    WriteCapture16(cr::kCaptureOffsetQ0, t.captureOffsetQ);
    WriteCapture16(cr::kHeight0, t.height);
    WriteCapture16(cr::kWidth0, t.width);

    const int pixels = m_framePixelCount;
    if (pixels != m_transferSizeSent.load()) {
        for (int n = 0; n < 4; ++n)
            WriteFpga(static_cast<uint8_t>(n), Byte(static_cast<uint32_t>(pixels), n));
        m_io.Pause(kSettlePauseMs);
        m_transferSizeSent.store(pixels);
    }
    SetLargeTransfer(TransferBytes() >= kLargeTransferBytes);
    return result::kOk;
}

bool CVonkel430NVTXQELSdk::SetMirrorH(int on) {
    // Both flags share one register: each setter writes the other's as it stands.
    std::lock_guard<std::mutex> sequence(m_sequenceLock);
    if (!WriteMirror(on, m_mirrorV.load()))
        return false;
    m_mirrorH.store(on);
    const bool sub = m_subSample.load() == 1;
    int q;
    if (m_logicVersion.load() <= 260)
        q = sub ? (on ? 22 : 0) : (on ? 39 : 3);
    else
        q = sub ? (on ? 24 : 8) : (on ? 44 : 8);
    WriteCapture16(76, q);
    return true;
}

bool CVonkel430NVTXQELSdk::SetMirrorV(int on) {
    std::lock_guard<std::mutex> sequence(m_sequenceLock);
    if (!WriteMirror(m_mirrorH.load(), on))
        return false;
    m_mirrorV.store(on);
    return true;
}

bool CVonkel430NVTXQELSdk::WriteMirror(int mirrorH, int mirrorV) {
    return WriteSensor(1028, static_cast<uint8_t>((mirrorH ? 2 : 0) + (mirrorV ? 1 : 0)));
}

bool CVonkel430NVTXQELSdk::SetGain(int value) {
    std::lock_guard<std::mutex> sequence(m_sequenceLock);
    if (!WriteSensor(1812, static_cast<uint8_t>(value)))
        return false;
    WriteSensor(1813, static_cast<uint8_t>((value >> 8) & 1));
    return true;
}

bool CVonkel430NVTXQELSdk::GetGain(int *value) {
    uint8_t low = 0, high = 0;
    // Both bytes of one value, never one of each of two writes.
    std::lock_guard<std::mutex> sequence(m_sequenceLock);
    if (!ReadSensorRegister(1813, &high) || !ReadSensorRegister(1812, &low))
        return false;
    if (value)
        *value = high * 256 + low;
    return true;
}

int CVonkel430NVTXQELSdk::GetExposureLines(int *out) const {
    if (out)
        *out = static_cast<int>(m_exposureLines.load());
    return 1;
}

bool CVonkel430NVTXQELSdk::SetExposure(int units) {
    uint32_t u = static_cast<uint32_t>(units);
    if (u < static_cast<uint32_t>(m_exposureMin))
        u = static_cast<uint32_t>(m_exposureMin);
    if (u > static_cast<uint32_t>(m_exposureMax))
        u = static_cast<uint32_t>(m_exposureMax);
    std::lock_guard<std::mutex> sequence(m_sequenceLock);
    if (!WriteExposureLines(LinesOfNanoseconds(static_cast<uint64_t>(u) * 100000u)))
        return false;
    m_exposure.store(static_cast<int>(u));
    m_realExposure.store(u / 10000.0);
    return true;
}

bool CVonkel430NVTXQELSdk::SetRealExposure(double seconds) {
    if (!std::isfinite(seconds))
        return false;
    if (seconds < m_realExposureMin)
        seconds = m_realExposureMin;
    if (seconds > m_realExposureMax)
        seconds = m_realExposureMax;
    std::lock_guard<std::mutex> sequence(m_sequenceLock);
    if (!WriteExposureLines(LinesOfNanoseconds(static_cast<uint64_t>(seconds * 1e9))))
        return false;
    m_realExposure.store(seconds);
    m_exposure.store(static_cast<int>(seconds * 10000));
    return true;
}

bool CVonkel430NVTXQELSdk::SetExposureTimeNs(uint64_t nanoseconds) {
    return SetExposureLines(LinesOfNanoseconds(nanoseconds));
}

bool CVonkel430NVTXQELSdk::SetExposureLines(uint32_t n) {
    std::lock_guard<std::mutex> sequence(m_sequenceLock);
    return WriteExposureLines(n);
}

bool CVonkel430NVTXQELSdk::WriteExposureLines(uint32_t n) {
    const uint32_t FL = m_frameLines.load();
    if (n > FL - kFrameMarginLines) {
        // Longer than the frame: stretch the frame to the exposure.
        const uint32_t c = n + kFrameMarginLines;
        auto write = [this](uint16_t reg, uint8_t value, bool pause) {
            if (!WriteSensor(reg, value))
                return false;
            if (pause)
                m_io.Pause(kSettlePauseMs);
            return true;
        };
        bool ok;
        if (c >= 65536)
            ok = write(726, Byte(c, 2), true) && write(725, Byte(c, 1), true) && write(724, Byte(c, 0), true);
        else if (Byte(c, 1) < Byte(FL, 1))
            ok = write(725, Byte(c, 1), true) && write(726, 0, false) && write(724, Byte(c, 0), false);
        else
            ok = write(726, 0, false) && write(725, Byte(c, 1), false) && write(724, Byte(c, 0), false);
        ok = ok && write(1088, 15, true) && write(1089, 0, true) && write(1090, 0, true);
        if (!ok)
            return false;
    } else {
        WriteSensor(726, Byte(FL, 2));
        WriteSensor(725, Byte(FL, 1));
        WriteSensor(724, Byte(FL, 0));
        const uint32_t shutter = FL - n;
        if (!WriteSensor(1088, Byte(shutter, 0)))
            return false;
        WriteSensor(1089, Byte(shutter, 1) & 0x0F);
        WriteSensor(1090, 0);
    }
    m_exposureLines.store(n);
    if (m_triggerFlag.load())
        WriteTriggerTiming();
    return true;
}

int CVonkel430NVTXQELSdk::SetTriggerMode(int on) {
    std::lock_guard<std::mutex> sequence(m_sequenceLock);
    auto sensor = [this](uint16_t reg, uint8_t value, bool pause) {
        WriteSensor(reg, value);
        if (pause)
            m_io.Pause(kSettlePauseMs);
    };
    if (on) {
        WriteFpga(11, 9);
        WriteTriggerTiming();
        sensor(512, 1, true);
        sensor(524, 0, true);
        sensor(1072, 19, true);
        sensor(1074, 1, true);
        sensor(1536, 1, true);
        sensor(512, 0, false);
        m_triggerFlag.store(1);
    } else {
        WriteFpga(11, 0);
        WriteCapture(88, 0);
        sensor(512, 1, true);
        sensor(1072, 17, true);
        sensor(1536, 0, true);
        sensor(512, 0, false);
        m_triggerFlag.store(0);
    }
    return 1;
}

void CVonkel430NVTXQELSdk::WriteTriggerTiming() {
    const uint32_t lines = m_exposureLines.load();
    WriteCapture(88, 0);
    WriteCapture(133, Byte(lines, 0));
    WriteCapture(134, Byte(lines, 1));
    WriteCapture(155, Byte(lines, 2));
    WriteCapture16(84, 730);
    const uint32_t d = lines + m_frameLines.load() + 9;
    WriteCapture(80, Byte(d, 0));
    WriteCapture(81, Byte(d, 1));
    WriteCapture(82, Byte(d, 2));
    WriteCapture(88, 2);
}

bool CVonkel430NVTXQELSdk::GetTemperature(double *out) {
    uint8_t control = 0, low = 0, high = 0;
    std::lock_guard<std::mutex> sequence(m_sequenceLock);
    // The readout registers hold a value only while bit 0 of the control register is set.
    // Without the control register's value, writing it back would clear its other bits.
    if (!ReadSensorRegister(1928, &control))
        return false;
    bool ok = WriteSensor(1928, static_cast<uint8_t>(control | 1));
    ok = ReadSensorRegister(1680, &low) && ok;
    ok = ReadSensorRegister(1681, &high) && ok;
    ok = WriteSensor(1928, static_cast<uint8_t>(control & ~1)) && ok;
    if (!out || !ok)
        return false;
    *out = TemperatureFromRaw(high, low);
    return true;
}

double CVonkel430NVTXQELSdk::TemperatureFromRaw(uint8_t high, uint8_t low) {
    int v = (high & 0x0F) << 8 | low;
    if (v & 0x800)
        v -= 0x1000;
    return v / 8.0;
}
