// Frames of one size laid out in a labelled grid on a dark background, the
// labels in the 5 x 7 font: headings over the columns, a heading line over
// each row, and captions over single frames. The gallery and the capture
// tool's layers picture are drawn with it. Each frame lands unchanged, pixel
// for pixel, in its cell.
#pragma once

#include "tools/common/png_file.h"

#include <string>
#include <vector>

struct GridRow {
    std::string heading;                         // one line across the grid
    std::vector<const RgbImage*> frames;         // left to right
    std::vector<std::vector<std::string>> captions;  // lines over each frame, if any
};

struct Grid {
    std::vector<std::vector<std::string>> columnHeadings;  // lines over each column
    std::vector<GridRow> rows;
};

// The size of the picture, in 64 bits so that a caller can refuse one too
// large before anything is drawn; the frames' pointers are not read.
struct GridSize {
    long long width, height;
};
GridSize gridSize(const Grid& grid, int frameWidth, int frameHeight);

// Every frame must be frameWidth x frameHeight.
RgbImage layOutGrid(const Grid& grid, int frameWidth, int frameHeight);

// Ink and background, for tests and for pictures drawn to match.
constexpr unsigned char GRID_BACKGROUND[3] = {32, 32, 32};
constexpr unsigned char GRID_INK[3] = {235, 235, 235};
