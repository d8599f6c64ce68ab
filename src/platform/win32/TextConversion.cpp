#include "platform/TextConversion.h"
#include "platform/win32/Win32.h"

namespace platform {

int WideToAnsi(const wchar_t *text, char *out, int outBytes) {
    if (!text || !out || outBytes <= 0)
        return 0;
    // No best fit: a character the code page cannot hold must fail the conversion, not
    // become '?' or a look-alike that names another file.
    BOOL usedDefault = FALSE;
    int written = WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text, -1, out, outBytes, nullptr,
                                      &usedDefault);
    if (written == 0 && GetLastError() == ERROR_INVALID_PARAMETER) {
        // A UTF-8 code page takes neither flag nor default character, and holds everything.
        written = WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, out, outBytes, nullptr, nullptr);
        usedDefault = FALSE;
    }
    return usedDefault ? 0 : written;
}

int AnsiToWide(const char *text, wchar_t *out, int outChars) {
    if (!text || !out || outChars <= 0)
        return 0;
    return MultiByteToWideChar(CP_THREAD_ACP, MB_PRECOMPOSED, text, -1, out, outChars);
}

} // namespace platform
