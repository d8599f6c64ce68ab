// regs, serial, srom: the camera's registers and non-volatile memory.
#include "Tool.h"
#include <cstdio>
#include <cstring>

namespace {

int Regs(const Args &args) {
    COptions options(args);
    const Args &p = options.Positional();
    long address = 0, value = 0;
    const bool write = p.size() == 4 && p[0] == "write";
    const bool read = p.size() == 3 && p[0] == "read";
    const bool sensor = p.size() > 1 && p[1] == "sensor", fpga = p.size() > 1 && p[1] == "fpga";
    if ((!read && !write) || (!sensor && !fpga) || !ParseNumber(p[2], &address) || (write && !ParseNumber(p[3], &value))) {
        std::fprintf(stderr, "usage: vonkelcam regs [--device N] read sensor|fpga ADDRESS\n"
                             "       vonkelcam regs [--device N] write sensor|fpga ADDRESS VALUE\n"
                             "(capture registers are the driver's own: the library does not expose them)\n");
        return 2;
    }
    if ((sensor && (address < 0 || address > 0xFFFF)) || (fpga && (address < 0 || address > 0xFF)) || value < 0 ||
        value > 0xFF) {
        std::fprintf(stderr, "vonkelcam: address or value out of range\n");
        return 2;
    }
    CCameraHandle cam(options.Int("device", 0));
    if (!cam.Ok())
        return 1;
    const int h = cam.Get(), a = static_cast<int>(address), v = static_cast<int>(value);
    int ok = 0;
    if (read) {
        const int got = sensor ? Vonkel_ReadRegisterEx(h, a, &ok) : Vonkel_Fpga_ReadRegister(h, a, &ok);
        if (ok)
            std::printf("%s %d (0x%04X) = %d (0x%02X)\n", p[1].c_str(), a, a, got, got);
    } else {
        ok = sensor ? Vonkel_WriteRegisterEx(h, a, v) : Vonkel_Fpga_WriteRegister(h, a, v);
        if (ok)
            std::printf("%s %d (0x%04X) <- %d (0x%02X)\n", p[1].c_str(), a, a, v, v);
    }
    if (!ok) {
        PrintErrors(h);
        return 1;
    }
    return 0;
}

int Serial(const Args &args) {
    COptions options(args);
    CCameraHandle cam(options.Int("device", 0));
    if (!cam.Ok())
        return 1;
    char serial[64] = "";
    if (!Vonkel_ReadSerialNumberA(cam.Get(), serial, sizeof serial)) {
        PrintErrors(cam.Get());
        return 1;
    }
    std::printf("%s\n", serial[0] ? serial : "(no serial number stored)");
    return 0;
}

int Srom(const Args &args) {
    COptions options(args);
    const Args &p = options.Positional();
    long index = 0, value = 0;
    const bool dump = p.size() == 1 && p[0] == "dump";
    const bool read = p.size() == 2 && p[0] == "read" && ParseNumber(p[1], &index);
    const bool write = p.size() == 3 && p[0] == "write" && ParseNumber(p[1], &index) && ParseNumber(p[2], &value);
    if ((!dump && !read && !write) || index < 0 || index > 255 || value < 0 || value > 255) {
        std::fprintf(stderr, "usage: vonkelcam srom [--device N] dump | read INDEX | write INDEX VALUE (0..255)\n");
        return 2;
    }
    CCameraHandle cam(options.Int("device", 0));
    if (!cam.Ok())
        return 1;
    const int h = cam.Get();
    int ok = 0;
    if (write) {
        if (!Vonkel_WriteSromID(h, static_cast<int>(index), static_cast<int>(value))) {
            std::fprintf(stderr, "vonkelcam: the write failed\n");
            return 1;
        }
        std::printf("identification byte %ld <- %ld\n", index, value);
        return 0;
    }
    for (int i = dump ? 0 : static_cast<int>(index); i <= (dump ? 255 : index); ++i) {
        const int v = Vonkel_ReadSromID(h, i, &ok);
        if (!ok) {
            std::fprintf(stderr, "vonkelcam: byte %d could not be read\n", i);
            return 1;
        }
        if (dump)
            std::printf("%s%02X%s", i % 16 ? " " : "", v, i % 16 == 15 ? "\n" : "");
        else
            std::printf("identification byte %d = %d (0x%02X)\n", i, v, v);
    }
    return 0;
}

const Command kCommands[] = {
    {"regs", "[--device N] read|write sensor|fpga ADDRESS [VALUE]", "read or write a camera register", Regs},
    {"serial", "[--device N]", "the camera's serial number", Serial},
    {"srom", "[--device N] dump | read I | write I V", "the 256-byte identification area", Srom},
};

} // namespace

const CommandGroup kRegisterCommands{kCommands, sizeof kCommands / sizeof kCommands[0]};
