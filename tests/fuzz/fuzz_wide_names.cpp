// Wide file names on their way to the narrow form the file exports use: a conversion is
// exact or refused, a refused one writes nothing, and what comes out converts back to the
// very same name.
#include "FuzzSupport.h"
#include "platform/TextConversion.h"
#include <cstring>
#include <cwchar>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte picks the room the caller gives, the rest is the name.
    const int room = data[0] % 2 ? 1024 : data[0] / 2;
    std::vector<wchar_t> name((size - 1) / sizeof(wchar_t) + 1, 0);
    std::memcpy(name.data(), data + 1, (name.size() - 1) * sizeof(wchar_t));
    std::vector<char> narrow(1024 + 16, '\x5a');
    const int bytes = platform::WideToAnsi(name.data(), narrow.data(), room);
    FUZZ_CHECK(bytes >= 0 && bytes <= room);
    for (size_t i = static_cast<size_t>(bytes); i < narrow.size(); ++i)
        FUZZ_CHECK(narrow[i] == '\x5a'); // nothing written past what was converted
    if (bytes == 0)
        return 0;
    FUZZ_CHECK(narrow[bytes - 1] == 0);
    std::vector<wchar_t> back(name.size() + 1, L'\0');
    const int chars = platform::AnsiToWide(narrow.data(), back.data(), static_cast<int>(back.size()));
    FUZZ_CHECK(chars > 0 && std::wcscmp(back.data(), name.data()) == 0);
    // And narrow names of any bytes: refused or converted within the room given.
    std::vector<char> text(data + 1, data + size);
    text.push_back(0);
    std::vector<wchar_t> wide(64 + 1, L'\x5a');
    const int got = platform::AnsiToWide(text.data(), wide.data(), 64);
    FUZZ_CHECK(got >= 0 && got <= 64 && wide[64] == L'\x5a');
    return 0;
}
