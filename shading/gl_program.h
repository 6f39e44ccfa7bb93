// Building a GLSL program, for the renderers of this directory: compile
// the two shaders, bind the attributes to their slots, link; on failure the
// GL's log, and nothing left behind.
#pragma once

#include "shading/gl_api.h"

#include <string>
#include <utility>
#include <vector>

// The program, or 0 with what went wrong and the GL's log in `log`.
GLuint buildProgram(const std::string& vertexSource, const std::string& fragmentSource,
                    const std::vector<std::pair<GLuint, const char*>>& attributes,
                    std::string& log);
