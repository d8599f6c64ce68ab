// Device paths, the pipe primitives over the kernel driver's control codes, and the
// command and query exchanges every register and memory access is made of.
#include "platform/Clock.h"
#include "transport/CVKLSdkLib.h"
#include "transport/ResultCodes.h"
#include <cstdio>
#include <cstring>

namespace {

// Stored as 16-bit characters in the camera maker's tables; note N before M.
constexpr char16_t kSuffixes[] = u"0123456789ABCDEFGHIJKLNMOPQRSTUVWXYZ";

constexpr int kQueryPauseMs = 6;

} // namespace

CVKLSdkLib::CVKLSdkLib(platform::IDeviceIo &io) : m_io(io) {
    for (auto &p : m_present)
        p.store(0);
}

CVKLSdkLib::~CVKLSdkLib() {
    StopTransfer();
    JoinTransferThread();
    CloseFrameHandle();
}

std::string CVKLSdkLib::FormatDevicePath(const char *baseName, int index) {
    if (index < 0 || index >= static_cast<int>(sizeof kSuffixes / sizeof kSuffixes[0]) - 1)
        return {};
    char path[128];
    std::snprintf(path, sizeof path, "\\\\.\\%s-%c", baseName, static_cast<char>(kSuffixes[index]));
    return path;
}

std::string CVKLSdkLib::DevicePath() const {
    std::lock_guard<std::mutex> lock(m_pathLock);
    return m_devicePath;
}

bool CVKLSdkLib::OpenDevice(const char *path, platform::DeviceHandle *handle) {
    if (!path || !handle)
        return false;
    *handle = m_io.Open(path);
    return *handle != nullptr;
}

bool CVKLSdkLib::CloseDevice(platform::DeviceHandle *handle) {
    if (!handle || !*handle)
        return false;
    m_io.Close(*handle);
    *handle = nullptr;
    return true;
}

int CVKLSdkLib::PipeTransfer(platform::DeviceHandle handle, uint32_t pipe, uint32_t length, void *buffer,
                             uint32_t *returned, int direction) {
    return Transfer(handle, direction == 1 ? platform::IOCTL_PIPE_IN_DIRECT : platform::IOCTL_PIPE_OUT_DIRECT, pipe,
                    length, buffer, returned, true);
}

int CVKLSdkLib::PipeTransferLarge(platform::DeviceHandle handle, uint32_t pipe, uint32_t length, void *buffer,
                                  uint32_t *returned, int direction) {
    return Transfer(handle,
                    direction == 1 ? platform::IOCTL_PIPE_IN_DIRECT_LARGE : platform::IOCTL_PIPE_OUT_DIRECT_LARGE,
                    pipe, length, buffer, returned, false);
}

int CVKLSdkLib::Transfer(platform::DeviceHandle handle, uint32_t code, uint32_t pipe, uint32_t length, void *buffer,
                         uint32_t *returned, bool fineTimer) {
    if (!buffer)
        return result::kPipeNullBuffer;
    if (!handle)
        return result::kPipeNullHandle;
    uint32_t count = 0;
    if (fineTimer)
        platform::TimerBeginPeriod1ms();
    const bool ok = m_io.Control(handle, code, &pipe, sizeof pipe, buffer, length, &count);
    if (returned)
        *returned = count;
    if (fineTimer)
        platform::TimerEndPeriod1ms();
    return ok ? 0 : result::kPipeFailed;
}

int CVKLSdkLib::ReadPipe(platform::DeviceHandle handle, uint32_t pipe, uint32_t length, void *buffer) {
    return WholeTransfer(handle, pipe, length, buffer, 0);
}

int CVKLSdkLib::WritePipe(platform::DeviceHandle handle, uint32_t pipe, uint32_t length, void *buffer) {
    return WholeTransfer(handle, pipe, length, buffer, 1);
}

int CVKLSdkLib::WholeTransfer(platform::DeviceHandle handle, uint32_t pipe, uint32_t length, void *buffer,
                              int direction) {
    if (!handle)
        return result::kNotOpened;
    uint32_t count = 0;
    if (PipeTransfer(handle, pipe, length, buffer, &count, direction) != 0 || count != length)
        return result::kTransferFailed;
    return result::kOk;
}

