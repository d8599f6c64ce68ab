// The native build has no ANSI code pages: the "ANSI" side is UTF-8 and wide strings
// are UTF-32, which is what wchar_t holds here.
#include "platform/TextConversion.h"
#include <cstdint>
#include <string>

namespace platform {

int WideToAnsi(const wchar_t *text, char *out, int outBytes) {
    if (!text || !out || outBytes <= 0)
        return 0;
    std::string bytes;
    for (const wchar_t *p = text;; ++p) {
        uint32_t c = static_cast<uint32_t>(*p);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return 0;
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (c >> 18));
            bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
        if (c == 0)
            break;
    }
    if (bytes.size() > static_cast<size_t>(outBytes))
        return 0;
    bytes.copy(out, bytes.size());
    return static_cast<int>(bytes.size());
}

// UTF-8 has a form for every character WideToAnsi accepts.

int AnsiToWide(const char *text, wchar_t *out, int outChars) {
    if (!text || !out || outChars <= 0)
        return 0;
    std::wstring wide;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text);
    for (;;) {
        uint32_t c = *p++;
        int extra = 0;
        if (c >= 0xF0) { c &= 0x07; extra = 3; }
        else if (c >= 0xE0) { c &= 0x0F; extra = 2; }
        else if (c >= 0xC0) { c &= 0x1F; extra = 1; }
        else if (c >= 0x80) return 0;
        for (int i = 0; i < extra; ++i) {
            if ((*p & 0xC0) != 0x80)
                return 0;
            c = (c << 6) | (*p++ & 0x3F);
        }
        wide += static_cast<wchar_t>(c);
        if (c == 0)
            break;
    }
    if (wide.size() > static_cast<size_t>(outChars))
        return 0;
    wide.copy(out, wide.size());
    return static_cast<int>(wide.size());
}

} // namespace platform
