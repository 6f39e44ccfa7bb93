// Every key of the README's table, pressed through XTEST on the real
// program, checked on screenshots of its window against frames rendered in
// this process from the state the keys should have produced.
#include "tests/support/e2e.h"
#include "tests/support/gl_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

struct KeySequence {
    const char* name;
    std::vector<std::string> keys;
    ViewerState expected;
};

ViewerState turned(float x, float y, float z)
{
    return stateAt(0, 0, x, y, z);
}

const KeySequence SEQUENCES[] = {
    {"l_once", {"l"}, stateAt(0, 1)},
    {"l_three_times", {"l", "l", "l"}, stateAt(0, 3)},
    {"l_four_times_is_back_to_0", {"l", "l", "l", "l"}, stateAt(0, 0)},
    {"c_once", {"c"}, stateAt(1, 0)},
    {"c_twice_then_l", {"c", "c", "l"}, stateAt(2, 1)},
    {"c_three_times_is_back_to_0", {"c", "c", "c"}, stateAt(0, 0)},
    {"up_twice", {"Up", "Up"}, turned(2, 0, 0)},
    {"down", {"Down"}, turned(-1, 0, 0)},
    {"left", {"Left"}, turned(0, 1, 0)},
    {"right_three_times", {"Right", "Right", "Right"}, turned(0, -3, 0)},
    {"page_up", {"Prior"}, turned(0, 0, 1)},
    {"page_down_twice", {"Next", "Next"}, turned(0, 0, -2)},
    {"mixed", {"c", "Up", "l", "Left", "Prior", "l"}, stateAt(1, 2, 1, 1, 1)},
};

void PrintTo(const KeySequence& c, std::ostream* os)
{
    *os << c.name;
}

class KeySequences : public ::testing::TestWithParam<KeySequence> {};

TEST_P(KeySequences, WindowShowsTheFrameOfTheStateTheKeysLeadTo)
{
    const KeySequence& c = GetParam();
    const Image expected = renderFrame(c.expected);

    DemoSession demo;
    Image shown = demo.waitForStill();
    for (const std::string& key : c.keys) {
        demo.key(key);
    }
    // The last key's frame may take a moment to arrive.
    shown = demo.waitForChange(shown, 0.5);
    shown = demo.waitForStill(0.2);
    EXPECT_EQ(shown, expected);
    keepForInspection(shown, std::string("e2e_keys_") + c.name);
    EXPECT_EQ(demo.out(), "");
}

INSTANTIATE_TEST_SUITE_P(ReadmeKeys, KeySequences, ::testing::ValuesIn(SEQUENCES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Keys, EachLightingModeAndViewpointChangesThePicture)
{
    DemoSession demo;
    std::vector<Image> seen{demo.waitForStill()};
    for (const char* key : {"l", "l", "l", "c", "c"}) {
        demo.key(key);
        seen.push_back(demo.waitForChange(seen.back()));
        seen.back() = demo.waitForStill(0.2);
    }
    for (size_t i = 0; i < seen.size(); ++i) {
        for (size_t j = i + 1; j < seen.size(); ++j) {
            EXPECT_NE(seen[i], seen[j]) << i << " vs " << j;
        }
    }
}

TEST(Keys, KeysOutsideTheTableLeaveThePictureAlone)
{
    DemoSession demo;
    const Image before = demo.waitForStill();
    for (const char* key : {"C", "L", "x", "space", "F1", "F5", "Home", "End", "Insert", "Tab",
                            "BackSpace", "Delete"}) {
        demo.key(key);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(demo.screenshot(), before);
    EXPECT_TRUE(demo.running());
    // ... and the program still answers a key of the table afterwards.
    demo.key("l");
    EXPECT_NE(demo.waitForChange(before), before);
}

TEST(Keys, EnterStartsTheSpinAndASecondEnterStopsIt)
{
    DemoSession demo;
    const Image still = demo.waitForStill();
    demo.key("Return");
    // Spinning: the picture keeps changing.
    Image previous = demo.waitForChange(still);
    ASSERT_NE(previous, still);
    for (int i = 0; i < 3; ++i) {
        const Image next = demo.waitForChange(previous, 2.0);
        EXPECT_NE(next, previous) << "frame " << i;
        previous = next;
    }
    demo.key("Return");
    const Image stopped = demo.waitForStill(0.3);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(demo.screenshot(), stopped);
    EXPECT_NE(stopped, still);  // the angles stay where the last step left them
    EXPECT_TRUE(demo.running());
}

TEST(Keys, EscapeQuitsWithStatusZeroEvenWhileSpinning)
{
    DemoSession demo;
    demo.waitForStill();
    demo.key("c");
    demo.key("l");
    demo.key("Return");
    demo.key("Escape");
    const ExitResult result = demo.waitForExit();
    EXPECT_TRUE(exitedWith(result, 0));
    EXPECT_EQ(demo.out(), "");
}

}  // namespace
