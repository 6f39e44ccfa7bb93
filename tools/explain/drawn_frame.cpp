#include "drawn_frame.h"

#include "gl_session.h"
#include "offscreen.h"
#include "render/gl.h"
#include "render/render.h"

#include <algorithm>
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

// Runs display() in feedback mode: nothing is drawn, and GL writes every
// primitive it would rasterise into `buffer`. Returns the floats written,
// or -1 when even the largest buffer overflows.
GLint feedbackOfOneFrame(std::vector<GLfloat>& buffer)
{
    for (size_t size = FIRST_BUFFER; size <= LAST_BUFFER; size *= 2) {
        buffer.assign(size, 0.0f);
        glFeedbackBuffer(static_cast<GLsizei>(size), GL_4D_COLOR_TEXTURE, buffer.data());
        glRenderMode(GL_FEEDBACK);
        display();
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

}  // namespace

View viewOf(const StateOptions& state)
{
    View view;
    view.viewpoint = state.viewpoint;
    view.angleX = state.angleX;
    view.angleY = state.angleY;
    view.angleZ = state.angleZ;
    view.width = state.width;
    view.height = state.height;
    return view;
}

int drawFrame(const StateOptions& state, DrawnFrame& frame, std::string& error)
{
    OffscreenTarget target(state.width, state.height);
    if (const int status = statusOf(target); status != EXIT_DONE) {
        error = target.error();
        return status;
    }
    const std::string size = std::to_string(state.width) + "x" + std::to_string(state.height);
    try {
        frame.state = state;
        enterState(state);
        std::vector<GLfloat> buffer;
        const GLint written = feedbackOfOneFrame(buffer);
        frame.triangles.clear();
        if (written < 0 || !parseFeedback(buffer, written, state.width, state.height,
                                          target.topRowFirst(), frame.triangles)) {
            error = "OpenGL's feedback of the frame could not be read";
            return EXIT_NO_DISPLAY_OR_GL;
        }
        // The same state drawn for real: the pixels and depths to explain.
        display();
        frame.image = target.read();
        frame.depth = target.readDepth();
    } catch (const std::bad_alloc&) {
        error = "--size " + size + " needs more memory than there is";
        return EXIT_BAD_REQUEST;
    }
    return EXIT_DONE;
}
