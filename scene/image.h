// A frame's pixels as the explainer, the tools and the tests hold them.
#pragma once

#include <vector>

// Pixels in reading order: row 0 is the top of the picture.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // width * height * 3 bytes
};
