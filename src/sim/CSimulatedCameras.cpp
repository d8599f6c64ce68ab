#include "sim/CSimulatedCameras.h"
#include <cctype>
#include <chrono>
#include <cstring>
#include <thread>

namespace sim {

namespace {

// Handle tokens count up for the life of the process, so a closed handle never comes back
// as somebody else's; the tag keeps them away from small integers and real pointers.
std::atomic<uint64_t> g_nextHandle{1};
constexpr uintptr_t kHandleTag = uintptr_t(0x5E) << 40;

uint32_t ReadLe32(const void *p) {
    const auto *b = static_cast<const uint8_t *>(p);
    return b[0] | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

bool EqualNoCase(const char *a, const char *b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool IsPipeCode(uint32_t code) {
    return code == platform::IOCTL_PIPE_OUT_DIRECT || code == platform::IOCTL_PIPE_IN_DIRECT ||
           code == platform::IOCTL_PIPE_OUT_DIRECT_LARGE || code == platform::IOCTL_PIPE_IN_DIRECT_LARGE;
}

} // namespace

CSimulatedCameras::CSimulatedCameras(const CSimConfig &config) : m_realtimePauses(config.realtimePauses) {
    for (int device : config.devices)
        if (device >= 0 && device < kMaxDevices && !m_cameras[device])
            m_cameras[device] = std::make_unique<CSimCamera>(device, config, m_log);
}

CSimulatedCameras::~CSimulatedCameras() = default;

std::string CSimulatedCameras::DevicePath(int device) {
    if (device < 0 || device >= kMaxDevices)
        return std::string();
    return std::string(kDevicePathPrefix) + kDeviceBaseName + "-" + kSuffixAlphabet[device];
}

int CSimulatedCameras::DeviceFromPath(const char *path) {
    if (!path)
        return -1;
    const std::string expected = DevicePath(0); // every path but the last character
    const size_t stem = expected.size() - 1;
    if (std::strlen(path) != expected.size() || !EqualNoCase(path, expected.c_str(), stem))
        return -1;
    const char suffix = char(std::toupper(static_cast<unsigned char>(path[stem])));
    for (int device = 0; device < kMaxDevices; ++device)
        if (kSuffixAlphabet[device] == suffix)
            return device;
    return -1;
}

CSimCamera *CSimulatedCameras::Camera(int device) {
    return device >= 0 && device < kMaxDevices ? m_cameras[device].get() : nullptr;
}

std::vector<int> CSimulatedCameras::Devices() const {
    std::vector<int> devices;
    for (int device = 0; device < kMaxDevices; ++device)
        if (m_cameras[device])
            devices.push_back(device);
    return devices;
}

size_t CSimulatedCameras::OpenHandles() const {
    std::lock_guard<std::mutex> lock(m_handlesLock);
    return m_handles.size();
}

void CSimulatedCameras::SetPacing(Pacing pacing) {
    for (auto &camera : m_cameras)
        if (camera)
            camera->SetPacing(pacing);
}

void CSimulatedCameras::SetRealtimePauses(bool realtime) { m_realtimePauses = realtime; }

platform::DeviceHandle CSimulatedCameras::Open(const char *path) {
    CSimCamera *camera = Camera(DeviceFromPath(path));
    if (!camera)
        return nullptr;
    const auto generation = camera->OpenGeneration();
    if (!generation)
        return nullptr;
    auto handle = std::make_shared<CHandle>();
    handle->camera = camera;
    handle->generation = *generation;
    const uintptr_t token = kHandleTag | uintptr_t(g_nextHandle.fetch_add(1) << 4);
    std::lock_guard<std::mutex> lock(m_handlesLock);
    m_handles.emplace(token, std::move(handle));
    return reinterpret_cast<platform::DeviceHandle>(token);
}

bool CSimulatedCameras::Close(platform::DeviceHandle handle) {
    std::lock_guard<std::mutex> lock(m_handlesLock);
    return m_handles.erase(reinterpret_cast<uintptr_t>(handle)) == 1;
}

std::shared_ptr<CSimulatedCameras::CHandle> CSimulatedCameras::Find(platform::DeviceHandle handle) const {
    std::lock_guard<std::mutex> lock(m_handlesLock);
    const auto it = m_handles.find(reinterpret_cast<uintptr_t>(handle));
    return it == m_handles.end() ? nullptr : it->second;
}

void CSimulatedCameras::Pause(uint32_t ms) {
    m_log.RecordPause(ms);
    if (m_realtimePauses)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool CSimulatedCameras::WriteCommand(CHandle &h, uint32_t code, const uint8_t *out, uint32_t outBytes,
                                     uint32_t *returned) {
    if (!out || outBytes != kCommandBytes)
        return false;
    std::lock_guard<std::mutex> lock(h.lock);
    h.reply.reset();
    h.firstReplyRead = false;
    if (!h.camera->ExecuteCommand(h.generation, code, out, &h.reply))
        return false;
    *returned = kCommandBytes;
    return true;
}

bool CSimulatedCameras::ReadReply(CHandle &h, uint8_t *out, uint32_t outBytes, uint32_t *returned) {
    if (!out || outBytes < kReplyBytes)
        return false;
    std::lock_guard<std::mutex> lock(h.lock);
    bool corrupt = false;
    if (!h.reply || !h.camera->BeginReplyRead(h.generation, h.firstReplyRead, &corrupt))
        return false;
    std::memset(out, 0, kReplyBytes);
    out[1] = h.reply->code;
    if (!h.firstReplyRead) {
        // The first reply is the camera's acknowledgement; the value follows in the second.
        out[0] = uint8_t(h.reply->value ^ kFirstReplyMask);
        out[2] = kFirstReplyStatus;
        h.firstReplyRead = true;
        *returned = kReplyBytes;
        return true;
    }
    out[0] = corrupt ? uint8_t(h.reply->value ^ kFirstReplyMask) : h.reply->value;
    h.reply.reset();
    *returned = corrupt ? kCorruptReplyBytes : kReplyBytes;
    return true;
}

bool CSimulatedCameras::Control(platform::DeviceHandle handle, uint32_t code, const void *in, uint32_t inBytes,
                                void *out, uint32_t outBytes, uint32_t *returned) {
    uint32_t moved = 0;
    bool ok = false;
    const std::shared_ptr<CHandle> h = Find(handle);
    if (h && code == platform::IOCTL_SET_TRANSFER_TIMEOUT) {
        ok = in && inBytes == kTimeoutRecordBytes && ReadLe32(in) == kTimeoutRecordTag &&
             h->camera->SetTransferTimeout(h->generation, int32_t(ReadLe32(static_cast<const uint8_t *>(in) + 4)));
    } else if (h && IsPipeCode(code) && in && inBytes == kPipeNumberBytes) {
        auto *buffer = static_cast<uint8_t *>(out);
        switch (ReadLe32(in)) {
        case platform::kCommandPipe:
            ok = WriteCommand(*h, code, buffer, outBytes, &moved);
            break;
        case platform::kReplyPipe:
            ok = ReadReply(*h, buffer, outBytes, &moved);
            break;
        case platform::kImagePipe:
            ok = buffer && h->camera->ReadImage(h->generation, buffer, outBytes, &moved);
            break;
        default:
            break;
        }
    }
    if (returned)
        *returned = ok ? moved : 0;
    return ok;
}

} // namespace sim
