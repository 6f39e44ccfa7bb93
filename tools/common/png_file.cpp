#include "tools/common/png_file.h"

#include <png.h>

#include <csetjmp>

namespace {

// libpng reports errors through this callback and then longjmps back to the
// setjmp in the calling function; the message is kept for the caller.
void keepError(png_structp png, png_const_charp message)
{
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// The setjmp sits in these two helpers, which own nothing with a destructor
// that a longjmp would skip.
bool writeRows(png_structp png, png_infop info, std::FILE* file, const RgbImage& image,
               png_text* texts, int textCount)
{
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (textCount > 0) {
        png_set_text(png, info, texts, textCount);
    }
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(image.width) * 3;
    for (int y = 0; y < image.height; ++y) {
        png_write_row(png, &image.rgb[static_cast<size_t>(y) * stride]);
    }
    png_write_end(png, nullptr);
    return true;
}

bool readRows(png_structp png, png_infop info, std::FILE* file, RgbImage& image,
              std::vector<png_bytep>& rows)
{
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    image.width = static_cast<int>(png_get_image_width(png, info));
    image.height = static_cast<int>(png_get_image_height(png, info));
    const size_t stride = static_cast<size_t>(image.width) * 3;
    if (png_get_rowbytes(png, info) != stride) {
        png_error(png, "unexpected row size after conversion to 8-bit RGB");
    }
    image.rgb.resize(stride * static_cast<size_t>(image.height));
    rows.resize(static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        rows[static_cast<size_t>(y)] = &image.rgb[static_cast<size_t>(y) * stride];
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

bool writePng(std::FILE* file, const RgbImage& image, const std::vector<PngText>& text,
              std::string& error)
{
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, keepError, ignoreWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        error = "libpng could not start";
        return false;
    }
    std::vector<png_text> texts(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
        texts[i].key = const_cast<char*>(text[i].first.c_str());
        texts[i].text = const_cast<char*>(text[i].second.c_str());
    }
    const bool ok = writeRows(png, info, file, image, texts.data(), static_cast<int>(texts.size()));
    png_destroy_write_struct(&png, &info);
    return ok;
}

bool readPng(const std::string& path, RgbImage& image, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open \"" + path + "\"";
        return false;
    }
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, keepError, ignoreWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    bool ok = info != nullptr;
    if (ok) {
        std::vector<png_bytep> rows;
        ok = readRows(png, info, file, image, rows);
        if (!ok) {
            error = "\"" + path + "\" is not a readable PNG: " + error;
        }
    } else {
        error = "libpng could not start";
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return ok;
}
