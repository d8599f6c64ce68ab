// The camera's registers by name, one map for the driver that programs them and the
// simulated camera that answers them: sensor registers (16-bit addresses), capture
// registers and FPGA registers (8-bit addresses). Multi-byte values are low byte first.
#pragma once
#include <cstdint>

namespace registers {

namespace sr {
constexpr uint16_t kStartupLastTableRow = 6594; // the sensor table ends here
constexpr uint16_t kStartupRelease = 524;      // written 0 after the table: the sensor runs
constexpr uint16_t kSubsample = 572;           // 17: 2x sub-sampling
constexpr uint8_t kSubsampleOn = 17;
constexpr uint16_t kFrameLength0 = 724; // frame length in lines, low, middle, high byte
constexpr uint16_t kFrameLength1 = 725;
constexpr uint16_t kFrameLength2 = 726;
constexpr uint16_t kLineLength0 = 728;
constexpr uint16_t kLineLength1 = 729;
constexpr uint16_t kRowMode = 772; // 2: the row start counts from the bottom
constexpr uint8_t kRowModeFromBottom = 2;
constexpr uint16_t kColumnStart0 = 800;
constexpr uint16_t kColumnStart1 = 801;
constexpr uint16_t kRowStart0 = 802;
constexpr uint16_t kRowStart1 = 803;
constexpr uint16_t kWidth0 = 804;
constexpr uint16_t kWidth1 = 805;
constexpr uint16_t kHeight0 = 806;
constexpr uint16_t kHeight1 = 807;
constexpr uint16_t kReadoutDirection = 1028; // bit 1 horizontal mirror, bit 0 vertical
constexpr uint8_t kMirrorVBit = 0x01;
constexpr uint8_t kMirrorHBit = 0x02;
constexpr uint16_t kShutter0 = 1088; // frame length minus exposure, low byte
constexpr uint16_t kShutter1 = 1089; // bits 8-11
constexpr uint16_t kShutter2 = 1090;
constexpr uint16_t kTemperatureLow = 1680;
constexpr uint16_t kTemperatureHigh = 1681;
constexpr uint8_t kTemperatureValidFlag = 0x80; // upper nibble of SR 1681 while a reading is on
constexpr uint16_t kGainLow = 1812;
constexpr uint16_t kGainHigh = 1813; // bit 0 is gain bit 8
constexpr uint16_t kTemperatureControl = 1928; // bit 0: reading on
constexpr uint8_t kTemperatureOnBit = 0x01;
} // namespace sr

namespace cr {
constexpr uint8_t kCaptureOffsetP0 = 72; // the capture logic's two offsets, low byte first
constexpr uint8_t kCaptureOffsetQ0 = 76; // q follows the horizontal mirror
constexpr uint8_t kReadoutMode = 90;     // 0 whole height, 1 partial height, 2 sub-sampled
constexpr uint8_t kLogicVersionLow = 16;
constexpr uint8_t kLogicVersionHigh = 17;
constexpr uint8_t kFirstReadOnly = 16; // 16-21: the capture logic's identification
constexpr uint8_t kLastReadOnly = 21;
constexpr uint8_t kHeight0 = 64;
constexpr uint8_t kHeight1 = 65;
constexpr uint8_t kWidth0 = 68;
constexpr uint8_t kWidth1 = 69;
} // namespace cr

namespace fr {
constexpr uint8_t kPixelCount0 = 0; // 0-3: pixels per transfer, low byte first
constexpr uint8_t kPixelCount3 = 3;
constexpr uint8_t kIoPort = 7;
constexpr uint8_t kTriggerMode = 11;
constexpr uint8_t kTriggerOn = 9;
constexpr uint8_t kOutputWidth = 14;
constexpr uint8_t kOutput8Bit = 4;
constexpr uint8_t kOutput16Bit = 5;
} // namespace fr

} // namespace registers
