// Construction, the camera's register spaces, device selection and the sensor start-up.
#include "model/CVonkel430NVTXQELSdk.h"
#include "model/SensorTable.h"
#include "transport/ResultCodes.h"
#include <cstring>

CVonkel430NVTXQELSdk::CVonkel430NVTXQELSdk(platform::IDeviceIo &io, bool startUp) : CVKLSdkLibQEL(io) {
    m_windowFlagH = 0;
    m_windowFlagV = 1;
    m_exposureMin = 1;
    m_exposureMax = 20000;
    m_exposure.store(14);
    m_exposureDefault = 14;
    m_exposureFlag = 1;
    m_realExposureMin = 2.0333e-05;
    m_realExposureMax = 2.0;
    m_realExposure.store(0.0138);
    m_realExposureDefault = 0.0138;
    m_realExposureFlag = 1;
    std::strcpy(m_baseName, "Vonk430NVTXQEL");
    EnumerateDevices();
    SelectCamera(0, startUp);
}

// ---- register spaces ------------------------------------------------------------------

bool CVonkel430NVTXQELSdk::ReadRegisterReply(cmd::Buffer buffer, uint8_t *value) {
    bool wrote = false, read = false;
    // A failed transfer leaves nothing but the command bytes in the buffer: it is
    // reported, never passed on as the register's value.
    if (!QueryExchange(buffer, true, &wrote, &read) || !wrote || !read)
        return false;
    if (value)
        *value = buffer[0];
    return true;
}

bool CVonkel430NVTXQELSdk::ReadSensorRegister(uint16_t address, uint8_t *value) {
    return ReadRegisterReply(cmd::SensorRead(address), value);
}

bool CVonkel430NVTXQELSdk::WriteSensorRegister(uint16_t address, uint8_t value) {
    return CommandExchange(cmd::SensorWrite(address, value));
}

bool CVonkel430NVTXQELSdk::ReadCaptureRegister(uint8_t address, uint8_t *value) {
    return ReadRegisterReply(cmd::CaptureRead(address), value);
}

bool CVonkel430NVTXQELSdk::WriteCaptureRegister(uint8_t address, uint8_t value) {
    return CommandExchange(cmd::CaptureWrite(address, value));
}

bool CVonkel430NVTXQELSdk::ReadFpgaRegister(uint8_t address, uint8_t *value) {
    cmd::Buffer buffer = cmd::FpgaRead(address);
    bool wrote = false, read = false;
    if (!QueryExchange(buffer, false, &wrote, &read))
        return false; // the device did not open: the value is left alone
    bool ok = wrote && read;
    if (value)
        *value = ok ? buffer[0] : 0;
    return ok;
}

bool CVonkel430NVTXQELSdk::WriteFpgaRegister(uint8_t address, uint8_t value) {
    return CommandExchange(cmd::FpgaWrite(address, value));
}

void CVonkel430NVTXQELSdk::WriteCapture16(uint8_t lowAddress, int value) {
    WriteCapture(lowAddress, static_cast<uint8_t>(value));
    WriteCapture(static_cast<uint8_t>(lowAddress + 1), static_cast<uint8_t>(value >> 8));
}

// ---- selection and start-up ------------------------------------------------------------

int CVonkel430NVTXQELSdk::SelectCamera(int index, bool startUp) {
    m_logicVersion.store(0);
    ResetGeometryDefaults();
    m_wordFlag.store(0);
    m_subSample.store(0);
    m_triggerFlag.store(0);
    m_transferTimeout.store(kDefaultTimeoutMs);
    CloseFrameHandle(); // the next single-frame read must open the new path
    if (SelectDevice(index) != result::kOk)
        return result::kBadIndex;
    if (!startUp)
        return result::kOk;
    SetWordMode(0);
    CommandExchange(cmd::Make(cmd::INITIALIZE));
    RunStartup();
    m_io.Pause(200);
    SetWindow(0, 0, kSensorWidth, kSensorHeight, 0);
    SetMirrorH(0);
    SetMirrorV(0);
    SetTriggerMode(0);
    return result::kOk;
}

