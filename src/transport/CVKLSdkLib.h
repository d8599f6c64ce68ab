// The base of the camera driver object: device paths, the command protocol over the
// kernel driver's control codes, the transfer thread with its frame ring, the
// single-frame read and the camera's non-volatile memory.
#pragma once
#include "platform/DeviceIo.h"
#include "platform/Event.h"
#include "platform/PageMemory.h"
#include "transport/CFrameMailbox.h"
#include "transport/Commands.h"
#include "transport/ResultCodes.h"
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Where a copied frame goes: packed rows of `width` pixels, `height` rows.
struct FrameTarget {
    uint8_t *pixels;
    int32_t width;
    int32_t height;
    int32_t bytesPerPixel; // 1 for 8-bit transfers, 2 for word transfers
};

class CVKLSdkLib {
public:
    static constexpr int kMaxDevices = 32;
    static constexpr uint32_t kLargeTransferBytes = 3072000;
    static constexpr int kDefaultTimeoutMs = 3000;
    static constexpr int kFrameWaitMs = 6000;

    explicit CVKLSdkLib(platform::IDeviceIo &io);
    virtual ~CVKLSdkLib();
    CVKLSdkLib(const CVKLSdkLib &) = delete;
    CVKLSdkLib &operator=(const CVKLSdkLib &) = delete;

    // ---- virtual interface of the family ----
    // Copies the frame's window rows unchanged (x and y offsets, line width as stride).
    virtual int CopyFrame(const FrameTarget &output, const uint8_t *raw);
    // Stores the variant; anything above 2 (unsigned) is stored as 1.
    virtual int SetVariant(int value);
    virtual int SetWordMode(int flag);

    // ---- devices and the command protocol ----
    bool OpenDevice(const char *path, platform::DeviceHandle *handle);
    bool CloseDevice(platform::DeviceHandle *handle);
    int PipeTransfer(platform::DeviceHandle handle, uint32_t pipe, uint32_t length, void *buffer,
                     uint32_t *returned, int direction);
    int PipeTransferLarge(platform::DeviceHandle handle, uint32_t pipe, uint32_t length, void *buffer,
                          uint32_t *returned, int direction);
    int ReadPipe(platform::DeviceHandle handle, uint32_t pipe, uint32_t length, void *buffer);
    int WritePipe(platform::DeviceHandle handle, uint32_t pipe, uint32_t length, void *buffer);
    void SetTransferTimeout(int value);
    void EnumerateDevices();
    bool IsDevicePresent(int index) const;
    int GetMaxDevices() const { return kMaxDevices; }
    int GetDeviceIndex() const { return m_deviceIndex.load(); }
    int SelectDevice(int index);
    std::string DevicePath() const;
    static std::string FormatDevicePath(const char *baseName, int index);

    // One command on a short-lived handle. True when the path opened and the write succeeded.
    bool CommandExchange(const cmd::Buffer &command, uint32_t pauseBeforeCloseMs = 0);
    // Write a read command, read two replies, use byte 0 of the second. Returns whether
    // the path opened; *secondReadOk tells whether the second reply arrived whole.
    bool QueryExchange(cmd::Buffer &buffer, bool withPauses, bool *writeOk, bool *secondReadOk);

    // ---- frame geometry, ring and transfer thread ----
    int SetupBuffers(int lineWidth, int xOffset, int width, int rows, int yOffset, int height, int ringCount);
    int StartTransfer();
    int StopTransfer();
    // The state of the newest frame; waits up to `timeoutMs` for one newer than the
    // last handed over (0: looks without waiting).
    int WaitFrame(uint32_t timeoutMs = 0);
    // The same, but hands over the oldest frame the ring holds that was not handed over
    // yet, so that a late consumer loses only what the ring could not hold meanwhile.
    int WaitNextFrame(uint32_t timeoutMs);
    // The frame handed over last: its sequence number, arrival and the frames lost before it.
    CFrameMailbox::Ticket LastHandedOver() { return m_mailbox.LastHandedOver(); }
    int TakeFrame(const FrameTarget *output);
    int ReadSingleFrame();
    int ConvertSingleFrame(const FrameTarget *output);
    void CloseFrameHandle();
    // The single-frame channel stays open between reads. A camera unplugged and plugged
    // in again since then has left it dead without any read having failed: true when
    // that is so (the channel is closed then).
    bool FrameChannelLost();

