// What each key and each spin step does to the viewer state.
#include "render/gl.h"
#include "scene/viewer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

struct KeyCase {
    const char* name;
    unsigned char key;
    KeyEffect effect;
    int viewpoint, lightingMode, animating;  // expected, starting from zero
};

const KeyCase KEY_CASES[] = {
    {"c_next_viewpoint", 'c', KeyEffect::Redisplay, 1, 0, 0},
    {"l_next_mode", 'l', KeyEffect::Redisplay, 0, 1, 0},
    {"enter_spin_on", 13, KeyEffect::ToggleSpin, 0, 0, 1},
    {"escape_quits", 27, KeyEffect::Quit, 0, 0, 0},
    {"upper_C_nothing", 'C', KeyEffect::None, 0, 0, 0},
    {"upper_L_nothing", 'L', KeyEffect::None, 0, 0, 0},
    {"newline_is_not_enter", '\n', KeyEffect::None, 0, 0, 0},
    {"space_nothing", ' ', KeyEffect::None, 0, 0, 0},
    {"nul_nothing", 0, KeyEffect::None, 0, 0, 0},
    {"high_byte_nothing", 0xE9, KeyEffect::None, 0, 0, 0},
    // 'c' + 256 would wrap to 'c' if the key were narrowed wrongly; 0xE3 is
    // 'c' + 128, a different byte.
    {"c_with_high_bit_nothing", 'c' | 0x80, KeyEffect::None, 0, 0, 0},
};

