#include "output/CDataFile.h"
#include <atomic>
#include <new>

namespace {
std::atomic<void (*)()> g_beforeWrite{nullptr};
} // namespace

void CDataFile::SetBeforeWriteForTesting(void (*hook)()) { g_beforeWrite.store(hook); }

void CDataFile::Reset() {
    m_file = nullptr;
    m_dataStart = nullptr;
    m_dataEnd = nullptr;
    m_position = nullptr;
    m_size = 0;
    m_content = nullptr;
}

void CDataFile::Close() {
    m_dataStart = nullptr;
    m_dataEnd = nullptr;
    m_position = nullptr;
    if (m_content) {
        delete[] m_content;
        m_content = nullptr;
    }
    if (m_file) {
        platform::FileClose(m_file);
        m_file = nullptr;
    }
}

platform::FileHandle CDataFile::OpenForWriting(const char *name) {
    Close();
    m_file = platform::FileOpenForWriting(name);
    if (!m_file)
        return nullptr;
    uint64_t size = 0;
    platform::FileSize(m_file, &size);
    m_size = static_cast<uint32_t>(size);
    return m_file;
}

const uint8_t *CDataFile::Load(const char *name) {
    Close();
    platform::FileHandle file = platform::FileOpenForReading(name);
    if (!file)
        return nullptr;
    uint64_t size = 0;
    uint32_t got = 0;
    // The size field is 32 bits wide: a larger file is refused rather than cut short.
    bool ok = platform::FileSize(file, &size) && size < UINT32_MAX;
    uint8_t *content = ok ? new (std::nothrow) uint8_t[size + 1] : nullptr;
    // A short read is reported as a failure: no caller wants half a configuration.
    ok = content && platform::FileRead(file, content, static_cast<uint32_t>(size), &got) && got == size;
    platform::FileClose(file);
    if (!ok) {
        delete[] content;
        return nullptr;
    }
    content[size] = 0;
    m_content = content;
    m_size = static_cast<uint32_t>(size);
    m_dataStart = content;
    m_dataEnd = content + size;
    m_position = content;
    return m_dataStart;
}

bool CDataFile::Write(const void *data, uint32_t bytes) {
    if (void (*hook)() = g_beforeWrite.load())
        hook();
    uint32_t done = 0;
    return m_file && platform::FileWrite(m_file, data, bytes, &done) && done == bytes;
}

bool CDataFile::Seek(int64_t offset, platform::FileOrigin origin) {
    return m_file && platform::FileSeek(m_file, offset, origin);
}

bool CDataFile::Truncate(uint64_t size) {
    return Seek(static_cast<int64_t>(size)) && platform::FileSetEnd(m_file);
}

void CDataFile::SetPosition(const uint8_t *position) {
    if (!m_dataStart)
        return;
    if (position < m_dataStart)
        position = m_dataStart;
    if (position > m_dataEnd)
        position = m_dataEnd;
    m_position = position;
}
