// The window tests need one application object for the whole process.
#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/FirmwareReset.h"

int main(int argc, char* argv[]) {
    // The window tests never need a real display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    InstallFirmwareReset();
    return RUN_ALL_TESTS();
}
