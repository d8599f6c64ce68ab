// vonkelcam: the command-line tool, built only on the library's public exports.
#pragma once
#include "VonkelSdk.h"
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

using Args = std::vector<std::string>;

struct Command {
    const char *name;
    const char *usage;
    const char *help;
    int (*run)(const Args &args); // process exit code
};

struct CommandGroup {
    const Command *commands;
    size_t count;
};

// The commands of each group (registered in main.cpp).
extern const CommandGroup kInfoCommands;
extern const CommandGroup kRegisterCommands;
extern const CommandGroup kStreamCommands;
extern const CommandGroup kRecordCommands;
extern const CommandGroup kDialogCommands;
extern const CommandGroup kCheckCommands;
extern const CommandGroup kSettingsCommands;

// "--name value" options, and the positional arguments left over.
class COptions {
public:
    explicit COptions(const Args &args);
    bool Has(const std::string &name) const;
    int Int(const std::string &name, int fallback) const;
    double Real(const std::string &name, double fallback) const;
    std::string Text(const std::string &name, const std::string &fallback = "") const;
    const Args &Positional() const { return m_positional; }
    // Names given that are not in `known`; printed as an error by the caller.
    std::vector<std::string> Unknown(const std::vector<std::string> &known) const;

private:
    std::vector<std::pair<std::string, std::string>> m_options;
    Args m_positional;
};

// Parses a number in decimal or 0x hexadecimal; false when it is not one.
bool ParseNumber(const std::string &text, long *value);

// A camera handle for device `device`, released when it goes away. Prints why it could
// not be opened.
class CCameraHandle {
public:
    explicit CCameraHandle(int device, HWND notify = nullptr);
    ~CCameraHandle();
    CCameraHandle(const CCameraHandle &) = delete;
    CCameraHandle &operator=(const CCameraHandle &) = delete;
    bool Ok() const { return m_ok; }
    int Get() const { return m_handle; }

private:
    int m_handle = 0;
    bool m_ok = false;
};

// The picture the application gets from a camera.
struct Geometry {
    int width, height, bits, stride;
    size_t Bytes() const { return static_cast<size_t>(stride) * height; }
};

// Applies the common options (colour mode, subsampling, capture window, wait time) to an
// opened camera and works out the picture the application will get. 0, or the command's
// exit code: 1 when the camera did not open, 2 when an option was refused (said on stderr).
int Configure(const CCameraHandle &cam, const COptions &options, Geometry *geometry);

// Prints and drains the error history of a handle ("errors: none" when empty).
void PrintErrors(int handle);
// The text of an error code.
const char *ErrorText(int code);

// A window that only receives messages: the frame notifications of a stream.
class CMessageWindow {
public:
    CMessageWindow();
    ~CMessageWindow();
    CMessageWindow(const CMessageWindow &) = delete;
    CMessageWindow &operator=(const CMessageWindow &) = delete;
    HWND Handle() const { return m_hwnd; }

private:
    HWND m_hwnd;
};

// What the headers of a finished AVI file the library recorded say.
struct AviHeader {
    uint32_t microsPerFrame, frames, width, height;
};
// False while the library still holds the file (it is opened only once finished), or when
// it is not there or too short.
bool ReadAviHeader(const char *path, AviHeader *header);
