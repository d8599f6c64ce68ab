#include "output/CAviWriter.h"
#include "image/CImageBuffer.h"
#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t kOpeningRate = 3000;           // 30 frames a second, in hundredths
constexpr uint32_t kStreamRate = 10000000;        // the stream header's time base
constexpr uint32_t kFlagHasIndex = 0x10;
constexpr uint32_t kFlagWasCapture = 0x10000;
constexpr uint32_t kKeyFrame = 0x10;
constexpr uint32_t kMoviSizeOffset = 224;

// Header fields patched when the file is finished.
enum Field : uint32_t {
    kRiffSize = 4, kMicrosPerFrame = 32, kMaxBytesPerSecond = 36, kFlags = 44, kTotalFrames = 48,
    kScale = 128, kLength = 140,
};

void Put32(uint8_t *at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}
void Put16(uint8_t *at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}
void PutTag(uint8_t *at, const char *tag) { std::memcpy(at, tag, 4); }

uint32_t Saturated(uint64_t value) { return value > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(value); }

uint32_t StrideOf24(int32_t width) { return (static_cast<uint32_t>(width) * 3 + 3) & ~3u; }

// Everything from "RIFF" to "movi" as it stands while recording: sizes and counts 0.
void FillHeaders(uint8_t *h, int32_t width, int32_t height, uint32_t frameBytes) {
    std::memset(h, 0, CAviWriter::kHeaderBytes);
    const AviTiming opening = AviOpeningTiming(frameBytes);
    PutTag(h + 0, "RIFF");
    PutTag(h + 8, "AVI ");
    PutTag(h + 12, "LIST");
    Put32(h + 16, 200); // "hdrl" + avih chunk + strl list
    PutTag(h + 20, "hdrl");
    PutTag(h + 24, "avih");
    Put32(h + 28, 56);
    Put32(h + kMicrosPerFrame, opening.microsPerFrame);
    Put32(h + kMaxBytesPerSecond, opening.maxBytesPerSecond);
    Put32(h + kFlags, kFlagHasIndex | kFlagWasCapture);
    Put32(h + 56, 1); // streams
    Put32(h + 60, frameBytes + 8);
    Put32(h + 64, static_cast<uint32_t>(width));
    Put32(h + 68, static_cast<uint32_t>(height));
    PutTag(h + 88, "LIST");
    Put32(h + 92, 124); // "strl" + strh chunk + strf chunk
    PutTag(h + 96, "strl");
    PutTag(h + 100, "strh");
    Put32(h + 104, 64);
    PutTag(h + 108, "vids");
    PutTag(h + 112, "DIB ");
    Put32(h + kScale, opening.scale);
    Put32(h + 132, kStreamRate);
    Put32(h + 144, frameBytes + 8);
    PutTag(h + 172, "strf");
    Put32(h + 176, 40);
    Put32(h + 180, 40);
    Put32(h + 184, static_cast<uint32_t>(width));
    Put32(h + 188, static_cast<uint32_t>(height)); // positive: bottom-up rows
    Put16(h + 192, 1);
    Put16(h + 194, 24);
    PutTag(h + 220, "LIST");
    PutTag(h + 228, "movi");
}

} // namespace

AviTiming AviOpeningTiming(uint32_t frameBytes) {
    return {0, 100000000u / kOpeningRate, 1000000000u / kOpeningRate,
            Saturated(uint64_t{frameBytes} * kOpeningRate / 100)};
}

AviTiming AviMeasuredTiming(uint32_t frames, uint32_t spanMs, uint32_t frameBytes) {
    const uint64_t intervals = frames > 1 ? frames - 1 : 0;
    const uint64_t rate = spanMs ? intervals * 100000 / spanMs : 0;
    if (rate == 0)
        return AviOpeningTiming(frameBytes);
    return {Saturated(rate), static_cast<uint32_t>(100000000u / rate), static_cast<uint32_t>(1000000000u / rate),
            Saturated(uint64_t{frameBytes} * rate / 100)};
}

void CAviWriter::Reset() {
    m_file.Close();
    m_index.clear();
    m_width = m_height = 0;
    m_frameBytes = m_riffSize = m_movieSize = 0;
}

