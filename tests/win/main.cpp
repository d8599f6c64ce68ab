// Entry of the DLL tests. Runs as a child process too (--child MODE ...), for the tests
// that need a second process.
#include "win/ChildProcess.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv) {
    if (!std::getenv("VONKEL_SIMULATE") && !std::getenv("VONKEL_SIMULATE_DEVICES"))
        _putenv("VONKEL_SIMULATE=1");
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return RunChild(argc - 2, argv + 2);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
