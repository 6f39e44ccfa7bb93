// Soak: the program's own frame cycle for a long time in one process, with
// an eye on memory.
//
//   ml-soak [FRAMES [WARMUP]] [--leak-quadrics]
//
// Sets up the C heap and opens the window the way the program does (on a
// private Xvfb unless ML_TEST_USE_DISPLAY=1), switches the spin on with the
// Enter key's callback and runs GLUT's main loop: idle() turns the scene,
// display() draws each frame. Every 250 frames "l" moves to the next lighting mode, every
// 1000 frames "c" to the next viewpoint. After WARMUP frames (default 3000)
// and at the end it samples the resident memory (VmRSS) and the heap in use
// (mallinfo2), each the lowest over the last 100 frames before that point,
// and it counts the GLU quadrics made and deleted.
//
// Exit status 1 when, after the warm-up, resident memory grew by 1 MiB or
// more, the heap in use by 64 KiB or more, or a frame left a quadric behind.
// --leak-quadrics skips deleting them on purpose, to see the checks (and, in
// a sanitized build, LeakSanitizer) catch it.
//
// The program is linked with -Wl,--wrap for glutSwapBuffers, gluNewQuadric
// and gluDeleteQuadric, so the calls the program makes come here first.
#include "app/callbacks.h"
#include "app/memory.h"
#include "render/gl.h"
#include "tests/support/gl_fixture.h"

#include <GL/freeglut_ext.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <string>

extern "C" {
void __real_glutSwapBuffers();
GLUquadric* __real_gluNewQuadric();
void __real_gluDeleteQuadric(GLUquadric* quadric);
void __wrap_glutSwapBuffers();
GLUquadric* __wrap_gluNewQuadric();
void __wrap_gluDeleteQuadric(GLUquadric* quadric);
}

namespace {

constexpr long RSS_LIMIT_KIB = 1024;
constexpr long HEAP_LIMIT_KIB = 64;
// Every viewpoint and lighting mode comes within the first 3000 frames. The
// GL driver builds its code for each new lighting state the first time it
// meets it, so the warm-up covers them all before memory is measured.
constexpr long LIGHTING_KEY_EVERY = 250;
constexpr long VIEWPOINT_KEY_EVERY = 1000;
constexpr int REPORTS = 10;  // progress lines over the run
// Memory comes and goes within a frame or two (the driver's buffers): each
// figure is the lowest over this many frames, ending at the warm-up and at
// the last frame, so a passing block is not taken for growth. A leak raises
// the whole window.
constexpr long WINDOW = 100;

struct Memory {
    long residentKiB = 0;  // VmRSS
    long heapKiB = 0;      // malloc'd and not yet freed, all arenas
};

Memory lowest(const Memory& a, const Memory& b)
{
    return {std::min(a.residentKiB, b.residentKiB), std::min(a.heapKiB, b.heapKiB)};
}

Memory sampleMemory()
{
    Memory memory;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, 6, "VmRSS:") == 0) {
            memory.residentKiB = std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    const struct mallinfo2 info = mallinfo2();
    memory.heapKiB = static_cast<long>((info.uordblks + info.hblkhd) / 1024);
    return memory;
}

struct Soak {
    long frames = 100000;
    long warmup = 3000;
    bool leakQuadrics = false;

    long drawn = 0;
    long quadricsMade = 0;
    long quadricsDeleted = 0;
    long framesLeavingAQuadric = 0;
    Memory atWarmup{LONG_MAX, LONG_MAX}, atEnd{LONG_MAX, LONG_MAX};
    std::chrono::steady_clock::time_point start, warm;
};

Soak soak;

double secondsSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

void printSample(const char* what, long frame, const Memory& memory)
{
    std::printf("%-8s frame %7ld  resident %7ld KiB  heap in use %7ld KiB  %.1f s\n", what, frame,
                memory.residentKiB, memory.heapKiB, secondsSince(soak.start));
    std::fflush(stdout);
}

}  // namespace

