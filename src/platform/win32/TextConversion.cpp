#include "platform/TextConversion.h"
#include "platform/win32/Win32.h"

namespace platform {

int WideToAnsi(const wchar_t *text, char *out, int outBytes) {
    if (!text || !out || outBytes <= 0)
        return 0;
    return WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, out, outBytes, nullptr, nullptr);
}

int WideToAnsiExact(const wchar_t *text, char *out, int outBytes) {
    if (!text || !out || outBytes <= 0)
        return 0;
    BOOL defaulted = FALSE;
    const int written = WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, out, outBytes, nullptr, &defaulted);
    return defaulted ? 0 : written;
}

int AnsiToWide(const char *text, wchar_t *out, int outChars) {
    if (!text || !out || outChars <= 0)
        return 0;
    return MultiByteToWideChar(CP_THREAD_ACP, MB_PRECOMPOSED, text, -1, out, outChars);
}

} // namespace platform
