// The Windows program under Wine, each session on its own Xvfb and driven
// with real key events like the Linux program's end-to-end tests: its
// window, its frames against the Linux program's frames of the same state
// (drawn in this process by the same code), its keys, its exit status and
// what it prints.
#include "scene/viewer.h"
#include "tests/support/e2e.h"
#include "tests/support/gl_fixture.h"
#include "tests/support/wine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// freeglut's Windows code takes the X-style DISPLAY variable, which Wine
// passes on, for a Windows display device name and warns when CreateDC
// refuses it. The warning is harmless (screen sizes, which the demo never
// asks for, come from GetSystemMetrics instead) and goes to standard error.
const char* const CREATE_DC_WARNING[] = {
    "fgPlatformInitialize: CreateDC failed, Screen size info may be incorrect",
    "This is quite likely caused by a bad '-display' parameter",
};

// Standard error holds nothing but that warning.
::testing::AssertionResult onlyTheCreateDcWarning(const std::string& err)
{
    std::istringstream lines(err);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const bool known = std::any_of(std::begin(CREATE_DC_WARNING), std::end(CREATE_DC_WARNING),
                                       [&](const char* part) {
                                           return line.find(part) != std::string::npos;
                                       });
        if (!line.empty() && !known) {
            return ::testing::AssertionFailure() << "unexpected line on stderr: " << line;
        }
    }
    return ::testing::AssertionSuccess();
}

struct Difference {
    int largest = 0;  // largest difference of one channel of one pixel
    int pixels = 0;   // pixels that differ at all
};

Difference differenceOf(const Image& a, const Image& b)
{
    Difference d;
    if (a.width != b.width || a.height != b.height) {
        d.largest = 255;
        d.pixels = std::max(a.width * a.height, b.width * b.height);
        return d;
    }
    for (size_t i = 0; i < a.rgb.size(); i += 3) {
        int pixel = 0;
        for (size_t c = 0; c < 3; ++c) {
            pixel = std::max(pixel, std::abs(a.rgb[i + c] - b.rgb[i + c]));
        }
        d.largest = std::max(d.largest, pixel);
        d.pixels += pixel > 0;
    }
    return d;
}

// Prints one line per state for the test log: the per-state comparison is
// the evidence that the Windows build draws what the Linux build draws.
void report(const std::string& state, const Difference& d)
{
    std::printf("windows-vs-linux %-28s largest difference %3d, %5d pixels differ\n",
                state.c_str(), d.largest, d.pixels);
}

std::string nameOf(const ViewerState& s)
{
    char text[96];
    std::snprintf(text, sizeof text, "viewpoint %d mode %d angles %g,%g,%g", s.viewpoint,
                  s.lightingMode, static_cast<double>(s.angleX), static_cast<double>(s.angleY),
                  static_cast<double>(s.angleZ));
    return text;
}

// Screenshots until the drawing area shows `expected` (or the timeout
// passes) and returns the last one. The window shows before Wine has drawn
// its first frame into it, and a key's frame takes a moment to arrive.
Image waitForFrame(DemoSession& demo, const Image& expected, double timeoutSeconds = 10.0)
{
    const auto start = std::chrono::steady_clock::now();
    Image shown = demo.screenshot();
    while (shown != expected && std::chrono::steady_clock::now() - start <
                                    std::chrono::duration<double>(timeoutSeconds)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        shown = demo.screenshot();
    }
    return shown;
}

class UnderWine : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(wineReady()); }
};

TEST_F(UnderWine, WindowHasTheTitleAndA300By300DoubleBufferedDrawingArea)
{
    WineDemo demo;
    const WindowInfo info = demo->windowInfo();
    EXPECT_EQ(info.title, "Materiels et lumieres OpenGL");
    EXPECT_EQ(info.width, 300);
    EXPECT_EQ(info.height, 300);
    EXPECT_TRUE(info.rgba);
    EXPECT_TRUE(info.doubleBuffered);
    EXPECT_TRUE(info.hasDepthBuffer);
    const Image first = renderFrame(stateAt(0, 0));
    EXPECT_EQ(waitForFrame(*demo, first), first);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(demo->screenshot(), first) << "the picture moved with no key pressed";
    EXPECT_EQ(demo->out(), "");
    EXPECT_TRUE(onlyTheCreateDcWarning(demo->err()));
}

