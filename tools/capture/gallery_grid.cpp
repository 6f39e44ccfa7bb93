// gallery-grid: lays the twelve captured frames (three viewpoints by four
// lighting modes) out in one labelled PNG, for the README.
//
//   gallery-grid OUTPUT V0M0.png V0M1.png ... V2M3.png
//
// Frames come viewpoint by viewpoint, modes 0 to 3 within each, all of one
// size. Each lands unchanged (pixel for pixel) in its cell.
#include "bitmap_font.h"
#include "output_file.h"
#include "png_file.h"
#include "state_names.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const PROGRAM = "gallery-grid";
constexpr int BAD_REQUEST = 2;

constexpr int FRAME_COUNT = VIEWPOINT_COUNT * LIGHTING_MODE_COUNT;

// Layout, in pixels. Text is the 5 x 7 font drawn TEXT_SCALE times larger.
constexpr int TEXT_SCALE = 2;
constexpr int TEXT_HEIGHT = GLYPH_HEIGHT * TEXT_SCALE;
constexpr int TEXT_ADVANCE = (GLYPH_WIDTH + 1) * TEXT_SCALE;
constexpr int MARGIN = 16;             // around everything
constexpr int CELL_GAP = 8;            // between frames side by side
constexpr int LINE_GAP = 6;            // between two lines of a heading
constexpr int HEADING_GAP = 8;         // between a heading and the frames below it
constexpr int ROW_GAP = 18;            // above each viewpoint's heading
constexpr int COLUMN_HEADING = 2 * TEXT_HEIGHT + LINE_GAP;

constexpr unsigned char BACKGROUND[3] = {32, 32, 32};
constexpr unsigned char INK[3] = {235, 235, 235};

struct Rect {
    int x, y, width, height;
};

void fill(RgbImage& image, Rect r, const unsigned char colour[3])
{
    for (int y = r.y; y < r.y + r.height; ++y) {
        for (int x = r.x; x < r.x + r.width; ++x) {
            unsigned char* p = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
            p[0] = colour[0];
            p[1] = colour[1];
            p[2] = colour[2];
        }
    }
}

// Draws `text` from (x, y), its top left, inking only inside `clip`.
void drawText(RgbImage& image, const std::string& text, int x, int y, Rect clip)
{
    for (char c : text) {
        const Glyph* glyph = glyphFor(c);
        for (int row = 0; glyph != nullptr && row < GLYPH_HEIGHT; ++row) {
            for (int column = 0; column < GLYPH_WIDTH; ++column) {
                if (glyph->rows[row][column] != '#') {
                    continue;
                }
                const Rect dot{x + column * TEXT_SCALE, y + row * TEXT_SCALE, TEXT_SCALE,
                               TEXT_SCALE};
                if (dot.x >= clip.x && dot.y >= clip.y &&
                    dot.x + dot.width <= clip.x + clip.width &&
                    dot.y + dot.height <= clip.y + clip.height) {
                    fill(image, dot, INK);
                }
            }
        }
        x += TEXT_ADVANCE;
    }
}

void copyFrame(RgbImage& image, const RgbImage& frame, int left, int top)
{
    const size_t stride = static_cast<size_t>(frame.width) * 3;
    for (int y = 0; y < frame.height; ++y) {
        std::copy_n(&frame.rgb[static_cast<size_t>(y) * stride], stride,
                    &image.rgb[(static_cast<size_t>(top + y) * image.width + left) * 3]);
    }
}

RgbImage layOut(const std::vector<RgbImage>& frames)
{
    const int w = frames[0].width;
    const int h = frames[0].height;
    RgbImage grid;
    grid.width = 2 * MARGIN + LIGHTING_MODE_COUNT * w + (LIGHTING_MODE_COUNT - 1) * CELL_GAP;
    grid.height = 2 * MARGIN + COLUMN_HEADING +
                  VIEWPOINT_COUNT * (ROW_GAP + TEXT_HEIGHT + HEADING_GAP + h);
    grid.rgb.resize(static_cast<size_t>(grid.width) * grid.height * 3);
    fill(grid, {0, 0, grid.width, grid.height}, BACKGROUND);

    // Lighting modes head the columns.
    for (int m = 0; m < LIGHTING_MODE_COUNT; ++m) {
        const int left = MARGIN + m * (w + CELL_GAP);
        const Rect column{left, MARGIN, w, COLUMN_HEADING};
        drawText(grid, "MODE " + std::to_string(m), left, MARGIN, column);
        drawText(grid, LIGHTING_MODE_NAMES[m], left, MARGIN + TEXT_HEIGHT + LINE_GAP, column);
    }
    // Each viewpoint heads its row.
    int top = MARGIN + COLUMN_HEADING;
    for (int v = 0; v < VIEWPOINT_COUNT; ++v) {
        top += ROW_GAP;
        drawText(grid, "VIEWPOINT " + std::to_string(v) + ": " + VIEWPOINT_NAMES[v], MARGIN, top,
                 {MARGIN, top, grid.width - 2 * MARGIN, TEXT_HEIGHT});
        top += TEXT_HEIGHT + HEADING_GAP;
        for (int m = 0; m < LIGHTING_MODE_COUNT; ++m) {
            copyFrame(grid, frames[static_cast<size_t>(v * LIGHTING_MODE_COUNT + m)],
                      MARGIN + m * (w + CELL_GAP), top);
        }
        top += h;
    }
    return grid;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", PROGRAM, message.c_str());
    return BAD_REQUEST;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 + FRAME_COUNT) {
        return fail("usage: gallery-grid OUTPUT V0M0.png V0M1.png ... V2M3.png (" +
                    std::to_string(FRAME_COUNT) + " frames, " + std::to_string(argc - 2) +
                    " given)");
    }
    std::vector<RgbImage> frames(FRAME_COUNT);
    for (int i = 0; i < FRAME_COUNT; ++i) {
        std::string error;
        if (!readPng(argv[2 + i], frames[static_cast<size_t>(i)], error)) {
            return fail(error);
        }
        if (frames[static_cast<size_t>(i)].width != frames[0].width ||
            frames[static_cast<size_t>(i)].height != frames[0].height) {
            return fail(std::string("\"") + argv[2 + i] + "\" is not the size of \"" + argv[2] +
                        "\"");
        }
    }

    OutputFile output(argv[1]);
    if (output.stream() == nullptr) {
        return fail(output.error());
    }
    std::string error;
    if (!writePng(output.stream(), layOut(frames),
                  {{"Software", PROGRAM},
                   {"Description", "Materiels et lumieres OpenGL: the three viewpoints (rows) "
                                   "under the four lighting modes (columns)"}},
                  error)) {
        return fail("cannot write \"" + std::string(argv[1]) + "\": " + error);
    }
    if (!output.commit()) {
        return fail(output.error());
    }
    return 0;
}
