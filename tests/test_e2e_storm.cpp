// A storm on the real program: ten thousand random key presses mixed with
// window resizes from 1x1 to 4000x4000, sent as fast as X takes them.
// Afterwards the program must still be alive and answering, have printed
// nothing, and quit on Escape with status 0.
//
// The storm comes from a seeded generator. The seed is printed; setting
// ML_STORM_SEED to it replays the same storm.
#include "tests/support/e2e.h"

#include <gtest/gtest.h>
// After GoogleTest: Xlib's macros (None, Bool) clash with its names.
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int KEY_EVENTS = 10000;
constexpr int RESIZES = 120;
constexpr int KEY_BURST = 50;  // events sent with no pause between them
constexpr int BURST_PAUSE_MS = 5;
constexpr int RESIZE_PAUSE_MS = 60;

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Sizes every storm includes, besides random ones: the smallest window X
// allows, one far larger than the screen, and thin strips.
constexpr int EXTREME_SIZES[][2] = {
    {1, 1}, {4000, 4000}, {1, 4000}, {4000, 1}, {2, 2}, {1, 300}, {300, 1}, {3999, 17},
};

// Every key the program may meet except Escape, which quits: the printable
// characters (their keysyms are their codes), Enter, the arrow and page
// keys, Home, End, Insert and the function keys.
std::vector<std::string> stormKeys()
{
    std::vector<std::string> keys;
    for (KeySym printable = 0x20; printable <= 0x7e; ++printable) {
        keys.emplace_back(XKeysymToString(printable));
    }
    for (const char* name :
         {"Return", "Left", "Right", "Up", "Down", "Prior", "Next", "Home", "End", "Insert"}) {
        keys.emplace_back(name);
    }
    for (int f = 1; f <= 12; ++f) {
        keys.push_back("F" + std::to_string(f));
    }
    return keys;
}

std::uint64_t stormSeed()
{
    if (const char* given = std::getenv("ML_STORM_SEED")) {
        return std::stoull(given);
    }
    return std::random_device{}();
}

struct StormEvent {
    int key = -1;  // index into stormKeys(), or -1 for a resize
    int width = 0, height = 0;
};

std::vector<StormEvent> makeStorm(std::mt19937_64& random, int keyCount)
{
    std::vector<StormEvent> storm;
    std::uniform_int_distribution<int> anyKey(0, keyCount - 1);
    for (int i = 0; i < KEY_EVENTS; ++i) {
        storm.push_back({anyKey(random), 0, 0});
    }
    for (const auto& size : EXTREME_SIZES) {
        storm.push_back({-1, size[0], size[1]});
    }
    // Sides spread evenly on a log scale from 1 to 4000 pixels, so small
    // windows come as often as large ones.
    std::uniform_real_distribution<double> logSide(0.0, std::log(4000.0));
    const int randomResizes = RESIZES - static_cast<int>(std::size(EXTREME_SIZES));
    for (int i = 0; i < randomResizes; ++i) {
        storm.push_back({-1, static_cast<int>(std::exp(logSide(random))),
                         static_cast<int>(std::exp(logSide(random)))});
    }
    std::shuffle(storm.begin(), storm.end(), random);
    return storm;
}

TEST(Storm, KeysAndResizesLeaveTheProgramAliveAnsweringAndSilent)
{
    const std::uint64_t seed = stormSeed();
    std::cout << "storm seed " << seed << " (replay with ML_STORM_SEED=" << seed << ")"
              << std::endl;
    SCOPED_TRACE("storm seed " + std::to_string(seed));
    RecordProperty("storm_seed", std::to_string(seed));

    const std::vector<std::string> keys = stormKeys();
    std::mt19937_64 random(seed);
    const std::vector<StormEvent> storm = makeStorm(random, static_cast<int>(keys.size()));

    DemoSession demo;
    demo.waitForStill();
    const auto start = std::chrono::steady_clock::now();
    int enterPresses = 0, keyEvents = 0, resizes = 0, sizesRefused = 0;
    for (size_t i = 0; i < storm.size(); ++i) {
        const StormEvent& event = storm[i];
        if (event.key >= 0) {
            demo.key(keys[static_cast<size_t>(event.key)]);
            enterPresses += keys[static_cast<size_t>(event.key)] == "Return";
            ++keyEvents;
        } else {
            demo.resize(event.width, event.height);
            const WindowInfo info = demo.windowInfo();
            sizesRefused += info.width != event.width || info.height != event.height;
            ++resizes;
            // Time for a frame or two at this size (4000x4000 takes about
            // 40 ms here), so the storm draws at its sizes instead of only
            // reshaping.
            pause(RESIZE_PAUSE_MS);
        }
        if (i % KEY_BURST == KEY_BURST - 1) {
            // Keys come in bursts, so they keep arriving while frames draw.
            pause(BURST_PAUSE_MS);
        }
        if (i % 1000 == 999) {
            ASSERT_TRUE(demo.running()) << "died after storm event " << i << "; stderr: "
                                        << demo.err();
        }
    }
    const double stormSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "storm: " << keyEvents << " key events and " << resizes << " resizes sent in "
              << stormSeconds << " s" << std::endl;
    EXPECT_GE(keyEvents, 10000);
    EXPECT_GE(resizes, 100);
    // The X server took every size, 1x1 and 4000x4000 included, so the
    // program really met them.
    EXPECT_EQ(sizesRefused, 0);

    ASSERT_TRUE(demo.running()) << "stderr: " << demo.err();
    // Spin off again, a normal window, and wait until everything queued has
    // been drawn.
    if (enterPresses % 2 == 1) {
        demo.key("Return");
    }
    demo.resize(300, 300);
    const Image still = demo.waitForStill(0.5, 30.0);
    ASSERT_EQ(still.width, 300);
    ASSERT_EQ(still.height, 300);

    // Still answering: "l" draws a new picture.
    demo.key("l");
    const Image answer = demo.waitForChange(still, 10.0);
    EXPECT_NE(answer, still);
    keepForInspection(answer, "storm_after_l");

    EXPECT_EQ(demo.out(), "") << "the program printed something (an error line?)";
    EXPECT_EQ(demo.err(), "");
    demo.key("Escape");
    const ExitResult result = demo.waitForExit(10.0);
    EXPECT_TRUE(exitedWith(result, 0));
    EXPECT_EQ(demo.out(), "");
}

}  // namespace
