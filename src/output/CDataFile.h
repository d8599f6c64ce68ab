// The file object: creates files for writing (bitmaps, raw dumps, mask and AVI files)
// and reads a whole file into memory (configuration files). It owns at most one open
// file and one content buffer and lets go of both on Close or when it goes away.
#pragma once
#include "platform/File.h"
#include <cstdint>

class CDataFile {
public:
    CDataFile() { Reset(); }
    ~CDataFile() { Close(); }
    CDataFile(const CDataFile &) = delete;
    CDataFile &operator=(const CDataFile &) = delete;

    // Forgets every field without releasing anything.
    void Reset();

    // Releases what is held; safe to repeat.
    void Close();

    // Truncates an existing file or creates a new one, not shared with other openers.
    // Returns the handle, which stays open until Close, or null.
    platform::FileHandle OpenForWriting(const char *name);

    // Reads the whole file into an owned buffer and closes the file at once. Returns
    // the first byte (also for an empty file), or null when the file cannot be opened
    // or read completely. One zero byte follows the content, so text can be scanned
    // without looking at DataEnd on every byte.
    const uint8_t *Load(const char *name);

    // Writes through the handle of OpenForWriting; true when every byte went out.
    bool Write(const void *data, uint32_t bytes);
    // Moves the write position; false without an open file.
    bool Seek(int64_t offset, platform::FileOrigin origin = platform::FileOrigin::Begin);
    // Ends the file after `size` bytes, cutting off what lies beyond; the write position
    // is left there. False without an open file.
    bool Truncate(uint64_t size);

    // Tests stand in for a slow disk or network share: `hook` runs on the writing
    // thread before every write. Null for none.
    static void SetBeforeWriteForTesting(void (*hook)());

    platform::FileHandle Handle() const { return m_file; }
    const uint8_t *DataStart() const { return m_dataStart; }
    const uint8_t *DataEnd() const { return m_dataEnd; }
    const uint8_t *Position() const { return m_position; }
    // Moves the read position inside the loaded content (kept within start..end).
    void SetPosition(const uint8_t *position);
    // Size measured when the file was opened (0 after truncation) or loaded.
    uint32_t Size() const { return m_size; }

private:
    platform::FileHandle m_file;
    const uint8_t *m_dataStart;
    const uint8_t *m_dataEnd;
    const uint8_t *m_position;
    uint32_t m_size;
    uint8_t *m_content;
};
