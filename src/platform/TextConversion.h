// Conversion between UTF-16 and the calling thread's ANSI code page.
#pragma once
#include <cstddef>

namespace platform {

// Converts the whole string with its terminator. Returns the number of bytes written
// (terminator included), or 0 when the conversion fails, does not fit, or meets a
// character the code page cannot hold (a default or look-alike character in its place
// would name another file).
int WideToAnsi(const wchar_t *text, char *out, int outBytes);

// Returns the number of wide characters written (terminator included), or 0.
int AnsiToWide(const char *text, wchar_t *out, int outChars);

} // namespace platform
