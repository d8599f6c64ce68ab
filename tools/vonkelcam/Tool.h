// vonkelcam: the command-line tool, built only on the library's public exports.
#pragma once
#include "VonkelSdk.h"
#include <string>
#include <vector>

using Args = std::vector<std::string>;

struct Command {
    const char *name;
    const char *usage;
    const char *help;
    int (*run)(const Args &args); // process exit code
};

// The commands of each group, registered in main.cpp.
extern const Command kInfoCommands[];
extern const size_t kInfoCommandCount;

// Prints and drains the error history of a handle ("errors: none" when empty).
void PrintErrors(int handle);
