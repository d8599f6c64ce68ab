#include "platform/File.h"
#include "platform/win32/Win32.h"

namespace platform {
namespace {

HANDLE ToWin(FileHandle file) { return static_cast<HANDLE>(file); }

FileHandle Open(const char *name, DWORD access, DWORD disposition) {
    HANDLE h = CreateFileA(name, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

} // namespace

FileHandle FileOpenForWriting(const char *name) {
    if (!name || !*name)
        return nullptr;
    FileHandle file = Open(name, GENERIC_WRITE, TRUNCATE_EXISTING);
    return file ? file : Open(name, GENERIC_WRITE, CREATE_NEW);
}

FileHandle FileOpenForReading(const char *name) {
    if (!name || !*name)
        return nullptr;
    return Open(name, GENERIC_READ, OPEN_EXISTING);
}

bool FileSize(FileHandle file, uint64_t *size) {
    LARGE_INTEGER value;
    if (!file || !GetFileSizeEx(ToWin(file), &value))
        return false;
    *size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

bool FileRead(FileHandle file, void *data, uint32_t bytes, uint32_t *done) {
    DWORD moved = 0;
    BOOL ok = file && ReadFile(ToWin(file), data, bytes, &moved, nullptr);
    if (done)
        *done = moved;
    return ok != FALSE;
}

bool FileWrite(FileHandle file, const void *data, uint32_t bytes, uint32_t *done) {
    DWORD moved = 0;
    BOOL ok = file && WriteFile(ToWin(file), data, bytes, &moved, nullptr);
    if (done)
        *done = moved;
    return ok != FALSE;
}

bool FileSeek(FileHandle file, int64_t offset, FileOrigin origin, uint64_t *position) {
    static const DWORD kMethod[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    LARGE_INTEGER distance, reached;
    distance.QuadPart = offset;
    if (!file || !SetFilePointerEx(ToWin(file), distance, &reached, kMethod[static_cast<int>(origin)]))
        return false;
    if (position)
        *position = static_cast<uint64_t>(reached.QuadPart);
    return true;
}

bool FileSetEnd(FileHandle file) { return file && SetEndOfFile(ToWin(file)); }

bool FileClose(FileHandle file) { return file && CloseHandle(ToWin(file)); }

} // namespace platform
