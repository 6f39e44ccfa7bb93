#include "tools/explain/drawn_frame.h"

#include "render/gl.h"
#include "render/render.h"
#include "shading/shading.h"
#include "tools/common/gl_session.h"
#include "tools/common/offscreen.h"

#include <algorithm>
#include <functional>
#include <new>

namespace {

// GL_4D_COLOR_TEXTURE is the one feedback type with w: per vertex x, y, z,
// w, then RGBA, then four texture coordinates (unused here).
constexpr int FLOATS_PER_VERTEX = 12;

// The demo's frame comes back as about 1.2 million floats; clipping at the
// frame's border may add some. The buffer doubles until it holds them all.
constexpr size_t FIRST_BUFFER = size_t{2} << 20;
constexpr size_t LAST_BUFFER = size_t{256} << 20;

// How far from the frame's border a corner counts as one clipping made.
constexpr double BORDER = 1e-3;

// Draws one frame in feedback mode: nothing is drawn, and GL writes every
// primitive it would rasterise into `buffer`. Returns the floats written,
// or -1 when even the largest buffer overflows.
GLint feedbackOfOneFrame(std::vector<GLfloat>& buffer, const std::function<void()>& draw)
{
    for (size_t size = FIRST_BUFFER; size <= LAST_BUFFER; size *= 2) {
        buffer.assign(size, 0.0f);
        glFeedbackBuffer(static_cast<GLsizei>(size), GL_4D_COLOR_TEXTURE, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint written = glRenderMode(GL_RENDER);
        if (written >= 0) {
            return written;
        }
    }
    return -1;
}

FeedbackVertex vertexAt(const GLfloat* v, int width, int height, bool topRowFirst)
{
    FeedbackVertex vertex{};
    vertex.x = v[0];
    vertex.y = topRowFirst ? v[1] : height - static_cast<double>(v[1]);
    vertex.depth = v[2];
    vertex.w = v[3];
    vertex.colour = {v[4], v[5], v[6]};
    vertex.clipped = vertex.x < BORDER || vertex.x > width - BORDER || vertex.y < BORDER ||
                     vertex.y > height - BORDER || vertex.depth < BORDER ||
                     vertex.depth > 1 - BORDER;
    return vertex;
}

// Reads the feedback tokens: polygons become fans of triangles; points,
// lines and pixel operations (none in this scene) are stepped over.
bool parseFeedback(const std::vector<GLfloat>& buffer, GLint written, int width, int height,
                   bool topRowFirst, std::vector<FeedbackTriangle>& triangles)
{
    const size_t end = static_cast<size_t>(written);
    size_t at = 0;
    while (at < end) {
        const GLint token = static_cast<GLint>(buffer[at++]);
        size_t vertices = 0;
        switch (token) {
        case GL_POLYGON_TOKEN: {
            if (at >= end) {
                return false;
            }
            const size_t count = static_cast<size_t>(buffer[at++]);
            if (at + count * FLOATS_PER_VERTEX > end) {
                return false;
            }
            const GLfloat* first = &buffer[at];
            for (size_t i = 1; i + 1 < count; ++i) {
                triangles.push_back(
                    {{vertexAt(first, width, height, topRowFirst),
                      vertexAt(first + i * FLOATS_PER_VERTEX, width, height, topRowFirst),
                      vertexAt(first + (i + 1) * FLOATS_PER_VERTEX, width, height,
                               topRowFirst)}});
            }
            vertices = count;
            break;
        }
        case GL_POINT_TOKEN:
        case GL_BITMAP_TOKEN:
        case GL_DRAW_PIXEL_TOKEN:
        case GL_COPY_PIXEL_TOKEN:
            vertices = 1;
            break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN:
            vertices = 2;
            break;
        case GL_PASS_THROUGH_TOKEN:
            at += 1;
            break;
        default:
            return false;
        }
        at += vertices * FLOATS_PER_VERTEX;
    }
    return at == end;
}

// Draws the frame `draw` draws off screen, once in feedback mode and once
// for real, into `frame`.
int drawTwice(int width, int height, const std::function<void()>& draw, DrawnFrame& frame,
              std::string& error)
{
    OffscreenTarget target(width, height);
    if (const int status = statusOf(target); status != EXIT_DONE) {
        error = target.error();
        return status;
    }
    try {
        std::vector<GLfloat> buffer;
        const GLint written = feedbackOfOneFrame(buffer, draw);
        frame.triangles.clear();
        if (written < 0 || !parseFeedback(buffer, written, width, height, target.topRowFirst(),
                                          frame.triangles)) {
            error = "OpenGL's feedback of the frame could not be read";
            return EXIT_NO_DISPLAY_OR_GL;
        }
        // The same frame drawn for real: the pixels and depths to explain.
        draw();
        frame.image = target.read();
        frame.depth = target.readDepth();
    } catch (const std::bad_alloc&) {
        error = "--size " + std::to_string(width) + "x" + std::to_string(height) +
                " needs more memory than there is";
        return EXIT_BAD_REQUEST;
    }
    return EXIT_DONE;
}

}  // namespace

View viewOf(const StateOptions& state)
{
    return viewOf(sceneStateOf(state));
}

SceneState sceneStateOf(const StateOptions& state)
{
    ViewerState view{};
    view.windowWidth = state.width;
    view.windowHeight = state.height;
    view.lightingMode = state.lightingMode;
    view.viewpoint = state.viewpoint;
    view.angleX = state.angleX;
    view.angleY = state.angleY;
    view.angleZ = state.angleZ;
    return demoSceneState(view);
}

int drawFrame(const StateOptions& state, DrawnFrame& frame, std::string& error)
{
    frame.state = sceneStateOf(state);
    enterState(state);
    return drawTwice(state.width, state.height, display, frame, error);
}

int drawFrame(const SceneState& state, DrawnFrame& frame, std::string& error)
{
    frame.state = state;
    enterSceneState(state);
    return drawTwice(state.view.windowWidth, state.view.windowHeight,
                     [&state] { drawFixedFunctionFrame(state); }, frame, error);
}

PixelReading ShadedFrame::readingAt(int x, int y) const
{
    PixelReading reading;
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(image.width) +
                       static_cast<size_t>(x)) * 3;
    reading.triangle = triangleOfIdColour(&ids.rgb[at]);
    if (reading.triangle >= 0 && reading.triangle == probed.triangle) {
        reading = probed;
    }
    reading.x = x;
    reading.y = y;
    for (int c = 0; c < 3; ++c) {
        reading.drawn[c] = image.rgb[at + static_cast<size_t>(c)];
    }
    return reading;
}

