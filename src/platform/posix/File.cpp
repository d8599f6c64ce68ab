#include "platform/File.h"
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The handle carries the descriptor plus one, so that descriptor 0 is not null.
FileHandle FromFd(int fd) { return reinterpret_cast<FileHandle>(static_cast<intptr_t>(fd) + 1); }
int ToFd(FileHandle file) { return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1); }

// Holding an exclusive lock stands in for Windows' share mode 0: a second writer of
// the same file is refused while the first holds it.
int LockOrClose(int fd) {
    if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

FileHandle FileOpenForWriting(const char *name) {
    if (!name || !*name)
        return nullptr;
    int fd = LockOrClose(open(name, O_WRONLY | O_CLOEXEC));
    if (fd >= 0 && ftruncate(fd, 0) != 0) {
        close(fd);
        fd = -1;
    }
    if (fd < 0)
        fd = LockOrClose(open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    return fd < 0 ? nullptr : FromFd(fd);
}

FileHandle FileOpenForReading(const char *name) {
    if (!name || !*name)
        return nullptr;
    int fd = open(name, O_RDONLY | O_CLOEXEC);
    return fd < 0 ? nullptr : FromFd(fd);
}

bool FileSize(FileHandle file, uint64_t *size) {
    struct stat st;
    if (!file || fstat(ToFd(file), &st) != 0)
        return false;
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool FileRead(FileHandle file, void *data, uint32_t bytes, uint32_t *done) {
    uint32_t moved = 0;
    bool ok = file != nullptr;
    while (ok && moved < bytes) {
        ssize_t n = read(ToFd(file), static_cast<char *>(data) + moved, bytes - moved);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        moved += static_cast<uint32_t>(n);
    }
    if (done)
        *done = moved;
    return ok;
}

bool FileWrite(FileHandle file, const void *data, uint32_t bytes, uint32_t *done) {
    uint32_t moved = 0;
    bool ok = file != nullptr;
    while (ok && moved < bytes) {
        ssize_t n = write(ToFd(file), static_cast<const char *>(data) + moved, bytes - moved);
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0;
        if (ok)
            moved += static_cast<uint32_t>(n);
    }
    if (done)
        *done = moved;
    return ok;
}

bool FileSeek(FileHandle file, int64_t offset, FileOrigin origin, uint64_t *position) {
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (!file)
        return false;
    off_t reached = lseek(ToFd(file), static_cast<off_t>(offset), kWhence[static_cast<int>(origin)]);
    if (reached < 0)
        return false;
    if (position)
        *position = static_cast<uint64_t>(reached);
    return true;
}

bool FileSetEnd(FileHandle file) {
    if (!file)
        return false;
    const off_t end = lseek(ToFd(file), 0, SEEK_CUR);
    return end >= 0 && ftruncate(ToFd(file), end) == 0;
}

bool FileClose(FileHandle file) { return file && close(ToFd(file)) == 0; }

} // namespace platform
