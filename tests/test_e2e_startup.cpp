// The real program started under its own Xvfb: its window, its first
// picture, and that nothing moves or prints until a key is pressed.
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

TEST(Startup, WindowHasTheTitleSizePositionAndVisualAsked)
{
    DemoSession demo;
    const WindowInfo info = demo.windowInfo();
    EXPECT_EQ(info.title, "Materiels et lumieres OpenGL");
    EXPECT_EQ(info.width, 300);
    EXPECT_EQ(info.height, 300);
    EXPECT_EQ(info.x, 50);
    EXPECT_EQ(info.y, 50);
    EXPECT_TRUE(info.rgba);
    EXPECT_TRUE(info.doubleBuffered);
    EXPECT_TRUE(info.hasDepthBuffer);
}

TEST(Startup, PictureStaysStillWithNoKeyPressedAndNothingIsPrinted)
{
    DemoSession demo;
    const Image first = demo.waitForStill();
    ASSERT_EQ(first.width, 300);
    // Not blank: the lit sphere shows green.
    int green = 0;
    for (int y = 0; y < first.height; ++y) {
        for (int x = 0; x < first.width; ++x) {
            green += first.at(x, y).g > 100 && first.at(x, y).r < 100;
        }
    }
    EXPECT_GT(green, 200);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(demo.screenshot(), first);
    EXPECT_TRUE(demo.running());
    EXPECT_EQ(demo.out(), "");
}

TEST(Startup, GlutOptionsAreTakenAndOtherArgumentsIgnored)
{
    DemoSession demo({"-gldebug", "unrelated", "--whatever"});
    EXPECT_TRUE(demo.running());
    EXPECT_EQ(demo.windowInfo().width, 300);
}

TEST(Stop, EscapeEndsWithStatusZeroAndNothingPrinted)
{
    DemoSession demo;
    demo.waitForStill();
    demo.key("Escape");
    const ExitResult result = demo.waitForExit();
    EXPECT_TRUE(exitedWith(result, 0));
    EXPECT_EQ(demo.out(), "");
}

}  // namespace