// One step of a walk through the states in one session: a key, and the
// state it leads to.
struct Step {
    const char* key;
    ViewerState expected;
};

ViewerState turned(float x, float y, float z)
{
    return stateAt(0, 0, x, y, z);
}

struct Walk {
    const char* name;
    std::vector<Step> steps;
};

void PrintTo(const Walk& walk, std::ostream* os)
{
    *os << walk.name;
}

const Walk WALKS[] = {
    // The twelve viewpoint and lighting-mode pairs, one key apart.
    {"every_viewpoint_and_lighting_mode",
     {{"l", stateAt(0, 1)}, {"l", stateAt(0, 2)}, {"l", stateAt(0, 3)}, {"c", stateAt(1, 3)},
      {"l", stateAt(1, 0)}, {"l", stateAt(1, 1)}, {"l", stateAt(1, 2)}, {"c", stateAt(2, 2)},
      {"l", stateAt(2, 3)}, {"l", stateAt(2, 0)}, {"l", stateAt(2, 1)}}},
    // Each arrow and page key, both ways, then turned under all the lights.
    {"arrow_and_page_keys",
     {{"Up", turned(1, 0, 0)}, {"Up", turned(2, 0, 0)}, {"Down", turned(1, 0, 0)},
      {"Left", turned(1, 1, 0)}, {"Right", turned(1, 0, 0)}, {"Right", turned(1, -1, 0)},
      {"Prior", turned(1, -1, 1)}, {"Next", turned(1, -1, 0)}, {"Next", turned(1, -1, -1)},
      {"l", stateAt(0, 1, 1, -1, -1)}, {"l", stateAt(0, 2, 1, -1, -1)},
      {"l", stateAt(0, 3, 1, -1, -1)}, {"c", stateAt(1, 3, 1, -1, -1)},
      {"c", stateAt(2, 3, 1, -1, -1)}}},
};

class WineWalks : public ::testing::TestWithParam<Walk> {
protected:
    void SetUp() override { ASSERT_TRUE(wineReady()); }
};

TEST_P(WineWalks, EveryFrameIsTheLinuxProgramsFrameOfTheSameState)
{
    const Walk& walk = GetParam();
    WineDemo demo;
    const Image start = renderFrame(stateAt(0, 0));
    Difference worst = differenceOf(waitForFrame(*demo, start), start);
    report("viewpoint 0 mode 0 (start)", worst);
    int stepNumber = 0;
    for (const Step& step : walk.steps) {
        ++stepNumber;
        const Image expected = renderFrame(step.expected);
        demo->key(step.key);
        const Image shown = waitForFrame(*demo, expected, 5.0);
        const Difference d = differenceOf(shown, expected);
        report(nameOf(step.expected), d);
        EXPECT_EQ(shown, expected) << "after " << step.key << " in " << nameOf(step.expected)
                                   << ": largest difference " << d.largest << ", " << d.pixels
                                   << " pixels differ";
        keepForInspection(shown, std::string("windows_") + walk.name + "_" +
                                     std::to_string(stepNumber) + "_" + step.key);
        worst.largest = std::max(worst.largest, d.largest);
        worst.pixels = std::max(worst.pixels, d.pixels);
    }
    report(std::string("worst of ") + walk.name, worst);
    EXPECT_EQ(demo->out(), "");
    EXPECT_TRUE(onlyTheCreateDcWarning(demo->err()));
}

