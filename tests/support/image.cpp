#include "tests/support/image.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Position of the lowest set bit of a channel mask.
int shiftOf(unsigned long mask)
{
    int shift = 0;
    while (mask != 0 && (mask & 1UL) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

void PrintTo(const Image& image, std::ostream* os)
{
    unsigned long sum = 0;
    for (unsigned char c : image.rgb) {
        sum = sum * 31 + c;
    }
    *os << image.width << "x" << image.height << " image, checksum " << sum;
}

Image fromXImage(const XImage& ximage)
{
    Image image;
    image.width = ximage.width;
    image.height = ximage.height;
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    const int rs = shiftOf(ximage.red_mask);
    const int gs = shiftOf(ximage.green_mask);
    const int bs = shiftOf(ximage.blue_mask);
    XImage& readable = const_cast<XImage&>(ximage);
    unsigned char* out = image.rgb.data();
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const unsigned long pixel = XGetPixel(&readable, x, y);
            *out++ = static_cast<unsigned char>((pixel & ximage.red_mask) >> rs);
            *out++ = static_cast<unsigned char>((pixel & ximage.green_mask) >> gs);
            *out++ = static_cast<unsigned char>((pixel & ximage.blue_mask) >> bs);
        }
    }
    return image;
}

bool writePng(const Image& image, const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png != nullptr && info != nullptr;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                     static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < image.height; ++y) {
            png_write_row(png, &image.rgb[static_cast<size_t>(y) * image.width * 3]);
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}

void keepForInspection(const Image& image, const std::string& name)
{
    const char* dir = std::getenv("ML_TEST_PNG_DIR");
    if (dir != nullptr && *dir != '\0') {
        writePng(image, std::string(dir) + "/" + name + ".png");
    }
}

