// Every number the simulated camera is built from, in one place: the driver's names and
// limits, the command codes, the registers the sensor model looks at, its timing and
// the layout of the scene it films.
#pragma once
#include "model/RegisterMap.h"
#include <cstdint>

namespace sim {

// ---- the kernel driver's side -----------------------------------------------------------
constexpr int kMaxDevices = 32;
constexpr char kDeviceBaseName[] = "Vonk430NVTXQEL";
constexpr char kDevicePathPrefix[] = "\\\\.\\"; // \\.\ before the base name
// Device i ends in character i; N comes before M in the maker's alphabet.
constexpr char kSuffixAlphabet[] = "0123456789ABCDEFGHIJKLNMOPQRSTUVWXYZ";

constexpr uint32_t kCommandBytes = 64;
constexpr uint32_t kReplyBytes = 64;
constexpr uint32_t kPipeNumberBytes = 4;
constexpr uint32_t kTimeoutRecordBytes = 44;
constexpr uint32_t kTimeoutRecordTag = 1; // the record's first 32-bit value

constexpr uint32_t kDefaultTimeoutMs = 3000;
constexpr uint32_t kMaxTimeoutMs = 600000; // every wait of an image read ends by then

// A corrupted reply is cut to this many bytes.
constexpr uint32_t kCorruptReplyBytes = 32;
// The first of the two reply reads of a query carries the complement of the value.
constexpr uint8_t kFirstReplyMask = 0xFF;
constexpr uint8_t kFirstReplyStatus = 0x01;

// ---- 64-byte commands (byte 0) -----------------------------------------------------------
namespace cmd {
constexpr uint8_t kStreamStart = 0x01;
constexpr uint8_t kFrameRequest = 0x02;
constexpr uint8_t kSensorWrite = 0x04;
constexpr uint8_t kInitialize = 0x06;
constexpr uint8_t kSetTransferSize = 0x09;
constexpr uint8_t kSetWordMode = 0x0A;
constexpr uint8_t kSensorRead = 0x0C;
constexpr uint8_t kCaptureWrite = 0x0E;
constexpr uint8_t kCaptureRead = 0x0F;
constexpr uint8_t kFpgaWrite = 0x25;
constexpr uint8_t kFpgaRead = 0x26;
constexpr uint8_t kMemoryWrite = 0x40;
constexpr uint8_t kMemoryRead = 0x41;
// Bytes 1 and 2 (and 3 for reads) that select the memory operation.
constexpr uint8_t kMemorySelect = 0x51;
constexpr uint8_t kMemoryWriteOp = 0x03;
constexpr uint8_t kMemoryReadOp = 0x02;
constexpr uint8_t kMemoryReadCount = 0x01;
} // namespace cmd

// ---- registers ---------------------------------------------------------------------------
constexpr uint32_t kSensorRegisters = 65536;
constexpr uint32_t kCaptureRegisters = 256;
constexpr uint32_t kFpgaRegisters = 256;

// The camera's registers by name: sim::sr, sim::cr and sim::fr.
using namespace registers;

// Power-on values: the camera wakes up programmed for the full 640 x 512 frame.
constexpr uint16_t kPowerOnLogicVersion = 0x0112; // above 260: the newer capture offsets
constexpr uint8_t kPowerOnLogicId[4] = {0x20, 0x24, 0x05, 0x21}; // CR 18-21
constexpr uint32_t kPowerOnFrameLines = 556;
constexpr uint32_t kPowerOnShutter = 24;
constexpr uint32_t kPowerOnLineLength = 1004;
constexpr uint8_t kPowerOnTemperatureControl = 50;
constexpr uint32_t kPowerOnFramePixels = 327680;

// ---- non-volatile memory -----------------------------------------------------------------
constexpr uint32_t kMemoryBytes = 65536;
constexpr uint8_t kErasedByte = 0xFF;
constexpr uint16_t kSromBase = 0x1800;
constexpr uint32_t kSromBytes = 256;
constexpr uint16_t kVariantAddress = 0x1EB0;
constexpr uint8_t kVariantByte = 1;
constexpr uint16_t kSerialAddress = 0x1EC0;
constexpr uint32_t kSerialBytes = 32;
constexpr uint8_t kSerialEnd = 0xFF;
constexpr char kSerialFormat[] = "SIMCAM-%02d"; // device number

// ---- timing ------------------------------------------------------------------------------
constexpr double kLineTimeNs = 13383.444862040516;
// The default exposure of 13.8 ms is (13 800 000 - 7372) / line time = 1030 lines: at
// that exposure and gain 0 the scene comes out at its reference values.
constexpr uint64_t kReferenceExposureLines = 1030;
constexpr uint32_t kGainUnity = 64; // level factor (64 + gain) / 64

constexpr uint32_t kMaxPendingTriggers = 16;
constexpr uint32_t kMaxPendingRequests = 8;
constexpr uint32_t kMaxFramePixels = 16u << 20; // larger transfer sizes fail
constexpr uint32_t kMaxAutoTriggerMs = 3600000;
constexpr uint32_t kMaxFaultMs = 86400000; // times and counts of VONKEL_SIMULATE_FAULTS: a day

constexpr double kDefaultTemperature = 35.0;

// ---- the scene (picture coordinates: x right, y down) --------------------------------------
constexpr int kSensorWidth = 640;
constexpr int kSensorHeight = 512;
// In the bottom-counted row mode the row start is 516 - top - height.
constexpr int kRowFromBottomBase = 516;

constexpr int kPatchCell = 64;    // the patch grid: cells of 64 x 64 pixels
constexpr int kPatchInset = 8;    // each patch leaves a frame of 8 pixels in its cell
constexpr int kPatchColumns = 10;
constexpr int kPatchRows = 6;     // rows 0-383
constexpr uint8_t kPatchFrameLevel = 48;
constexpr uint8_t kPatchLevels[4] = {32, 96, 160, 224};
constexpr int kRampTop = 384;     // rows 384-447: grey ramp, 2x/5
constexpr int kBarTop = 448;      // rows 448-511: the moving bar
constexpr uint8_t kBarBackground = 16;
constexpr uint8_t kBarLevel = 224;
constexpr int kBarWidth = 16;
constexpr int kBarStep = 8; // pixels per frame

// Raw pixels 0-3 carry the frame number, one byte each.
constexpr uint32_t kFrameNumberPixels = 4;

constexpr uint32_t kMaxLogEntries = 1u << 16;

} // namespace sim