INSTANTIATE_TEST_SUITE_P(Keys, WineWalks, ::testing::ValuesIn(WALKS),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnderWine, EnterStartsTheSpinAndASecondEnterStopsItOnAFrameOfTheLinuxProgram)
{
    WineDemo demo;
    const Image still = renderFrame(stateAt(0, 0));
    ASSERT_EQ(waitForFrame(*demo, still), still);
    demo->key("Return");
    Image previous = demo->waitForChange(still);
    ASSERT_NE(previous, still) << "Enter started no spin";
    for (int i = 0; i < 3; ++i) {
        const Image next = demo->waitForChange(previous, 2.0);
        EXPECT_NE(next, previous) << "frame " << i;
        previous = next;
    }
    demo->key("Return");
    const Image stopped = demo->waitForStill(0.3);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(demo->screenshot(), stopped) << "still turning after the second Enter";
    EXPECT_TRUE(demo->running());

    // The spin stopped after some number of steps: the Linux program's
    // frame after that many steps is the same picture. Each step turns the
    // scene by a fraction of a degree, so the frames of successive steps
    // differ and only one of them can match.
    ViewerState state = stateAt(0, 0);
    Difference closest{256, 0};
    int closestSteps = 0;
    constexpr int MOST_STEPS = 5000;
    for (int steps = 1; steps <= MOST_STEPS && closest.largest > 0; ++steps) {
        applySpinStep(state);
        const Difference d = differenceOf(stopped, renderFrame(state));
        if (d.largest < closest.largest ||
            (d.largest == closest.largest && d.pixels < closest.pixels)) {
            closest = d;
            closestSteps = steps;
        }
    }
    report("spin stopped after " + std::to_string(closestSteps) + " steps", closest);
    EXPECT_EQ(closest.largest, 0) << "no Linux frame of the first " << MOST_STEPS
                                  << " spin steps matches; closest at " << closestSteps;
    EXPECT_EQ(demo->out(), "");
}

TEST_F(UnderWine, UnknownKeysChangeNothingAndEscapeExitsWithStatusZero)
{
    WineDemo demo;
    const Image before = renderFrame(stateAt(0, 0));
    ASSERT_EQ(waitForFrame(*demo, before), before);
    for (const char* key : {"C", "L", "x", "space", "F1", "F5", "Home", "End", "Insert", "Tab",
                            "BackSpace", "Delete"}) {
        demo->key(key);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(demo->screenshot(), before);
    EXPECT_TRUE(demo->running());
    // ... and the program still answers keys of the table.
    demo->key("l");
    EXPECT_NE(demo->waitForChange(before), before);
    demo->key("Return");
    demo->key("Escape");
    const ExitResult result = demo.waitForExit();
    EXPECT_TRUE(exitedWith(result, 0));
    EXPECT_EQ(demo->out(), "");
    EXPECT_TRUE(onlyTheCreateDcWarning(demo->err()));
}

TEST_F(UnderWine, InjectedOpenGLErrorPrintsTheLineOnStandardOutputOnceAndAtOnce)
{
    // Swap number ERROR_FRAME in the program's process leaves an OpenGL
    // error (tests/support/glx_error_injector.c, through Wine's OpenGL on
    // this machine's libGL); every "l" draws one more frame.
    constexpr int ERROR_FRAME = 6;
    WineDemo demo({"LD_PRELOAD=" ML_GLX_ERROR_INJECTOR,
                   "ML_INJECT_GL_ERROR_FRAME=" + std::to_string(ERROR_FRAME)});
    Image before = renderFrame(stateAt(0, 0));
    ASSERT_EQ(waitForFrame(*demo, before), before);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(demo->out(), "") << "more than " << ERROR_FRAME - 1 << " frames at start-up";
    for (int press = 0; press < ERROR_FRAME && demo->out().empty(); ++press) {
        demo->key("l");
        const Image next = demo->waitForChange(before);
        ASSERT_NE(next, before) << "press " << press << " drew no new frame";
        before = next;
        const auto drawn = std::chrono::steady_clock::now();
        while (demo->out().empty() &&
               std::chrono::steady_clock::now() - drawn < std::chrono::seconds(1)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    // A console program's standard output is in text mode on Windows: the
    // line ends in CR LF there.
    ASSERT_EQ(demo->out(), "Erreur OpenGL\r\n") << "stderr: " << demo->err();
    EXPECT_TRUE(demo->running());

    // The next frames are clean.
    demo->key("l");
    demo->waitForChange(before);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    demo->key("Escape");
    const ExitResult result = demo.waitForExit();
    EXPECT_TRUE(exitedWith(result, 0));
    EXPECT_EQ(demo->out(), "Erreur OpenGL\r\n");
    EXPECT_TRUE(onlyTheCreateDcWarning(demo->err()));
}

}  // namespace
