// settings show|reset: what the library stored for a camera, and the way back to a fresh
// machine's. No export lists or resets the stored settings: they are read from the key the
// settings page documents, and removed by the C++ interface's reset.
#include "Tool.h"
#include "vonkel/vonkel.hpp"
#include <cstdio>
#include <cstring>

namespace {

std::string Narrow(const std::wstring &text) {
    std::string out;
    for (wchar_t c : text)
        out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

void PrintValue(const std::string &path, const wchar_t *name, DWORD type, const BYTE *data, DWORD size) {
    std::printf("  %s%s = ", path.c_str(), Narrow(name).c_str());
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD v;
        std::memcpy(&v, data, sizeof v);
        std::printf("%lu\n", static_cast<unsigned long>(v));
    } else if (type == REG_BINARY && size == sizeof(double)) {
        double v;
        std::memcpy(&v, data, sizeof v);
        std::printf("%g (binary double)\n", v);
    } else if (type == REG_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t *>(data), size / sizeof(wchar_t));
        std::printf("\"%s\"\n", Narrow(text.c_str()).c_str()); // up to the terminating zero
    } else {
        for (DWORD i = 0; i < size; ++i)
            std::printf("%02X%s", data[i], i + 1 < size ? " " : "");
        std::printf(" (type %lu)\n", static_cast<unsigned long>(type));
    }
}

// Every value of `key` and of its subkeys, the subkeys' names before the values' as `path`.
void PrintTree(HKEY key, const std::string &path) {
    wchar_t name[256];
    BYTE data[1024];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256, type = 0, size = sizeof data;
        const LSTATUS status = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status == ERROR_SUCCESS)
            PrintValue(path, name, type, data, size);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY sub;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            PrintTree(sub, path + Narrow(name) + "\\");
            RegCloseKey(sub);
        }
    }
}

// The device of --device (0 without it); -1 after saying what is wrong.
int DeviceOption(const Args &args) {
    COptions options(args);
    for (const std::string &name : options.Unknown({"device"})) {
        std::fprintf(stderr, "vonkelcam settings: unknown option --%s\n", name.c_str());
        return -1;
    }
    if (options.Positional().size() > 1) {
        std::fprintf(stderr, "vonkelcam settings: unexpected argument '%s'\n", options.Positional()[1].c_str());
        return -1;
    }
    long device = 0;
    if (options.Has("device") && (!ParseNumber(options.Text("device"), &device) || device < 0 || device > 31)) {
        std::fprintf(stderr, "vonkelcam settings: --device takes a device number 0..31, not '%s'\n",
                     options.Text("device").c_str());
        return -1;
    }
    return static_cast<int>(device);
}

int Show(int device) {
    const std::string where = "HKEY_CURRENT_USER\\" + Narrow(vonkel::settingsKey(device));
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, vonkel::settingsKey(device).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        std::printf("device %d: nothing stored in %s\n"
                    "A program that opens the camera starts from a fresh machine's defaults.\n",
                    device, where.c_str());
        return 0;
    }
    std::printf("device %d: stored in %s\n", device, where.c_str());
    PrintTree(key, "");
    RegCloseKey(key);
    return 0;
}

int Reset(int device) {
    std::error_code ec;
    vonkel::resetSettings(device, ec);
    if (ec) {
        std::fprintf(stderr, "vonkelcam settings reset: the stored settings of device %d stay: %s\n", device,
                     ec.message().c_str());
        return 1;
    }
    std::printf("device %d: stored settings removed; the next program to open it starts from a fresh machine's "
                "defaults.\nA program that has it open now stores its own settings again when it releases it.\n",
                device);
    return 0;
}

int Settings(const Args &args) {
    const std::string action = args.empty() ? "" : args[0];
    if (action != "show" && action != "reset") {
        std::fprintf(stderr, "usage: vonkelcam settings show|reset [--device N]\n");
        return 2;
    }
    const int device = DeviceOption(args);
    if (device < 0)
        return 2;
    return action == "show" ? Show(device) : Reset(device);
}

const Command kCommands[] = {
    {"settings", "show|reset [--device N]",
     "the settings the library stored for a camera, or back to a fresh machine's", Settings},
};

} // namespace

const CommandGroup kSettingsCommands{kCommands, sizeof kCommands / sizeof kCommands[0]};
