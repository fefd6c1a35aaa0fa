// The main of the firmware and host-core test binaries.
#include <gtest/gtest.h>

#include "tests/support/FirmwareReset.h"

int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallFirmwareReset();
    return RUN_ALL_TESTS();
}
