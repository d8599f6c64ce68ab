// The AVI writer: one video stream of uncompressed 24-bit bottom-up bitmaps with an
// index, as every common player reads it. The headers go out when the file is opened
// with placeholder sizes; each frame is appended as one "00db" chunk while its index
// entry is kept in memory; finishing writes the index and patches sizes, frame count
// and the measured rate into the headers.
//
// The RIFF sizes are 32 bits wide, so a file cannot grow past 4 GB: the writer tells
// when the next frame (with its index entry) would no longer fit, and refuses it.
#pragma once
#include "output/CDataFile.h"
#include <cstdint>
#include <vector>

class CImageBuffer;

// What a finished file says about time and data rate.
struct AviTiming {
    uint32_t rate;              // measured rate, hundredths of a frame per second (0: not measured)
    uint32_t microsPerFrame;    // main header
    uint32_t scale;             // stream header, against a rate of 10 000 000 per second
    uint32_t maxBytesPerSecond; // main header: frame size times frame rate
};

// Timing of a file just opened: 30 frames a second.
AviTiming AviOpeningTiming(uint32_t frameBytes);
// Timing of `frames` frames whose first and last arrived `spanMs` milliseconds apart:
// frames - 1 intervals, so that the file plays as fast as the frames came. One frame
// measures nothing, and a rate below one hundredth of a frame per second cannot be
// written as a time per frame: the opening values stay then.
AviTiming AviMeasuredTiming(uint32_t frames, uint32_t spanMs, uint32_t frameBytes);

class CAviWriter {
public:
    // The RIFF size field's range, which every size of the file must fit.
    static constexpr uint64_t kSizeLimit = 0xFFFFFFFFull;
    static constexpr uint32_t kHeaderBytes = 232; // "RIFF" up to and with "movi"

    CAviWriter() = default;
    CAviWriter(const CAviWriter &) = delete;
    CAviWriter &operator=(const CAviWriter &) = delete;

    // Closes a file left open (unfinished) and forgets everything.
    void Reset();
    // Creates or truncates the file and writes the headers for frames of width x height.
    // False when the file cannot be made or written; nothing stays open then.
    bool Open(const char *name, int32_t width, int32_t height);
    // Appends a 24-bit frame of the opened size, rows stored bottom row first. False when
    // the frame does not match, does not fit or cannot be written; the file then still
    // ends after the last whole frame.
    bool Append(const CImageBuffer &frame);
    // Whether one more frame and its index entry fit the size fields.
    bool HasRoomForFrame() const;
    // Writes the index and the final headers and closes the file. What can be written is
    // written even after a failed append: a file whose index cannot be written any more is
    // still described by its headers, without the index flag. True when all of it went out.
    bool Finish(const AviTiming &timing);

    bool IsOpen() const { return m_file.Handle() != nullptr; }
    uint32_t Frames() const { return static_cast<uint32_t>(m_index.size()); }
    uint32_t FrameBytes() const { return m_frameBytes; }
    // Bytes the file holds so far.
    uint64_t FileBytes() const { return uint64_t{m_riffSize} + 8; }
    // Tests make the limit small instead of writing 4 GB.
    void SetSizeLimit(uint64_t bytes) { m_sizeLimit = bytes; }

private:
    struct IndexEntry {
        uint32_t movieOffset; // from the "movi" identifier
    };
    bool WriteIndex();
    bool Patch(uint32_t offset, uint32_t value);

    CDataFile m_file;
    std::vector<IndexEntry> m_index;
    int32_t m_width = 0;
    int32_t m_height = 0;
    uint32_t m_frameBytes = 0;
    uint32_t m_riffSize = 0;  // bytes after the RIFF size field
    uint32_t m_movieSize = 0; // bytes after the movi list's size field
    uint64_t m_sizeLimit = kSizeLimit;
};
