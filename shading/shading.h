// The scene drawn by a shader of the project's own instead of the
// fixed-function pipeline: the solids' triangles from vertex buffers, lit by
// GL's fixed-function lighting equation in GLSL ES 1.00, so the same code
// draws on a desktop OpenGL and on WebGL 1. Per-vertex frames are the
// fixed-function pipeline's frames.
#pragma once

#include "mesh/mesh.h"
#include "scene/image.h"
#include "scene/state.h"
#include "shading/frame_uniforms.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>

// The triangle a pixel of the ID pass names (drawTriangleIds writes 1 +
// the index, high byte in red): -1 for the background.
int triangleOfIdColour(const unsigned char rgb[3]);

class ShaderRenderer {
public:
    ShaderRenderer();
    ~ShaderRenderer();
    ShaderRenderer(const ShaderRenderer&) = delete;
    ShaderRenderer& operator=(const ShaderRenderer&) = delete;

    // Needs a current GL context with GLSL ES 1.00 (OpenGL 2.0 and
    // ES2 compatibility, or WebGL 1). Compiles the program of `state` and
    // uploads its mesh, so a failure shows before the first frame. False,
    // with the compiler's or the linker's log in `log`, when it fails.
    bool prepare(const SceneState& state, std::string& log);

    // prepare(), and the programs of the ID pass and of probeCorners too,
    // so that a first pick costs no compiling.
    bool prepareAll(const SceneState& state, std::string& log);

    // How many programs have been built so far: a caller that warms up new
    // programs (a browser's GL may build a program's code at its first
    // draw) sees whether prepareAll built any.
    std::size_t programsBuilt() const { return programs_.size(); }

    // Clears and draws one frame of `state` into the current framebuffer,
    // through the viewport the caller set (reshape's). False with the log
    // when the state's program does not compile; nothing is drawn then.
    bool draw(const SceneState& state, std::string& log);

    // The same seen through `eye` (shading/frame_uniforms.h): the scene lit
    // as in the state, the lights placed and the viewer put where that eye
    // is, as GL places them under its view.
    bool draw(const SceneState& state, const FrameEye& eye, std::string& log);

    // The same frame with every triangle in a colour of its own: red, green
    // and blue bytes hold 1 + the triangle's index in drawing order, low
    // byte in blue; black is the background. Same coverage as draw().
    bool drawTriangleIds(const SceneState& state, std::string& log);

    // How the corners of triangle `index` (drawing order) are lit in
    // `state`: each corner drawn alone into one pixel at the lower left of the
    // current framebuffer with the per-vertex program, and read back, 8-bit
    // RGB. `back`: the colour of the back side (two-sided lighting). The
    // framebuffer's contents are spoilt: draw the frame again afterwards.
    bool probeCorners(const SceneState& state, int index, bool back, unsigned char rgb[3][3],
                      std::string& log);

    // The triangle the ID pass shows at pixel (x, windowY) of the current
    // framebuffer, in GL's window coordinates, drawn at that pixel alone and
    // read back: its index in drawing order, or -1 for the background. The
    // framebuffer's pixel is spoilt.
    bool triangleAt(const SceneState& state, int x, int windowY, int& index, std::string& log);

    // Triangle `index` into `reading` and, shading per vertex or flat, the
    // colours the frame lights its corners with (probeCorners; the primary
    // colours with the separate specular colour): the back side's where the
    // frame shows it from behind (`seenFromBehind`) with two-sided lighting.
    // Per pixel its corners have no colours of their own.
    bool readCorners(const SceneState& state, int index, bool seenFromBehind,
                     PixelReading& reading, std::string& log);

    // The mesh of the last state drawn.
    const SceneMesh& mesh() const { return mesh_; }

    // The source of the program for `state`, vertex and fragment shader,
    // as compiled: what a learner reads.
    static std::string vertexSource(const SceneState& state);
    static std::string fragmentSource(const SceneState& state);

private:
    struct Program;
    struct Buffers;

    enum class Pass { Scene, TriangleIds, CornerProbe };
    Program* programFor(const SceneState& state, Pass pass, std::string& log);
    void setUniforms(const Program& program, const SceneState& state, const FrameUniforms& frame);
    void upload(const Tessellation& tessellation);
    void uploadIds();
    void uploadFlat();
    void drawFlat(const Program& program, const SceneState& state, const FrameUniforms& frame);

    std::map<std::string, std::unique_ptr<Program>> programs_;
    std::unique_ptr<Buffers> buffers_;
    SceneMesh mesh_;
    Tessellation uploaded_;
    bool haveMesh_ = false;
    bool haveIds_ = false;
    bool haveFlat_ = false;
};
