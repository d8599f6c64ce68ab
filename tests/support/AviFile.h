// A recorded AVI file read back field by field, for checks of its layout.
#pragma once
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class CAviFile {
public:
    explicit CAviFile(const std::string &name) {
        std::ifstream in(name, std::ios::binary);
        m_bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    size_t Size() const { return m_bytes.size(); }
    uint32_t U32(size_t offset) const {
        uint32_t v = 0;
        if (offset + 4 <= m_bytes.size())
            std::memcpy(&v, m_bytes.data() + offset, 4);
        return v;
    }
    uint16_t U16(size_t offset) const { return static_cast<uint16_t>(U32(offset) & 0xFFFF); }
    std::string Tag(size_t offset) const {
        return offset + 4 <= m_bytes.size() ? std::string(reinterpret_cast<const char *>(&m_bytes[offset]), 4) : "";
    }
    const uint8_t *At(size_t offset) const { return m_bytes.data() + offset; }

    // Where the index starts: after the movi list, whose size the header holds.
    size_t IndexOffset() const { return 224 + 4 + U32(224); }
    uint32_t IndexEntries() const { return U32(IndexOffset() + 4) / 16; }
    // Whether headers, chunks and index agree with each other and with the file's size:
    // an empty string, or what is wrong.
    std::string Consistency() const {
        const uint32_t frames = U32(48);
        const uint32_t chunk = U32(60) - 8;
        if (Size() < 232 || Tag(0) != "RIFF" || Tag(228) != "movi")
            return "no AVI headers";
        if (U32(4) != Size() - 8)
            return "RIFF size " + std::to_string(U32(4)) + " for a file of " + std::to_string(Size());
        if (U32(140) != frames || Tag(IndexOffset()) != "idx1" || IndexEntries() != frames)
            return "frame counts differ: header " + std::to_string(frames) + ", stream " + std::to_string(U32(140)) +
                   ", index " + std::to_string(IndexEntries());
        if (U32(224) != 4 + uint64_t{frames} * (chunk + 8))
            return "movi size " + std::to_string(U32(224));
        for (uint32_t i = 0; i < frames; ++i) {
            const size_t entry = IndexOffset() + 8 + 16 * size_t{i};
            const uint32_t expected = 4 + i * (chunk + 8);
            if (Tag(entry) != "00db" || U32(entry + 4) != 0x10 || U32(entry + 8) != expected ||
                U32(entry + 12) != chunk || Tag(228 + expected) != "00db")
                return "index entry " + std::to_string(i);
        }
        return "";
    }

private:
    std::vector<uint8_t> m_bytes;
};
