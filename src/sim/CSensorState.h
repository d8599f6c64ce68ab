// What one frame depends on, read from the registers at the moment the frame is taken:
// the sensor's read-out window and direction, the capture logic's frame size, the sample
// width, gain and exposure.
#pragma once
#include <cstdint>

namespace sim {

class CRegisterFile;

struct CSensorState {
    bool started = false;       // the start-up sequence has run (else black frames)
    uint32_t columnStart = 0;   // SR 800/801: leftmost picture column of the window
    uint32_t rowStart = 0;      // SR 802/803: as programmed (see TopRow)
    uint32_t windowWidth = 0;   // SR 804/805: pixels per sensor line (after sub-sampling)
    uint32_t windowHeight = 0;  // SR 806/807: sensor lines per frame (after sub-sampling)
    bool subsample = false;     // SR 572 = 17
    bool rowFromBottom = false; // SR 772 = 2
    bool mirrorH = false;       // SR 1028 bit 1
    bool mirrorV = false;       // SR 1028 bit 0
    uint32_t captureWidth = 0;  // CR 68/69: pixels per transferred line
    uint32_t captureHeight = 0; // CR 64/65: transferred lines
    uint32_t framePixels = 0;   // FPGA 0-3
    uint32_t bytesPerPixel = 1; // FPGA 14
    uint32_t gain = 0;          // SR 1812 + bit 0 of SR 1813
    uint32_t frameLines = 0;    // SR 724-726
    uint32_t shutterLines = 0;  // SR 1088 + bits 8-11 from SR 1089

    static CSensorState FromRegisters(const CRegisterFile &registers, bool started);

    // Sensor pixels the window spans along each axis (twice the window when sub-sampled).
    uint32_t Step() const { return subsample ? 2 : 1; }
    // The window's top picture row: the row start itself, or counted from the bottom.
    int TopRow() const;
    // Exposure in lines: frame length minus the shutter register, at least 1.
    uint64_t ExposureLines() const;
    uint64_t FrameBytes() const { return uint64_t(framePixels) * bytesPerPixel; }

    bool operator==(const CSensorState &other) const;
    bool operator!=(const CSensorState &other) const { return !(*this == other); }
};

} // namespace sim
