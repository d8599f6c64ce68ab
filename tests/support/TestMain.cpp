// Entry of the unit tests: one simulated camera unless the environment says otherwise,
// so that nothing waits for the pauses of a real camera's protocol, and settings kept in
// memory: the registry belongs to the tests of the DLL, which may run at the same time.
#include "TestOutput.h"
#include "api/ProcessServices.h"
#include "platform/CMemorySettingsStore.h"
#include <gtest/gtest.h>
#include <cstdlib>
#ifndef _WIN32
#include <filesystem>
#include <string>
#include <unistd.h>
#endif

int main(int argc, char **argv) {
    testsupport::KeepOutputOnCrash();
    if (!std::getenv("VONKEL_SIMULATE") && !std::getenv("VONKEL_SIMULATE_DEVICES")) {
#ifdef _WIN32
        _putenv("VONKEL_SIMULATE=1");
#else
        setenv("VONKEL_SIMULATE", "1", 0);
#endif
    }
    static platform::CMemorySettingsStore settings;
    static const CameraServices services{ProcessServices().deviceIo, &settings};
    SetProcessServicesForTesting(&services);
    ::testing::InitGoogleTest(&argc, argv);
#ifndef _WIN32
    // Test files have fixed names, and the suites of several builds may run on one
    // machine at once: each test process keeps its files in a folder of its own.
    std::string folder = (std::filesystem::temp_directory_path() / "vonkel-test-XXXXXX").string();
    if (mkdtemp(folder.data())) {
        setenv("TMPDIR", folder.c_str(), 1);
        setenv("TEST_TMPDIR", folder.c_str(), 1);
    }
    const int failed = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return failed;
#else
    return RUN_ALL_TESTS();
#endif
}
