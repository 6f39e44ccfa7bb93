// The lights' marks (scene/light_marks.h) drawn by a shader over a frame
// of the shader renderer, depth-tested against it, as the capture tool's
// --show-lights draws them over the fixed-function frame.
#pragma once

#include "scene/light_marks.h"
#include "scene/state.h"
#include "shading/gl_matrix.h"

#include <string>
#include <vector>

class MarkRenderer {
public:
    MarkRenderer() = default;
    ~MarkRenderer();
    MarkRenderer(const MarkRenderer&) = delete;
    MarkRenderer& operator=(const MarkRenderer&) = delete;

    // Draws the marks of the lights `state` switches on into the current
    // framebuffer, over what is there. False with the log when the program
    // does not compile.
    bool draw(const SceneState& state, std::string& log);

    // Any marks: their points taken to clip coordinates by `toClip`,
    // depth-tested against what is there or drawn over everything.
    bool draw(const std::vector<LightMarks>& marks, const GlMatrix& toClip, bool depthTest,
              std::string& log);

private:
    unsigned program_ = 0, buffer_ = 0;
    int modelViewProjection_ = -1, pointSize_ = -1, colour_ = -1;
};
