// The one start-up every platform runs, on the virtual platform.
#include <gtest/gtest.h>

#include <string>

#include "app/Project1.h"
#include "app/Unit1.h"
#include "core/Messages.h"
#include "platform/virtual/VirtualPlatform.h"
#include "tests/support/TempDir.h"

namespace {

TEST(StartUp, ShowsTheFormAfterFormCreateAndRunsTheLoop) {
    TempWorkingDir dir;  // no picture: FormCreate's box comes before the showing
    VirtualPlatform platform;
    platform.SetExecutablePath("C:\\Show\\PROJECT1.EXE");
    platform.SetRunEnd(1000);
    Project1 program(platform);
    ASSERT_TRUE(program.Start());
    EXPECT_EQ(platform.ApplicationTitle(), "Project1");
    EXPECT_EQ(platform.Form(), &program.Form()->View());
    EXPECT_TRUE(platform.Shown());
    ASSERT_EQ(platform.ErrorBoxes().size(), 1u);
    EXPECT_EQ(platform.ErrorBoxes()[0].caption, "Project1");
    EXPECT_EQ(platform.Run(), 0);
    EXPECT_EQ(platform.Now(), 1000);
}

TEST(StartUp, ATimerRefusedByTheDescriptionEndsTheProgramWithTheBox) {
    TempWorkingDir dir;
    VirtualPlatform platform;
    platform.RefuseTimerStarts(TimerId::Timer2, 1);
    Project1 program(platform);
    EXPECT_EQ(program.Run(), 1);
    EXPECT_EQ(program.Form(), nullptr);
    EXPECT_FALSE(platform.Shown());
    EXPECT_EQ(platform.Form(), nullptr);
    ASSERT_EQ(platform.ErrorBoxes().size(), 1u);
    EXPECT_EQ(platform.ErrorBoxes()[0].caption, "Project1");
    EXPECT_EQ(platform.ErrorBoxes()[0].text, std::string(messages::kTimerRefused) + ".");
}

}  // namespace