void CVonkel430NVTXQELSdk::RunStartup() {
    // Power-up: every write's own result is of no use here; a camera that misses one
    // is caught by the frames it sends.
    WriteCapture(32, 1);
    WriteCapture(96, 1);
    m_io.Pause(500);

    const SensorTableRow *rows = SensorTable();
    for (size_t i = 0; i < kSensorTableRows; ++i)
        WriteSensor(rows[i].reg, rows[i].value);

    m_io.Pause(10);
    WriteSensor(512, 0);
    m_io.Pause(50);
    WriteSensor(524, 0);

    // 327 680 pixels per frame, trigger off, 8-bit output.
    WriteFpga(0, 0);
    WriteFpga(1, 0);
    WriteFpga(2, 5);
    WriteFpga(3, 0);
    WriteFpga(11, 0);
    WriteFpga(14, 4);

    WriteCapture(32, 1);
    WriteCapture16(64, 512);
    WriteCapture16(68, 640);
    WriteCapture16(80, 556);
    WriteCapture16(84, 707);
    WriteCapture(88, 0);
    WriteCapture(89, 0);
    WriteCapture(96, 1);

    uint8_t version[6] = {};
    for (uint8_t r = 16; r <= 21; ++r)
        ReadCaptureRegister(r, &version[r - 16]);
    m_logicVersion.store(static_cast<uint16_t>(version[1] << 8 | version[0]));
}

int CVonkel430NVTXQELSdk::SetWordMode(int flag) {
    m_wordFlag.store(flag);
    // This model always switches the camera's word path on; the FPGA's output width
    // decides whether pixels leave as 8 or 16 bits.
    CommandExchange(cmd::Make(cmd::SET_WORD_MODE, {1}));
    WriteFpga(14, flag ? 5 : 4);
    return 1;
}

int CVonkel430NVTXQELSdk::CopyFrame(const FrameTarget &output, const uint8_t *raw) {
    // The sensor reads out bottom-up and right to left: turn the frame by 180 degrees so
    // that memory row 0 is the top of the picture.
    const int width = m_width;
    const int height = m_height;
    if (output.bytesPerPixel == 2) {
        for (int i = 0; i < height; ++i) {
            const uint8_t *src = raw + static_cast<size_t>(height - 1 - i) * width * 2;
            uint8_t *dst = output.pixels + static_cast<size_t>(i) * width * 2;
            for (int j = 0; j < width; ++j)
                std::memcpy(dst + 2 * j, src + 2 * (width - 1 - j), 2);
        }
    } else {
        for (int i = 0; i < height; ++i) {
            const uint8_t *src = raw + static_cast<size_t>(height - 1 - i) * width;
            uint8_t *dst = output.pixels + static_cast<size_t>(i) * width;
            for (int j = 0; j < width; ++j)
                dst[j] = src[width - 1 - j];
        }
    }
    return result::kOk;
}

// ---- the stream and single frames ----------------------------------------------------

namespace {
DriverResult From(int code) {
    if (code == result::kNoFrame)
        return DriverResult::Withdrawn;
    return code == result::kOk ? DriverResult::Ok : DriverResult::Failed;
}
} // namespace

DriverResult CVonkel430NVTXQELSdk::StartStream() { return From(StartTransfer()); }
DriverResult CVonkel430NVTXQELSdk::StopStream() {
    const DriverResult stopped = From(StopTransfer());
    if (stopped != DriverResult::Ok)
        m_readFailed.store(true);
    return stopped;
}

void CVonkel430NVTXQELSdk::RestartIfLost() {
    if (m_readFailed.exchange(false) || FrameChannelLost())
        SelectCamera(GetDeviceIndex());
}
DriverResult CVonkel430NVTXQELSdk::TakeFrameInto(const FrameTarget &target) { return From(TakeFrame(&target)); }
DriverResult CVonkel430NVTXQELSdk::ReadOneFrame() {
    const DriverResult read = From(ReadSingleFrame());
    if (read != DriverResult::Ok)
        m_readFailed.store(true);
    return read;
}
DriverResult CVonkel430NVTXQELSdk::CopyOneFrameInto(const FrameTarget &target) {
    return From(ConvertSingleFrame(&target));
}

FrameState CVonkel430NVTXQELSdk::WaitForFrame(uint32_t timeoutMs) { return StateOf(WaitFrame(timeoutMs)); }

FrameState CVonkel430NVTXQELSdk::WaitForNextFrame(uint32_t timeoutMs) { return StateOf(WaitNextFrame(timeoutMs)); }

FrameTicket CVonkel430NVTXQELSdk::LastFrameTicket() {
    const CFrameMailbox::Ticket t = LastHandedOver();
    return FrameTicket{t.sequence, t.arrival, t.dropped};
}

FrameState CVonkel430NVTXQELSdk::StateOf(int waited) {
    switch (waited) {
    case frame_state::kReady: return FrameState::Ready;
    case frame_state::kFailed: return FrameState::Failed;
    case frame_state::kNoNewFrame: return FrameState::NoNewFrame;
    // A stream whose device did not open (it vanished after it was enumerated) has
    // failed as a failed transfer has: a preview waiting for it says so.
    default:
        if (!TransferNeverOpened())
            return FrameState::NotRunning;
        m_readFailed.store(true);
        return FrameState::Failed;
    }
}
