// The recorder of a camera instance: a thread that appends each new picture of the
// running preview, as a 24-bit frame, to an AVI file for a given time, and finishes the
// file however the recording ends — its time passed, the 4 GB limit, a picture of
// another size than the file's (a new capture window), a stop, the end of the capture
// loop, or a write error.
//
// It shares with the capture thread only the new-frame flag and the image lock: the
// picture is converted under the lock into the recorder's own frame, which is written
// after the lock is left, so a slow disk never holds up the capture thread.
#pragma once
#include "image/CImageBuffer.h"
#include "output/CAviWriter.h"
#include "platform/Event.h"
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// What the recorder needs from the camera that feeds it.
struct RecorderSource {
    std::mutex *imageLock;               // guards the picture below
    std::function<const CImageBuffer *()> picture; // the finished picture of the colour mode; under the image lock
    std::function<bool()> streaming;               // false once the capture loop has ended
    std::function<void(int32_t)> raiseError;       // records and announces an error code
};

class CRecorder {
public:
    static constexpr uint32_t kPollMs = 10;

    explicit CRecorder(RecorderSource source) : m_source(std::move(source)) {}
    ~CRecorder() { Stop(); }
    CRecorder(const CRecorder &) = delete;
    CRecorder &operator=(const CRecorder &) = delete;

    // Finishes a recording still running, then opens `path` for pictures of the current
    // size and starts the thread. The time counts from the first new picture, not from
    // this call. 0 on success, else the error code: 12 when the file cannot be made or
    // there is no picture to take the size from, 5 without memory, 3 without a thread.
    int Start(const char *path, uint32_t milliseconds);
    // Ends a running recording, finishing its file, and waits for the thread. Safe to
    // repeat and to call when nothing records.
    void Stop();
    // The capture thread calls this after each processed picture. It also ends the
    // recorder's pause at once: polling alone would lose the pictures of a camera faster
    // than the poll.
    void NewFrame() {
        m_newFrame.store(true, std::memory_order_release);
        m_wake.Set();
    }

    // Whether the thread still records; false once the file is finished.
    bool Active() const { return m_active.load(); }
    uint32_t FramesWritten() const { return m_frames.load(); }
    // Takes effect at the next Start; tests use it instead of writing 4 GB.
    void SetSizeLimitForTesting(uint64_t bytes) { m_sizeLimit = bytes; }

private:
    void StopLocked();
    void Run();
    // Converts the current picture into m_frame; false when it is not of the size and
    // depth the recording started with, which ends the recording: the file's frames all
    // have the size its headers give.
    bool TakePicture();
    bool Convert(const CImageBuffer &picture);

    const RecorderSource m_source;
    // Start and Stop come one at a time; guards m_thread. Never held by the thread.
    std::mutex m_control;
    std::thread m_thread;
    std::atomic<bool> m_active{false};
    // Set by the capture thread, taken by the recorder: a picture that comes before the
    // previous one was taken is recorded once.
    std::atomic<bool> m_newFrame{false};
    std::atomic<uint32_t> m_frames{0};
    // Ends the pause between polls early for a new picture or a stop.
    platform::CEvent m_wake{false};
    uint64_t m_sizeLimit = CAviWriter::kSizeLimit;

    // Set by Start before the thread begins, then the thread's alone until it is joined.
    CAviWriter m_writer;
    CImageBuffer m_frame;  // 24-bit, bottom row first: what goes into the file
    CImageBuffer m_work24; // 8-bit pictures expanded to colour, 48/64-bit ones reduced to it
    CImageBuffer m_work8;  // 16-bit pictures reduced to 8 bits
    int32_t m_width = 0;
    int32_t m_height = 0;
    int m_bits = 0;
    uint32_t m_duration = 0;
};