void PrintTo(const KeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class KeyTable : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyTable, ChangesStateAndAsksForTheRightFollowUp)
{
    const KeyCase& c = GetParam();
    ViewerState state{};
    EXPECT_EQ(applyKey(state, c.key), c.effect);
    EXPECT_EQ(state.viewpoint, c.viewpoint);
    EXPECT_EQ(state.lightingMode, c.lightingMode);
    EXPECT_EQ(state.animating, c.animating);
    EXPECT_EQ(state.angleX, 0.0f);
    EXPECT_EQ(state.angleY, 0.0f);
    EXPECT_EQ(state.angleZ, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, KeyTable, ::testing::ValuesIn(KEY_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeyTable, NoOtherCharacterTouchesTheState)
{
    for (int key = 0; key < 256; ++key) {
        if (key == 13 || key == 27 || key == 'c' || key == 'l') {
            continue;
        }
        ViewerState state{};
        state.viewpoint = 2;
        state.lightingMode = 3;
        state.angleX = 7.0f;
        ViewerState before = state;
        EXPECT_EQ(applyKey(state, static_cast<unsigned char>(key)), KeyEffect::None) << key;
        EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0) << key;
    }
}

TEST(KeyCycles, ViewpointAndModeWrapAround)
{
    ViewerState state{};
    const int expectedViewpoints[] = {1, 2, 0, 1};
    for (int expected : expectedViewpoints) {
        applyKey(state, 'c');
        EXPECT_EQ(state.viewpoint, expected);
    }
    const int expectedModes[] = {1, 2, 3, 0, 1};
    for (int expected : expectedModes) {
        applyKey(state, 'l');
        EXPECT_EQ(state.lightingMode, expected);
    }
}

TEST(KeyCycles, EnterTwiceLeavesSpinOffAndAnglesWhereTheyWere)
{
    ViewerState state{};
    applyKey(state, 13);
    applySpinStep(state);
    applySpinStep(state);
    const ViewerState afterSpin = state;
    EXPECT_EQ(applyKey(state, 13), KeyEffect::ToggleSpin);
    EXPECT_EQ(state.animating, 0);
    EXPECT_EQ(state.angleX, afterSpin.angleX);
    EXPECT_EQ(state.angleY, afterSpin.angleY);
    EXPECT_EQ(state.angleZ, afterSpin.angleZ);
}

struct TurnCase {
    const char* name;
    int key;
    float dx, dy, dz;
};

const TurnCase TURN_CASES[] = {
    {"left", GLUT_KEY_LEFT, 0, +1, 0},    {"up", GLUT_KEY_UP, +1, 0, 0},
    {"right", GLUT_KEY_RIGHT, 0, -1, 0},  {"down", GLUT_KEY_DOWN, -1, 0, 0},
    {"page_up", GLUT_KEY_PAGE_UP, 0, 0, +1}, {"page_down", GLUT_KEY_PAGE_DOWN, 0, 0, -1},
};

void PrintTo(const TurnCase& c, std::ostream* os)
{
    *os << c.name;
}

class TurnKeys : public ::testing::TestWithParam<TurnCase> {};

TEST_P(TurnKeys, TurnOneDegreeOnTheirAxis)
{
    const TurnCase& c = GetParam();
    ViewerState state{};
    state.angleX = 10.0f;
    state.angleY = 20.0f;
    state.angleZ = 30.0f;
    state.viewpoint = 1;
    state.lightingMode = 2;
    EXPECT_TRUE(applySpecialKey(state, c.key));
    EXPECT_EQ(state.angleX, 10.0f + c.dx);
    EXPECT_EQ(state.angleY, 20.0f + c.dy);
    EXPECT_EQ(state.angleZ, 30.0f + c.dz);
    EXPECT_EQ(state.viewpoint, 1);
    EXPECT_EQ(state.lightingMode, 2);
}

INSTANTIATE_TEST_SUITE_P(ArrowAndPageKeys, TurnKeys, ::testing::ValuesIn(TURN_CASES),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TurnKeys, OtherSpecialKeysDoNothing)
{
    const int others[] = {GLUT_KEY_F1, GLUT_KEY_F5, GLUT_KEY_F12, GLUT_KEY_HOME, GLUT_KEY_END,
                          GLUT_KEY_INSERT, 0, 99, 106, 13, 27, 'c', 'l', -1, 1000};
    for (int key : others) {
        ViewerState state{};
        EXPECT_FALSE(applySpecialKey(state, key)) << key;
        EXPECT_EQ(state.angleX, 0.0f) << key;
        EXPECT_EQ(state.angleY, 0.0f) << key;
        EXPECT_EQ(state.angleZ, 0.0f) << key;
    }
}

TEST(TurnKeys, FourHundredUpPressesGiveFourHundredDegrees)
{
    ViewerState state{};
    for (int i = 0; i < 400; ++i) {
        applySpecialKey(state, GLUT_KEY_UP);
    }
    EXPECT_EQ(state.angleX, 400.0f);
}

// The spin step, worked out here the way the program is meant to: widen
// to double, add, round back to float.
float reference(float angle, double decimalStep)
{
    const float step = static_cast<float>(decimalStep);
    return static_cast<float>(static_cast<double>(angle) + static_cast<double>(step));
}

TEST(Spin, StepsFollowTheFloatArithmeticExactly)
{
    ViewerState state{};
    float x = 0, y = 0, z = 0;
    for (int i = 1; i <= 100000; ++i) {
        applySpinStep(state);
        x = reference(x, 0.4256);
        y = reference(y, 0.6117);
        z = reference(z, 0.4174);
        if (i == 1 || i == 1000 || i == 100000) {
            EXPECT_EQ(state.angleX, x) << i;
            EXPECT_EQ(state.angleY, y) << i;
            EXPECT_EQ(state.angleZ, z) << i;
        }
    }
    // Far past 360: nothing wraps.
    EXPECT_GT(state.angleY, 60000.0f);
}

TEST(Spin, OneStepFromZeroIsTheNearestFloatOfEachStep)
{
    ViewerState state{};
    applySpinStep(state);
    EXPECT_EQ(state.angleX, 0.4256f);
    EXPECT_EQ(state.angleY, 0.6117f);
    EXPECT_EQ(state.angleZ, 0.4174f);
}

TEST(Spin, HugeAnglesAbsorbTheStepWithoutWrappingOrNaN)
{
    struct Case {
        float x, y, z;
        bool xMoves, yMoves, zMoves;
    };
    const float p23 = 8388608.0f;   // 2^23
    const float p24 = 16777216.0f;  // 2^24
    const Case cases[] = {
        // Just below 2^23 the float spacing is 0.5: 0.4256 and 0.4174 round
        // up to a whole step, 0.6117 too.
        {p23 - 1024, p23 - 1024, p23 - 1024, true, true, true},
        // At 2^23 the spacing is 1: X and Z steps (< 0.5) vanish, Y's stays.
        {p23, p23, p23, false, true, false},
        // At 2^24 the spacing is 2: every step vanishes.
        {p24, p24, p24, false, false, false},
        {3.0e38f, -3.0e38f, 1.0e30f, false, false, false},
    };
    for (const Case& c : cases) {
        ViewerState state{};
        state.angleX = c.x;
        state.angleY = c.y;
        state.angleZ = c.z;
        applySpinStep(state);
        EXPECT_EQ(state.angleX != c.x, c.xMoves) << c.x;
        EXPECT_EQ(state.angleY != c.y, c.yMoves) << c.y;
        EXPECT_EQ(state.angleZ != c.z, c.zMoves) << c.z;
        EXPECT_TRUE(std::isfinite(state.angleX) && std::isfinite(state.angleY) &&
                    std::isfinite(state.angleZ));
        EXPECT_GE(state.angleX, c.x);
        EXPECT_GE(state.angleY, c.y);
    }
}

TEST(Spin, ArrowKeysStillActOnTopOfTheSpin)
{
    ViewerState state{};
    applyKey(state, 13);
    applySpinStep(state);
    applySpecialKey(state, GLUT_KEY_UP);
    applySpinStep(state);
    float x = reference(0.0f, 0.4256);
    x = static_cast<float>(static_cast<double>(x) + 1.0);
    x = reference(x, 0.4256);
    EXPECT_EQ(state.angleX, x);
    EXPECT_EQ(state.animating, 1);
}

}  // namespace
