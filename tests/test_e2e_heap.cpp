// The program built to keep freed memory (ML_FAST_ALLOCATOR) against the
// same program with the C heap at its defaults: driven through the same
// keys side by side, the two windows must show the same pixels, frame after
// frame. Reused heap memory holds old contents where fresh pages from the
// kernel hold zeros, so anything in the GL stack that read memory it never
// wrote would show up here as a difference.
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int litPixels(const Image& image)
{
    int lit = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            lit += image.at(x, y) != Rgb{0, 0, 0};
        }
    }
    return lit;
}

struct Step {
    const char* what;
    std::vector<std::string> keys;
    int width, height;  // window size for this step and the ones after it
};

// Every step changes the picture. The long runs of arrow keys draw a frame
// per key, so the heap goes through many frames of allocating and freeing.
const std::vector<Step> STEPS = {
    {"start-up", {}, 300, 300},
    {"lighting mode 1", {"l"}, 300, 300},
    {"lighting mode 2", {"l"}, 300, 300},
    {"lighting mode 3", {"l"}, 300, 300},
    {"viewpoint 1", {"c"}, 300, 300},
    {"viewpoint 2", {"c"}, 300, 300},
    {"40 turns about Y", std::vector<std::string>(40, "Left"), 300, 300},
    {"40 turns about X and 20 about Z",
     [] {
         std::vector<std::string> keys(40, "Up");
         keys.insert(keys.end(), 20, "Prior");
         return keys;
     }(),
     300, 300},
    {"a larger window", {}, 640, 480},
    {"lighting mode 0 in it", {"l"}, 640, 480},
    {"viewpoint 0 and 30 turns", [] {
         std::vector<std::string> keys{"c"};
         keys.insert(keys.end(), 30, "Down");
         return keys;
     }(),
     640, 480},
};

TEST(HeapSettings, KeepingFreedMemoryChangesNoPixel)
{
#if !ML_FAST_ALLOCATOR
    GTEST_SKIP() << "configured with ML_FAST_ALLOCATOR=OFF: both programs are the same";
#endif
    DemoSession kept;  // this build's program
    DemoSession defaults({}, {}, ML_DEFAULT_HEAP_DEMO_PATH);
    DemoSession* both[] = {&kept, &defaults};

    Image before;
    for (size_t n = 0; n < STEPS.size(); ++n) {
        const Step& step = STEPS[n];
        SCOPED_TRACE(step.what);
        Image shown[2];
        for (int i = 0; i < 2; ++i) {
            if (step.width != before.width || step.height != before.height) {
                both[i]->resize(step.width, step.height);
            }
            for (const std::string& key : step.keys) {
                both[i]->key(key);
            }
        }
        for (int i = 0; i < 2; ++i) {
            both[i]->waitForChange(before);
            shown[i] = both[i]->waitForStill();
        }
        ASSERT_EQ(shown[0].width, step.width);
        ASSERT_EQ(shown[0].height, step.height);
        EXPECT_NE(shown[0], before) << "the step did not change the picture";
        EXPECT_GT(litPixels(shown[0]), 500) << "nothing drawn";
        EXPECT_EQ(shown[0], shown[1]);
        keepForInspection(shown[0], "heap-kept-" + std::to_string(n));
        keepForInspection(shown[1], "heap-defaults-" + std::to_string(n));
        before = shown[0];
    }
    EXPECT_TRUE(kept.running());
    EXPECT_TRUE(defaults.running());
}

}  // namespace
