// Pixels read back from a window, and PNG files of them for people to look at.
#pragma once

#include <ostream>
#include <string>
#include <vector>

typedef struct _XImage XImage;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// Pixels in reading order: row 0 is the top of the window.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;

    Rgb at(int x, int y) const
    {
        const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
    bool operator==(const Image& o) const
    {
        return width == o.width && height == o.height && rgb == o.rgb;
    }
    bool operator!=(const Image& o) const { return !(*this == o); }
};

// Test failures show an image as its size and a checksum, not its bytes.
void PrintTo(const Image& image, std::ostream* os);

// Converts a 24- or 32-bit TrueColor XImage (what Xvfb gives at depth 24).
Image fromXImage(const XImage& ximage);

// Writes an 8-bit RGB PNG; returns false if the file could not be written.
bool writePng(const Image& image, const std::string& path);

// When ML_TEST_PNG_DIR is set, writes the image there as NAME.png so a
// person can look at what a test saw.
void keepForInspection(const Image& image, const std::string& name);

