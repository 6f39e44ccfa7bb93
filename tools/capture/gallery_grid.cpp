// gallery-grid: lays the twelve captured frames (three viewpoints by four
// lighting modes) out in one labelled PNG, for the README.
//
//   gallery-grid OUTPUT V0M0.png V0M1.png ... V2M3.png
//
// Frames come viewpoint by viewpoint, modes 0 to 3 within each, all of one
// size. Each lands unchanged (pixel for pixel) in its cell.
#include "scene/names.h"
#include "tools/common/output_file.h"
#include "tools/common/picture_grid.h"
#include "tools/common/png_file.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const PROGRAM = "gallery-grid";
constexpr int BAD_REQUEST = 2;

constexpr int FRAME_COUNT = VIEWPOINT_COUNT * LIGHTING_MODE_COUNT;

// Modes head the columns, viewpoints the rows.
RgbImage layOut(const std::vector<RgbImage>& frames)
{
    Grid grid;
    for (int m = 0; m < LIGHTING_MODE_COUNT; ++m) {
        grid.columnHeadings.push_back({"MODE " + std::to_string(m), LIGHTING_MODE_NAMES[m]});
    }
    for (int v = 0; v < VIEWPOINT_COUNT; ++v) {
        GridRow row;
        row.heading = "VIEWPOINT " + std::to_string(v) + ": " + VIEWPOINT_NAMES[v];
        for (int m = 0; m < LIGHTING_MODE_COUNT; ++m) {
            row.frames.push_back(&frames[static_cast<size_t>(v * LIGHTING_MODE_COUNT + m)]);
        }
        grid.rows.push_back(row);
    }
    return layOutGrid(grid, frames[0].width, frames[0].height);
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