int drawShadedFrame(const SceneState& state, ShadedFrame& frame, std::string& error,
                    PixelPlace probe)
{
    const int width = state.view.windowWidth, height = state.view.windowHeight;
    OffscreenTarget target(width, height);
    if (const int status = statusOf(target); status != EXIT_DONE) {
        error = target.error();
        return status;
    }
    try {
        enterSceneState(state);
        ShaderRenderer renderer;
        frame.state = state;
        if (!renderer.draw(state, error)) {
            return EXIT_NO_DISPLAY_OR_GL;
        }
        frame.image = target.read();
        if (!renderer.drawTriangleIds(state, error)) {
            return EXIT_NO_DISPLAY_OR_GL;
        }
        frame.ids = target.read();
        frame.probed = PixelReading{};
        const bool inside = probe.x >= 0 && probe.y >= 0 && probe.x < width && probe.y < height;
        const int index = inside ? frame.readingAt(probe.x, probe.y).triangle : -1;
        // Back faces show their own colour only with two-sided lighting.
        const bool behind = index >= 0 && state.setup.lightModel.twoSided &&
                            SceneModel(state).triangle(index).backFace;
        if (index >= 0 && !renderer.readCorners(state, index, behind, frame.probed, error)) {
            return EXIT_NO_DISPLAY_OR_GL;
        }
    } catch (const std::bad_alloc&) {
        error = "--size " + std::to_string(width) + "x" + std::to_string(height) +
                " needs more memory than there is";
        return EXIT_BAD_REQUEST;
    }
    return EXIT_DONE;
}
