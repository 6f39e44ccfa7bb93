#include "tools/common/picture_grid.h"

#include "tools/common/bitmap_font.h"

#include <algorithm>

namespace {

// Layout, in pixels. Text is the 5 x 7 font drawn TEXT_SCALE times larger.
constexpr int TEXT_SCALE = 2;
constexpr int TEXT_HEIGHT = GLYPH_HEIGHT * TEXT_SCALE;
constexpr int TEXT_ADVANCE = (GLYPH_WIDTH + 1) * TEXT_SCALE;
constexpr int MARGIN = 16;       // around everything
constexpr int CELL_GAP = 8;      // between frames side by side
constexpr int LINE_GAP = 6;      // between two lines of a heading, and below a caption
constexpr int HEADING_GAP = 8;   // between a row's heading and what is below it
constexpr int ROW_GAP = 18;      // above each row's heading

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
                    fill(image, dot, GRID_INK);
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

// Height of a block of `lines` lines of text: nothing for none.
int textBlock(size_t lines)
{
    return lines == 0 ? 0
                      : static_cast<int>(lines) * TEXT_HEIGHT +
                            (static_cast<int>(lines) - 1) * LINE_GAP;
}

size_t mostLines(const std::vector<std::vector<std::string>>& labels)
{
    size_t most = 0;
    for (const std::vector<std::string>& label : labels) {
        most = std::max(most, label.size());
    }
    return most;
}

int columnsOf(const Grid& grid)
{
    size_t columns = grid.columnHeadings.size();
    for (const GridRow& row : grid.rows) {
        columns = std::max(columns, row.frames.size());
    }
    return static_cast<int>(columns);
}

// From the top of a row's heading to the top of its frames.
int rowHeader(const GridRow& row)
{
    const size_t captionLines = mostLines(row.captions);
    return TEXT_HEIGHT + HEADING_GAP +
           (captionLines == 0 ? 0 : textBlock(captionLines) + LINE_GAP);
}

}  // namespace

GridSize gridSize(const Grid& grid, int frameWidth, int frameHeight)
{
    const long long columns = columnsOf(grid);
    GridSize size{2LL * MARGIN + columns * frameWidth + (columns - 1) * CELL_GAP,
                  2LL * MARGIN + textBlock(mostLines(grid.columnHeadings))};
    for (const GridRow& row : grid.rows) {
        size.height += ROW_GAP + rowHeader(row) + static_cast<long long>(frameHeight);
    }
    return size;
}

RgbImage layOutGrid(const Grid& grid, int w, int h)
{
    const GridSize size = gridSize(grid, w, h);
    RgbImage image;
    image.width = static_cast<int>(size.width);
    image.height = static_cast<int>(size.height);
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    fill(image, {0, 0, image.width, image.height}, GRID_BACKGROUND);

    const int headingsHeight = textBlock(mostLines(grid.columnHeadings));
    for (size_t c = 0; c < grid.columnHeadings.size(); ++c) {
        const int left = MARGIN + static_cast<int>(c) * (w + CELL_GAP);
        const Rect column{left, MARGIN, w, headingsHeight};
        for (size_t line = 0; line < grid.columnHeadings[c].size(); ++line) {
            drawText(image, grid.columnHeadings[c][line], left,
                     MARGIN + static_cast<int>(line) * (TEXT_HEIGHT + LINE_GAP), column);
        }
    }
    int top = MARGIN + headingsHeight;
    for (const GridRow& row : grid.rows) {
        top += ROW_GAP;
        drawText(image, row.heading, MARGIN, top,
                 {MARGIN, top, image.width - 2 * MARGIN, TEXT_HEIGHT});
        const int captionTop = top + TEXT_HEIGHT + HEADING_GAP;
        top += rowHeader(row);
        for (size_t c = 0; c < row.frames.size(); ++c) {
            const int left = MARGIN + static_cast<int>(c) * (w + CELL_GAP);
            if (c < row.captions.size()) {
                const Rect cell{left, captionTop, w, top - captionTop};
                for (size_t line = 0; line < row.captions[c].size(); ++line) {
                    drawText(image, row.captions[c][line], left,
                             captionTop + static_cast<int>(line) * (TEXT_HEIGHT + LINE_GAP), cell);
                }
            }
            copyFrame(image, *row.frames[c], left, top);
        }
        top += h;
    }
    return image;
}
