// Entry of the DLL tests. Runs as a child process too (--child MODE ...), for the tests
// that need a second process.
#include "../support/TestOutput.h"
#include "win/ChildProcess.h"
#include "win/DllSupport.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv) {
    testsupport::KeepOutputOnCrash();
    if (!std::getenv("VONKEL_SIMULATE") && !std::getenv("VONKEL_SIMULATE_DEVICES"))
        _putenv("VONKEL_SIMULATE=1");
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return RunChild(argc - 2, argv + 2);
    ::testing::InitGoogleTest(&argc, argv);
    // Settings the tests leave behind would be the next program's settings in this prefix.
    DeleteSdkKey();
    const int result = RUN_ALL_TESTS();
    DeleteSdkKey();
    return result;
}