    int FrameWidth() const { return m_width; }
    int FrameHeight() const { return m_height; }
    int FramePixelCount() const { return m_framePixelCount; }
    int SlotBytes() const { return m_slotBytes; }
    uint32_t TransferBytes() const;
    int WordFlag() const { return m_wordFlag.load(); }
    bool TransferRunning() const { return m_block.stop.load() == 0; }
    // The transfer thread ended by itself because the device did not open (it vanished
    // after it was enumerated): no frame will come until a new start.
    bool TransferNeverOpened() const {
        return m_block.stop.load() == 1 && m_block.result.load() == result::kNotOpened;
    }
    // Frames the transfer thread completed since it was last started.
    uint64_t CompletedFrames() { return m_mailbox.Completed(); }
    int LastTransferResult() const { return m_lastTransferResult.load(); }

    // ---- non-volatile memory ----
    bool ReadMemoryByte(uint16_t address, uint8_t *value);
    bool ReadSromByte(int index, uint8_t *value);
    bool WriteSromByte(int index, int value);
    // The serial-number read loop: up to 32 bytes ended by 0xFF. Returns whether the
    // memory answered; `serial` receives the bytes read (zero-filled behind them).
    bool ReadSerialBytes(uint8_t serial[32]);

    platform::IDeviceIo &Io() { return m_io; }

protected:
    // Sets the geometry defaults a freshly selected device starts with.
    void ResetGeometryDefaults();
    void SetLargeTransfer(bool large) { m_largeTransfer.store(large ? 1 : 0); }

    platform::IDeviceIo &m_io;

    // Device selection.
    std::atomic<int> m_transferTimeout{kDefaultTimeoutMs};
    char m_baseName[32] = {};
    std::atomic<int> m_present[kMaxDevices] = {};
    std::atomic<int> m_deviceIndex{0};
    mutable std::mutex m_pathLock; // the path is read by every exchange, on any thread
    char m_devicePath[128] = {};
    int m_variant = 0;

    // Frame geometry.
    std::atomic<int> m_wordFlag{0};
    int m_lineWidth = 1339;
    int m_xOffset = 50;
    int m_width = 1280;
    int m_rows = 1040;
    int m_yOffset = 10;
    int m_height = 1028;
    int m_rawPixelCount = 0;
    int m_framePixelCount = 0;
    std::atomic<int> m_largeTransfer{0};

private:
    struct Slot {
        platform::PageBuffer memory;
    };

    // State shared by the transfer thread and its consumer. It belongs to this object,
    // so several cameras stream at once without touching each other.
    // The frames themselves pass through m_mailbox.
    struct ThreadBlock {
        std::atomic<uint32_t> transferBytes{0};
        platform::CEvent doneEvent{true};
        std::atomic<int64_t> result{0};
        std::atomic<int> stop{1};
        std::atomic<int> failure{0};
        int ringCount = 0;
        int large = 0;
        std::string devicePath;
    };

    bool SendTransferTimeout(platform::DeviceHandle handle, int value);
    int Transfer(platform::DeviceHandle handle, uint32_t code, uint32_t pipe, uint32_t length, void *buffer,
                 uint32_t *returned, bool fineTimer);
    // A pipe transfer that must move exactly `length` bytes: 0, 10 or 12.
    int WholeTransfer(platform::DeviceHandle handle, uint32_t pipe, uint32_t length, void *buffer, int direction);
    void TransferThread();
    void JoinTransferThread();
    int StartTransferLocked();
    int StopTransferLocked();
    bool FitsFrame(const FrameTarget &output) const;
    int ReadFrameInto(platform::DeviceHandle handle, uint8_t *buffer, uint32_t bytes, uint32_t *returned);
    int WaitFrameIn(uint32_t timeoutMs, CFrameMailbox::Order order);

    // Buffers: the lock keeps them alive while a frame is copied out of them or read
    // into the single-frame buffer; SetupBuffers replaces them under it. The frame
    // geometry the copies use changes only under it too.
    std::mutex m_bufferLock;
    platform::PageBuffer m_singleFrame; // TransferBytes() at most: twice the frame's pixels
    bool m_singleFrameRead = false; // it holds a whole frame read by ReadSingleFrame
    std::vector<Slot> m_slots;
    int m_slotBytes = 0;

    // Lock order: m_threadLock, then m_bufferLock, then the mailbox's own lock.
    CFrameMailbox m_mailbox;
    ThreadBlock m_block;
    std::thread m_thread;
    std::mutex m_threadLock; // start and stop from different application threads

    platform::DeviceHandle m_frameHandle = nullptr; // kept by ReadSingleFrame
    std::atomic<int> m_lastTransferResult{0};
};