// One call per frame, from display().
void __wrap_glutSwapBuffers()
{
    __real_glutSwapBuffers();
    ++soak.drawn;
    // The frame's cylinder made its quadric and must have deleted it.
    if (soak.quadricsMade != soak.quadricsDeleted) {
        ++soak.framesLeavingAQuadric;
    }
    if (soak.drawn > soak.warmup - WINDOW && soak.drawn <= soak.warmup) {
        soak.atWarmup = lowest(soak.atWarmup, sampleMemory());
    }
    if (soak.drawn > soak.frames - WINDOW) {
        soak.atEnd = lowest(soak.atEnd, sampleMemory());
    }
    if (soak.drawn == soak.warmup) {
        soak.warm = std::chrono::steady_clock::now();
        printSample("warm-up", soak.drawn, soak.atWarmup);
    } else if (soak.drawn % (soak.frames / REPORTS) == 0 && soak.drawn < soak.frames) {
        printSample("", soak.drawn, sampleMemory());
    }
    if (soak.drawn == soak.frames) {
        printSample("end", soak.drawn, soak.atEnd);
        glutLeaveMainLoop();
        return;
    }
    if (soak.drawn % LIGHTING_KEY_EVERY == 0) {
        keyboard('l', 0, 0);
    }
    if (soak.drawn % VIEWPOINT_KEY_EVERY == 0) {
        keyboard('c', 0, 0);
    }
}

GLUquadric* __wrap_gluNewQuadric()
{
    ++soak.quadricsMade;
    return __real_gluNewQuadric();
}

void __wrap_gluDeleteQuadric(GLUquadric* quadric)
{
    if (soak.leakQuadrics) {
        return;
    }
    ++soak.quadricsDeleted;
    __real_gluDeleteQuadric(quadric);
}

int main(int argc, char** argv)
{
    int position = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--leak-quadrics") == 0) {
            soak.leakQuadrics = true;
        } else if (position == 0) {
            soak.frames = std::atol(argv[i]);
            ++position;
        } else if (position == 1) {
            soak.warmup = std::atol(argv[i]);
            ++position;
        } else {
            std::fprintf(stderr, "usage: %s [FRAMES [WARMUP]] [--leak-quadrics]\n", argv[0]);
            return 2;
        }
    }
    if (soak.frames < REPORTS || soak.warmup < WINDOW || soak.warmup > soak.frames - WINDOW) {
        std::fprintf(stderr, "ml-soak: need %ld <= WARMUP <= FRAMES - %ld and FRAMES >= %d\n",
                     WINDOW, WINDOW, REPORTS);
        return 2;
    }

    soak.start = std::chrono::steady_clock::now();
    soak.warm = soak.start;
    keepFreedMemory();  // first, as in the program's main()
    ensureGlWindow();
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(specialKey);
    keyboard('\r', 0, 0);  // Enter: the spin starts, idle() is registered
    glutMainLoop();        // until the last frame leaves it

    const double seconds = secondsSince(soak.warm);
    const long residentGrowth = soak.atEnd.residentKiB - soak.atWarmup.residentKiB;
    const long heapGrowth = soak.atEnd.heapKiB - soak.atWarmup.heapKiB;
    const long quadricsLeft = soak.quadricsMade - soak.quadricsDeleted;
    std::printf("frames %ld (%.0f per second after the warm-up)\n", soak.drawn,
                static_cast<double>(soak.frames - soak.warmup) / seconds);
    std::printf("resident memory growth after the warm-up: %ld KiB (limit %ld)\n", residentGrowth,
                RSS_LIMIT_KIB);
    std::printf("heap in use growth after the warm-up: %ld KiB (limit %ld)\n", heapGrowth,
                HEAP_LIMIT_KIB);
    std::printf("quadrics made %ld, deleted %ld, left behind: %ld\n", soak.quadricsMade,
                soak.quadricsDeleted, quadricsLeft);
    std::printf("frames that left a quadric behind: %ld\n", soak.framesLeavingAQuadric);

    const bool ok = residentGrowth < RSS_LIMIT_KIB && heapGrowth < HEAP_LIMIT_KIB &&
                    quadricsLeft == 0 && soak.framesLeavingAQuadric == 0 &&
                    soak.quadricsMade == soak.drawn;
    std::printf("%s\n", ok ? "soak passed" : "soak FAILED");
    return ok ? 0 : 1;
}
