// Entry of the unit tests: one simulated camera unless the environment says otherwise,
// so that nothing waits for the pauses of a real camera's protocol, and settings kept in
// memory: the registry belongs to the tests of the DLL, which may run at the same time.
#include "TestOutput.h"
#include "api/ProcessServices.h"
#include "platform/CMemorySettingsStore.h"
#include <gtest/gtest.h>
#include <cstdlib>

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
    return RUN_ALL_TESTS();
}
