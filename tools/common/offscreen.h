// A framebuffer object to draw one frame into instead of the window, so a
// frame may be larger than the screen and is read back from memory the GL
// owns (software GL keeps no readable front buffer after a swap).
#pragma once

#include "tools/common/png_file.h"

#include <string>
#include <vector>

class OffscreenTarget {
public:
    enum class Outcome {
        Ready,
        TooLarge,     // beyond the GL's limits or its memory
        Unsupported,  // the context cannot draw off screen at all
    };

    // Needs a current GL context. Creates a colour and a depth buffer of
    // width x height, the depth buffer as deep as the window's, and binds
    // them so that drawing goes there. On failure, error() names the problem.
    OffscreenTarget(int width, int height);
    ~OffscreenTarget();
    OffscreenTarget(const OffscreenTarget&) = delete;
    OffscreenTarget& operator=(const OffscreenTarget&) = delete;

    Outcome outcome() const { return outcome_; }
    const std::string& error() const { return error_; }

    // What was drawn, row 0 at the top. Throws std::bad_alloc if the copy
    // does not fit in memory.
    RgbImage read() const;

    // Window depth of what was drawn, 0 at the near plane, 1 where nothing
    // was; row 0 at the top, like read(). Throws std::bad_alloc likewise.
    std::vector<float> readDepth() const;

    // Whether the frame is drawn with the clip origin at the upper left, so
    // that GL's window y counts down from the picture's top row; otherwise
    // it counts up from the bottom row.
    bool topRowFirst() const { return topRowFirst_; }

private:
    int width_, height_;
    unsigned framebuffer_ = 0, colour_ = 0, depth_ = 0;
    bool topRowFirst_ = false;  // drawn with the clip origin at the upper left
    Outcome outcome_ = Outcome::Unsupported;
    std::string error_;
};
