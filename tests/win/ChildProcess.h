// Second processes for the DLL tests: this executable started again with --child.
#pragma once
#include <windows.h>
#include <string>

// Runs "<this exe> --child <args>" with extra environment assignments ("NAME=value"
// separated by ';'), waits up to the timeout and returns its exit code (-1 on failure).
int RunSelfAsChild(const std::string &args, const std::string &environment = "", unsigned timeoutMs = 60000);

// Starts the child as RunSelfAsChild does and returns its process handle (null on
// failure) for the caller to wait for and close. While the handle is open, the child's
// process id goes to no other process.
HANDLE StartSelfAsChild(const std::string &args, const std::string &environment = "");

// Dispatches a child mode; returns the process exit code.
int RunChild(int argc, char **argv);

// Registers a child mode at static initialisation: static ChildMode m("name", fn);
struct ChildMode {
    ChildMode(const char *name, int (*run)(int argc, char **argv));
};
