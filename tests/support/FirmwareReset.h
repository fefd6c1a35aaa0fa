// Every test starts from the firmware's load-time state, whatever ran before
// it in the same process, so the binaries pass in any order.
#pragma once

#include <gtest/gtest.h>

#include "panel/Firmware.h"

class FirmwareResetListener final : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override { ResetFirmwareState(); }
};

inline void InstallFirmwareReset() {
    ::testing::UnitTest::GetInstance()->listeners().Append(new FirmwareResetListener);
}
