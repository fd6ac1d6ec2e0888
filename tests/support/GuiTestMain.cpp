// The main of the window tests: they run on Qt's offscreen platform with
// the application object made before the first test.

#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    ::testing::InitGoogleTest(&argc, argv);
    GuiStartup(argc, argv);
    const int Result = RUN_ALL_TESTS();
    GuiShutdown();
    return Result;
}
