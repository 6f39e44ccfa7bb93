#include "shading/marks.h"

#include "scene/light_marks.h"
#include "shading/frame_uniforms.h"
#include "shading/gl_api.h"
#include "shading/gl_program.h"
#include "shading/shader_sources.h"

#include <vector>


MarkRenderer::~MarkRenderer()
{
    if (program_ != 0) {
        glDeleteProgram(program_);
        glDeleteBuffers(1, &buffer_);
    }
}

bool MarkRenderer::draw(const SceneState& state, std::string& log)
{
    // The scene's own frame: the solids' placements play no part.
    const SolidMesh none[SOLID_COUNT] = {};
    const FrameUniforms frame = frameUniforms(state, none);
    return draw(lightMarks(state), product(frame.projection, frame.view), true, log);
}

bool MarkRenderer::draw(const std::vector<LightMarks>& marks, const GlMatrix& toClip,
                        bool depthTest, std::string& log)
{
    if (program_ == 0) {
        program_ = buildProgram(std::string("#version 100\n") + MARKS_VERT,
                                std::string("#version 100\nprecision mediump float;\n") + MARKS_FRAG,
                                {{0, "a_position"}}, log);
        if (program_ == 0) {
            return false;
        }
        modelViewProjection_ = glGetUniformLocation(program_, "u_modelViewProjection");
        pointSize_ = glGetUniformLocation(program_, "u_pointSize");
        colour_ = glGetUniformLocation(program_, "u_colour");
        glGenBuffers(1, &buffer_);
    }
    glUseProgram(program_);
#if !defined(__EMSCRIPTEN__)
    // A desktop context sizes points by the shader only when asked to.
    glEnable(GL_PROGRAM_POINT_SIZE);
#endif
    glUniformMatrix4fv(modelViewProjection_, 1, GL_FALSE, toClip.m);
    if (depthTest) {
        glEnable(GL_DEPTH_TEST);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    glEnableVertexAttribArray(0);
    const auto drawPoints = [](GLenum mode, const std::vector<MarkPoint>& points) {
        if (points.empty()) {
            return;
        }
        std::vector<float> xyz;
        for (const MarkPoint& p : points) {
            xyz.insert(xyz.end(), {static_cast<float>(p.x), static_cast<float>(p.y),
                                   static_cast<float>(p.z)});
        }
        glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(xyz.size() * sizeof(float)),
                     xyz.data(), GL_STREAM_DRAW);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
        glDrawArrays(mode, 0, static_cast<GLsizei>(points.size()));
    };
    for (const LightMarks& set : marks) {
        glUniform3fv(colour_, 1, set.colour);
        glUniform1f(pointSize_, set.dotSize);
        drawPoints(GL_POINTS, set.dots);
        drawPoints(GL_LINES, set.segments);
        for (const auto& loop : set.loops) {
            drawPoints(GL_LINE_LOOP, loop);
        }
    }
    glDisableVertexAttribArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glUseProgram(0);
    glEnable(GL_DEPTH_TEST);
#if !defined(__EMSCRIPTEN__)
    glDisable(GL_PROGRAM_POINT_SIZE);
#endif
    return true;
}