bool CAviWriter::Open(const char *name, int32_t width, int32_t height) {
    Reset();
    if (width <= 0 || height <= 0 || uint64_t{StrideOf24(width)} * uint64_t(height) > m_sizeLimit)
        return false;
    if (!m_file.OpenForWriting(name))
        return false;
    m_width = width;
    m_height = height;
    m_frameBytes = StrideOf24(width) * static_cast<uint32_t>(height);
    uint8_t headers[kHeaderBytes];
    FillHeaders(headers, width, height, m_frameBytes);
    if (!m_file.Write(headers, kHeaderBytes)) {
        Reset();
        return false;
    }
    m_riffSize = kHeaderBytes - 8;
    m_movieSize = 4; // "movi"
    return true;
}

bool CAviWriter::HasRoomForFrame() const {
    const uint64_t frames = m_index.size() + 1;
    const uint64_t riffAfter = uint64_t{m_riffSize} + (uint64_t{m_frameBytes} + 8) + 8 + 16 * frames;
    return IsOpen() && riffAfter <= m_sizeLimit;
}

bool CAviWriter::Append(const CImageBuffer &frame) {
    if (!HasRoomForFrame() || frame.BitsPerPixel() != 24 || frame.Width() != m_width ||
        frame.Height() != m_height || frame.IsEmpty())
        return false;
    // Room for the entry first: a frame on disk is always one the index lists.
    if (m_index.size() == m_index.capacity()) {
        try {
            m_index.reserve(std::max<size_t>(256, m_index.capacity() * 2));
        } catch (const std::bad_alloc &) {
            return false;
        }
    }
    uint8_t chunk[8];
    PutTag(chunk, "00db");
    Put32(chunk + 4, m_frameBytes);
    if (!m_file.Write(chunk, sizeof chunk) || !m_file.Write(frame.Pixels(), m_frameBytes))
        return false;
    m_index.push_back({m_movieSize});
    m_riffSize += m_frameBytes + 8;
    m_movieSize += m_frameBytes + 8;
    return true;
}

bool CAviWriter::WriteIndex() {
    // After a failed append the file may hold part of a chunk: the index goes over it.
    if (!m_file.Seek(int64_t{m_riffSize} + 8))
        return false;
    std::vector<uint8_t> block;
    try {
        block.resize(8 + 16 * m_index.size());
    } catch (const std::bad_alloc &) {
        return false;
    }
    PutTag(block.data(), "idx1");
    Put32(block.data() + 4, static_cast<uint32_t>(16 * m_index.size()));
    uint8_t *entry = block.data() + 8;
    for (const IndexEntry &e : m_index) {
        PutTag(entry, "00db");
        Put32(entry + 4, kKeyFrame);
        Put32(entry + 8, e.movieOffset);
        Put32(entry + 12, m_frameBytes);
        entry += 16;
    }
    if (!m_file.Write(block.data(), static_cast<uint32_t>(block.size())))
        return false;
    m_riffSize += static_cast<uint32_t>(block.size());
    return true;
}

bool CAviWriter::Patch(uint32_t offset, uint32_t value) {
    uint8_t bytes[4];
    Put32(bytes, value);
    return m_file.Seek(offset) && m_file.Write(bytes, 4);
}

bool CAviWriter::Finish(const AviTiming &timing) {
    if (!IsOpen())
        return false;
    const bool indexed = WriteIndex();
    const uint32_t frames = Frames();
    // What a failed write left beyond the logical end (part of a chunk longer than the
    // index, part of the index) goes: the file ends where its RIFF size says.
    bool ok = m_file.Truncate(uint64_t{m_riffSize} + 8);
    // The patches overwrite bytes already on disk: they succeed on a full disk too.
    ok = Patch(kRiffSize, m_riffSize) && Patch(kMoviSizeOffset, m_movieSize) && ok;
    ok = Patch(kTotalFrames, frames) && Patch(kLength, frames) && ok;
    ok = Patch(kMicrosPerFrame, timing.microsPerFrame) && Patch(kScale, timing.scale) && ok;
    ok = Patch(kMaxBytesPerSecond, timing.maxBytesPerSecond) && ok;
    ok = Patch(kFlags, indexed ? kFlagHasIndex | kFlagWasCapture : kFlagWasCapture) && ok;
    m_file.Close();
    return indexed && ok;
}
