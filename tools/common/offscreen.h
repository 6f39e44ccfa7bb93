// A framebuffer object to draw one frame into instead of the window, so a
// frame may be larger than the screen and is read back from memory the GL
// owns (software GL keeps no readable front buffer after a swap).
#pragma once

#include "png_file.h"

#include <string>

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

private:
    int width_, height_;
    unsigned framebuffer_ = 0, colour_ = 0, depth_ = 0;
    bool topRowFirst_ = false;  // drawn with the clip origin at the upper left
    Outcome outcome_ = Outcome::Unsupported;
    std::string error_;
};
