#include "Tool.h"
#include <cstdio>
#include <cstring>

namespace {

const CommandGroup *const kGroups[] = {&kInfoCommands, &kRegisterCommands, &kStreamCommands, &kRecordCommands,
                                       &kDialogCommands, &kCheckCommands, &kSettingsCommands};

void Usage() {
    std::printf("usage: vonkelcam COMMAND [arguments]\n\ncommands:\n");
    for (const CommandGroup *g : kGroups)
        for (size_t i = 0; i < g->count; ++i)
            std::printf("  %-8s %-44s %s\n", g->commands[i].name, g->commands[i].usage, g->commands[i].help);
    std::printf("\nWithout hardware, set VONKEL_SIMULATE=N for N simulated cameras.\n");
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2 || !std::strcmp(argv[1], "help") || !std::strcmp(argv[1], "--help")) {
        Usage();
        return argc < 2 ? 2 : 0;
    }
    Args args(argv + 2, argv + argc);
    for (const CommandGroup *g : kGroups)
        for (size_t i = 0; i < g->count; ++i)
            if (!std::strcmp(argv[1], g->commands[i].name))
                return g->commands[i].run(args);
    std::fprintf(stderr, "vonkelcam: unknown command '%s'\n\n", argv[1]);
    Usage();
    return 2;
}
