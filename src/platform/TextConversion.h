// Conversion between UTF-16 and the calling thread's ANSI code page.
#pragma once
#include <cstddef>

namespace platform {

// Converts the whole string with its terminator. Returns the number of bytes written
// (terminator included), or 0 when the conversion fails or does not fit.
int WideToAnsi(const wchar_t *text, char *out, int outBytes);
// The same, but 0 also when a character has no form in the code page: a default
// character in its place would name another file.
int WideToAnsiExact(const wchar_t *text, char *out, int outBytes);

// Returns the number of wide characters written (terminator included), or 0.
int AnsiToWide(const char *text, wchar_t *out, int outChars);

} // namespace platform