bool CVKLSdkLib::SendTransferTimeout(platform::DeviceHandle handle, int value) {
    uint8_t record[44] = {};
    const uint32_t one = 1;
    const uint32_t timeout = static_cast<uint32_t>(value);
    std::memcpy(record, &one, 4);
    std::memcpy(record + 4, &timeout, 4);
    uint32_t count = 0;
    return m_io.Control(handle, platform::IOCTL_SET_TRANSFER_TIMEOUT, record, sizeof record, nullptr, 0, &count);
}

void CVKLSdkLib::SetTransferTimeout(int value) {
    m_transferTimeout.store(value);
    platform::DeviceHandle handle = nullptr;
    std::string path = DevicePath();
    if (!OpenDevice(path.c_str(), &handle))
        return;
    SendTransferTimeout(handle, value);
    CloseDevice(&handle);
}

void CVKLSdkLib::EnumerateDevices() {
    for (int i = 0; i < kMaxDevices; ++i) {
        std::string path = FormatDevicePath(m_baseName, i);
        platform::DeviceHandle handle = nullptr;
        bool present = OpenDevice(path.c_str(), &handle);
        if (present)
            CloseDevice(&handle);
        m_present[i].store(present ? 1 : 0);
    }
    m_deviceIndex.store(0);
}

bool CVKLSdkLib::IsDevicePresent(int index) const {
    return index >= 0 && index < kMaxDevices && m_present[index].load() != 0;
}

int CVKLSdkLib::SelectDevice(int index) {
    if (static_cast<unsigned>(index) > static_cast<unsigned>(kMaxDevices))
        return result::kBadIndex;
    m_deviceIndex.store(index);
    std::string path = FormatDevicePath(m_baseName, index);
    std::lock_guard<std::mutex> lock(m_pathLock);
    std::snprintf(m_devicePath, sizeof m_devicePath, "%s", path.c_str());
    return result::kOk;
}

bool CVKLSdkLib::CommandExchange(const cmd::Buffer &command, uint32_t pauseBeforeCloseMs) {
    platform::DeviceHandle handle = nullptr;
    std::string path = DevicePath();
    if (!OpenDevice(path.c_str(), &handle))
        return false;
    cmd::Buffer buffer = command;
    bool ok = WritePipe(handle, platform::kCommandPipe, cmd::kSize, buffer.data()) == result::kOk;
    if (pauseBeforeCloseMs)
        m_io.Pause(pauseBeforeCloseMs);
    CloseDevice(&handle);
    return ok;
}

bool CVKLSdkLib::QueryExchange(cmd::Buffer &buffer, bool withPauses, bool *writeOk, bool *secondReadOk) {
    if (writeOk)
        *writeOk = false;
    if (secondReadOk)
        *secondReadOk = false;
    platform::DeviceHandle handle = nullptr;
    std::string path = DevicePath();
    if (!OpenDevice(path.c_str(), &handle))
        return false;
    bool wrote = WritePipe(handle, platform::kCommandPipe, cmd::kSize, buffer.data()) == result::kOk;
    if (writeOk)
        *writeOk = wrote;
    if (withPauses) {
        // The camera needs the pause to fetch the value; the first reply is stale.
        m_io.Pause(kQueryPauseMs);
        ReadPipe(handle, platform::kReplyPipe, cmd::kSize, buffer.data());
        bool second = ReadPipe(handle, platform::kReplyPipe, cmd::kSize, buffer.data()) == result::kOk;
        if (secondReadOk)
            *secondReadOk = second;
        m_io.Pause(kQueryPauseMs);
    } else if (wrote) {
        ReadPipe(handle, platform::kReplyPipe, cmd::kSize, buffer.data());
        bool second = ReadPipe(handle, platform::kReplyPipe, cmd::kSize, buffer.data()) == result::kOk;
        if (secondReadOk)
            *secondReadOk = second;
    }
    CloseDevice(&handle);
    return true;
}

int CVKLSdkLib::SetVariant(int value) {
    m_variant = static_cast<unsigned>(value) > 2u ? 1 : value;
    return 1;
}

int CVKLSdkLib::SetWordMode(int flag) {
    m_wordFlag.store(flag);
    CommandExchange(cmd::Make(cmd::SET_WORD_MODE, {static_cast<uint8_t>(flag != 0)}));
    return 1;
}

void CVKLSdkLib::ResetGeometryDefaults() {
    // A device switch may come while a capture thread copies frames with this geometry.
    std::lock_guard<std::mutex> lock(m_bufferLock);
    m_lineWidth = 1339;
    m_xOffset = 50;
    m_width = 1280;
    m_rows = 1040;
    m_yOffset = 10;
    m_height = 1028;
}
