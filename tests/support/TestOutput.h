// Test output that survives a crash. Under Wine a program's stdout to a pipe is fully
// buffered and the buffer is only written at a clean exit, so a process that dies takes
// everything it printed with it and CTest shows an empty failure. Unbuffered output and
// a last word on an unhandled exception leave something to read.
#pragma once
#include <cstdio>
#ifdef _WIN32
#include <windows.h>
#endif

namespace testsupport {

#ifdef _WIN32
inline LONG WINAPI ReportUnhandledException(EXCEPTION_POINTERS *info) {
    std::fprintf(stderr, "unhandled exception 0x%08lx at %p\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                 info->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}
#endif

inline void KeepOutputOnCrash() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
#ifdef _WIN32
    SetUnhandledExceptionFilter(ReportUnhandledException);
#endif
}

} // namespace testsupport
