// A calling thread's hostile arguments, and the check that the process still works.
#include "Torture.h"
#include <climits>
#include <cstdio>
#include <thread>

namespace torture {

Caller::Caller(Shared &s, int i, uint64_t seed) : shared(s), index(i), rng(seed), image(kImageBytes) {
    std::fill(std::begin(text), std::end(text), 'x');
    std::fill(std::begin(wide), std::end(wide), L'x');
}

void Caller::RunOne() {
    const auto &table = Exports();
    table[Draw(table.size())].call(*this);
    End();
}

int Caller::Handle(int *slot) {
    lastHandle = DrawHandle(slot);
    return lastHandle;
}

int Caller::DrawHandle(int *slot) {
    const uint64_t kind = Draw(100);
    if (kind < 85) {
        const int s = static_cast<int>(Draw(kSlots));
        if (slot)
            *slot = s;
        return shared.handles[s].load();
    }
    if (kind < 93)
        return DeadHandle();
    return kind < 96 ? 0 : AnyInt();
}

int Caller::DeadHandle() {
    std::lock_guard<std::mutex> lock(shared.releasedLock);
    return shared.released.empty() ? 0 : shared.released[Draw(shared.released.size())];
}

int Caller::AnyInt() {
    static const int kExtremes[] = {INT_MIN, INT_MIN + 1, -65536, -256, -1, 0, 1, 255, 256, 65535, 65536, INT_MAX};
    if (Chance(50))
        return kExtremes[Draw(sizeof kExtremes / sizeof kExtremes[0])];
    return static_cast<int>(static_cast<uint32_t>(rng()));
}

int Caller::Small(int low, int high) {
    return low - 4 + static_cast<int>(Draw(static_cast<uint64_t>(high - low) + 9));
}

int Caller::Length(int real) {
    switch (Draw(8)) {
    case 0: return 0;
    case 1: return Chance(50) ? -1 : INT_MIN;
    case 2: return Chance(50) ? 1 : static_cast<int>(Draw(64));
    case 3: return INT_MAX;
    default: return Chance(50) ? real : static_cast<int>(Draw(static_cast<uint64_t>(real) + 1));
    }
}

HWND Caller::Window() {
    switch (Draw(4)) {
    case 0: return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7ff0 + 2 * Draw(8))); // no such window
    case 1: return nullptr;
    default: return shared.parent;
    }
}

uint8_t *Caller::Delivery(int slot, int *length) {
    if (slot < 0 || Chance(10)) {
        *length = Length(0);
        return nullptr;
    }
    *length = Length(static_cast<int>(kImageBytes));
    return shared.deliveryBuffers[slot].data();
}

std::string Caller::Path(const char *extension) {
    switch (Draw(10)) {
    case 0: return "";
    case 1: return shared.directory; // a directory, not a file
    case 2: return shared.directory + "no-such-folder/x." + extension;
    case 3: return shared.directory + std::string(2000, 'n'); // longer than any path
    default:
        return shared.directory + "t" + std::to_string(index) + "_" + std::to_string(Draw(3)) + "." + extension;
    }
}

const wchar_t *Caller::WidePath(const char *extension) {
    if (Chance(10))
        return nullptr;
    const std::string narrow = Path(extension);
    size_t n = 0;
    for (; n < narrow.size() && n + 2 < static_cast<size_t>(kTextBytes); ++n)
        wide[n] = static_cast<unsigned char>(narrow[n]);
    // Characters no narrow name can carry: a lone surrogate, a character outside the code page.
    if (Chance(20) && n > 0)
        wide[n - 1] = Chance(50) ? static_cast<wchar_t>(0xD800) : static_cast<wchar_t>(0x4E00);
    wide[n] = 0;
    return wide;
}

void Caller::Released(int handle) {
    std::lock_guard<std::mutex> lock(shared.releasedLock);
    if (shared.released.size() >= 64)
        shared.released.erase(shared.released.begin());
    shared.released.push_back(handle);
}

void Caller::Reinitialize() {
    const int slot = static_cast<int>(Draw(kSlots));
    if (const int old = shared.handles[slot].exchange(0)) {
        Begin("Vonkel_Release");
        Vonkel_Release(old);
        Released(old);
    }
    // Another thread may have filled the slot meanwhile: a handle is never dropped unreleased.
    Begin("Vonkel_Initialize");
    const int made = Vonkel_Initialize(Window());
    int empty = 0;
    if (made && !shared.handles[slot].compare_exchange_strong(empty, made)) {
        Begin("Vonkel_Release");
        Vonkel_Release(made);
        Released(made);
    }
}

int64_t Caller::Now() { return Clock::now().time_since_epoch().count(); }

void Caller::Begin(const char *name) {
    End();
    since = Now();
    current = name;
}

void Caller::End() {
    const char *name = current.exchange(nullptr);
    if (!name)
        return;
    const double seconds = std::chrono::duration<double>(Clock::duration(Now() - since.load())).count();
    latencies[name].push_back(static_cast<float>(seconds));
    if (seconds > 1.0)
        slow.push_back({name, lastHandle, since.load(), seconds});
    lastHandle = 0;
}

bool StillWorks() {
    const int h = Vonkel_Initialize(nullptr);
    if (!h)
        return std::printf("after the run: Vonkel_Initialize fails\n"), false;
    static std::vector<uint8_t> picture(kImageBytes);
    const char *failed = nullptr;
    // What the run stored may rightly stop frames (an exposure of minutes): a new camera
    // is set up as an application would set it up.
    if (Vonkel_SetColorMode(h, 24) != 1)
        failed = "Vonkel_SetColorMode";
    else if (Vonkel_SetSubSample(h, 0) != 1 || Vonkel_SetWaitTime(h, 10) != 1)
        failed = "Vonkel_SetSubSample";
    else if (Vonkel_SetExposureTime(h, 1030) != 1)
        failed = "Vonkel_SetExposureTime";
    else if (Vonkel_SetCaptureWindowEx(h, 640, 0, 640, 512, 0, 512) != 1)
        failed = "Vonkel_SetCaptureWindowEx";
    else if (Vonkel_SnapShot(h, picture.data(), static_cast<int>(picture.size()), 1) != 1)
        failed = "Vonkel_SnapShot";
    else if (Vonkel_StartPreview(h) != 1)
        failed = "Vonkel_StartPreview";
    else if (Vonkel_StopPreview(h) != 1)
        failed = "Vonkel_StopPreview";
    if (failed) {
        std::printf("after the run: %s fails (%d cameras found) with errors", failed, Vonkel_EnumDevice(h, nullptr));
        for (int code = Vonkel_GetLastError(h); code; code = Vonkel_GetLastError(h))
            std::printf(" %d", code);
        std::printf("\n");
    }
    return Vonkel_Release(h) == 1 && !failed;
}

} // namespace torture
