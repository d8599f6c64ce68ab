// Plain files: the few calls the file object needs. On Windows CreateFileA and friends,
// elsewhere open/read/write; both refuse a second open of a file held for writing.
#pragma once
#include <cstdint>

namespace platform {

using FileHandle = void *; // null: not open

enum class FileOrigin { Begin, Current, End };

// Opens an existing file for writing and truncates it, else creates a new one. No
// other opener may share the file while it is held. Null on failure.
FileHandle FileOpenForWriting(const char *name);

// Opens an existing file for reading, not shared. Null on failure.
FileHandle FileOpenForReading(const char *name);

// The file's current size; false when it cannot be taken.
bool FileSize(FileHandle file, uint64_t *size);

// Reads or writes up to `bytes`; the count actually moved goes to *done.
bool FileRead(FileHandle file, void *data, uint32_t bytes, uint32_t *done);
bool FileWrite(FileHandle file, const void *data, uint32_t bytes, uint32_t *done);

// Moves the file position; the new position from the start goes to *position when given.
bool FileSeek(FileHandle file, int64_t offset, FileOrigin origin, uint64_t *position = nullptr);

// Ends the file at the current position: whatever lay beyond it is cut off.
bool FileSetEnd(FileHandle file);

bool FileClose(FileHandle file);

} // namespace platform
