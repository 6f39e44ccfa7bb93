#include "shading/gl_program.h"

namespace {

GLuint compile(GLenum kind, const std::string& source, std::string& log)
{
    const GLuint shader = glCreateShader(kind);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        GLint length = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> text(static_cast<size_t>(length > 0 ? length : 1), '\0');
        glGetShaderInfoLog(shader, static_cast<GLsizei>(text.size()), nullptr, text.data());
        log = std::string(kind == GL_VERTEX_SHADER ? "vertex" : "fragment") +
              " shader does not compile: " + text.data();
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

}  // namespace

GLuint buildProgram(const std::string& vertexSource, const std::string& fragmentSource,
                    const std::vector<std::pair<GLuint, const char*>>& attributes,
                    std::string& log)
{
    const GLuint vertex = compile(GL_VERTEX_SHADER, vertexSource, log);
    if (vertex == 0) {
        return 0;
    }
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, fragmentSource, log);
    if (fragment == 0) {
        glDeleteShader(vertex);
        return 0;
    }
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    for (const auto& [slot, name] : attributes) {
        glBindAttribLocation(program, slot, name);
    }
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        GLint length = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> text(static_cast<size_t>(length > 0 ? length : 1), '\0');
        glGetProgramInfoLog(program, static_cast<GLsizei>(text.size()), nullptr, text.data());
        log = std::string("shader program does not link: ") + text.data();
        glDeleteProgram(program);
        return 0;
    }
    return program;
}
