// ml-explain-tally: how well the explain tool's account of GL's shading
// (the triangle under the pixel, its lit corners, perspective-correct
// interpolation) matches the drawn pixels, over every pixel of the twelve
// gallery states (three viewpoints by four lighting modes, no rotation,
// 300 by 300), and how far the model's corner colours are from GL's.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/ml-explain-tally
//
// Per state and in total: pixels on a solid, how many the interpolation
// gives exactly, off by one level, off by more; how many the tool flags,
// and how many off by more carry no reason but the mismatch (the account
// would then be wrong: expected 0). Then the time to draw and capture one
// frame and to explain every pixel of it.
#include "explain/explanation.h"
#include "tools/common/gl_session.h"
#include "tools/explain/drawn_frame.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double percent(int part, int whole)
{
    return whole == 0 ? 0.0 : 100.0 * part / whole;
}

}  // namespace

int main()
{
    std::string error;
    if (!openGlContext("ml-explain-tally", error)) {
        return failWith("ml-explain-tally", EXIT_NO_DISPLAY_OR_GL, error);
    }
    std::printf("%-9s %8s %8s %8s %7s %8s %9s %11s %9s %9s\n", "state", "on solid", "exact",
                "1 level", "beyond", "flagged", "unreason", "corner diff", "draw ms",
                "all px ms");
    FrameTally total;
    double drawTime = 0, explainTime = 0;
    for (int viewpoint = 0; viewpoint < 3; ++viewpoint) {
        for (int mode = 0; mode < 4; ++mode) {
            StateOptions state;
            state.viewpoint = viewpoint;
            state.lightingMode = mode;
            DrawnFrame frame;
            auto start = std::chrono::steady_clock::now();
            if (const int status = drawFrame(state, frame, error); status != EXIT_DONE) {
                return failWith("ml-explain-tally", status, error);
            }
            const double draw = secondsSince(start);
            start = std::chrono::steady_clock::now();
            const FrameExplainer explainer(frame);
            const FrameTally t = tallyFrame(explainer);
            const double all = secondsSince(start);
            drawTime += draw;
            explainTime += all;
            std::printf("vp%d mode%d %8d %8d %8d %7d %8d %9d %11.3f %9.1f %9.1f\n", viewpoint,
                        mode, t.solidPixels, t.exact, t.withinOne, t.beyond, t.flagged,
                        t.beyondUnaccounted, t.largestCornerDifference, draw * 1000,
                        all * 1000);
            total.solidPixels += t.solidPixels;
            total.exact += t.exact;
            total.withinOne += t.withinOne;
            total.beyond += t.beyond;
            total.flagged += t.flagged;
            total.flaggedBeyond += t.flaggedBeyond;
            total.beyondUnaccounted += t.beyondUnaccounted;
            total.cornersCompared += t.cornersCompared;
            total.cornersOnTerminator += t.cornersOnTerminator;
            total.largestCornerDifference =
                std::max(total.largestCornerDifference, t.largestCornerDifference);
        }
    }
    std::printf("%-9s %8d %8d %8d %7d %8d %9d %11.3f %9.1f %9.1f\n", "all 12", total.solidPixels,
                total.exact, total.withinOne, total.beyond, total.flagged,
                total.beyondUnaccounted, total.largestCornerDifference, drawTime * 1000,
                explainTime * 1000);
    std::printf("\nOf %d pixels on a solid: %d exact (%.3f %%), %d off by one level (%.3f %%), "
                "%d off by more (%.3f %%).\n",
                total.solidPixels, total.exact, percent(total.exact, total.solidPixels),
                total.withinOne, percent(total.withinOne, total.solidPixels), total.beyond,
                percent(total.beyond, total.solidPixels));
    std::printf("Flagged: %d pixels, %d of them off by more than one level; off by more with no "
                "reason but the mismatch: %d.\n",
                total.flagged, total.flaggedBeyond, total.beyondUnaccounted);
    std::printf("Model corner colours against GL's feedback: %d corners, largest difference "
                "%.4f levels; %d of them grazed by a light (|N.L| < 1e-5) and lit as just across\n"
                "the terminator by GL's rounding.\n",
                total.cornersCompared, total.largestCornerDifference, total.cornersOnTerminator);
    closeGlContext();
    return 0;
}
