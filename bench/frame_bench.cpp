// ml-frame-bench: the time of one frame of the real display(), in a real
// GLUT window on a private Xvfb, at 300 by 300 and 1280 by 1024 in each
// lighting mode.
//
//   ml-frame-bench [--frames=N] [Google Benchmark flags]
//
// Each frame is one iteration, timed on its own: besides Google Benchmark's
// mean, the figures are the median and the 10th and 90th percentiles over N
// frames (counters median_ms, p10_ms, p90_ms). Every frame first takes one
// step of the spin, as the idle callback does, so the samples cover the
// scene at many angles, the same sequence in every build. The process sets
// up its heap as the program does (app/memory.h): a build configured with
// ML_FAST_ALLOCATOR=OFF measures the baseline. The window is the GL test
// fixture's (tests/support/gl_fixture.h); ML_TEST_USE_DISPLAY=1 opens it on
// the caller's display instead of a private Xvfb.
#include "app/memory.h"
#include "render/gl.h"
#include "render/render.h"
#include "scene/viewer.h"
#include "tests/support/gl_fixture.h"

#include <GL/freeglut_ext.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Size {
    int width, height;
};

constexpr Size SIZES[] = {{300, 300}, {1280, 1024}};

// An X server screen with room for a 1280 by 1024 window at (50, 50).
const char* const SCREEN = "1344x1088x24";

int framesPerCase = 300;

double percentile(std::vector<double> samples, double p)
{
    std::sort(samples.begin(), samples.end());
    return samples[static_cast<size_t>(p * static_cast<double>(samples.size() - 1) + 0.5)];
}

void frame(benchmark::State& state, Size size, int mode)
{
    resizeGlWindow(size.width, size.height);
    viewer.lightingMode = mode;
    // Room for every sample up front: nothing else allocates between
    // frames, so the heap sees what it sees in the program.
    std::vector<double> milliseconds;
    milliseconds.reserve(static_cast<size_t>(state.max_iterations));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        applySpinStep(viewer);
        display();
        milliseconds.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    state.counters["median_ms"] = percentile(milliseconds, 0.5);
    state.counters["p10_ms"] = percentile(milliseconds, 0.1);
    state.counters["p90_ms"] = percentile(milliseconds, 0.9);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool tuned = keepFreedMemory();

    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--frames=", 9) == 0) {
            framesPerCase = std::max(2, std::atoi(argv[i] + 9));
        } else {
            benchmark::ReportUnrecognizedArguments(argc, argv);
            return 2;
        }
    }

    ensureGlWindow(SCREEN);

    benchmark::AddCustomContext("heap", tuned ? "keeps freed memory (ML_FAST_ALLOCATOR)"
                                              : "C library defaults");
    benchmark::AddCustomContext("GL_RENDERER",
                                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    for (const Size size : SIZES) {
        for (int mode = 0; mode < LIGHTING_MODE_COUNT; ++mode) {
            const std::string name = "display/" + std::to_string(size.width) + "x" +
                                     std::to_string(size.height) + "/mode:" +
                                     std::to_string(mode);
            benchmark::RegisterBenchmark(name.c_str(), frame, size, mode)
                ->Iterations(framesPerCase)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    glutExit();  // GLUT lets go of the X server before it stops
    return 0;
}
