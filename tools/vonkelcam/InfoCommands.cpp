// version: what the library says about itself.
#include "Tool.h"
#include <cstdio>

namespace {

int Version(const Args &) {
    int version = Vonkel_GetDllVersion();
    std::printf("library version: %d (0x%08X)\n", version, static_cast<unsigned>(version));
    int handle = Vonkel_Initialize(nullptr);
    if (!handle) {
        std::printf("Vonkel_Initialize failed\n");
        return 1;
    }
    std::printf("camera handle: %d\n", handle);
    PrintErrors(handle);
    Vonkel_Release(handle);
    return 0;
}

} // namespace

const Command kInfoCommands[] = {
    {"version", "", "initialise, print the library version and the error history, release", Version},
};
const size_t kInfoCommandCount = sizeof kInfoCommands / sizeof kInfoCommands[0];
