// The lighting lab's program: one scene state that the page's panel and
// window.lab change, drawn by the shader renderer on WebGL 1, its lights
// marked on request, any pixel explained by the project's own model, and
// the state given back as JSON, as GL calls and as the shader's source.
// The page (web/lab.html) calls the functions below by name; strings go
// both ways as JSON.
#include "explain/explanation.h"
#include "explain/report.h"
#include "render/state_calls.h"
#include "scene/state_json.h"
#include "scene/viewer.h"
#include "shading/frame_uniforms.h"
#include "shading/gl_api.h"
#include "shading/marks.h"
#include "shading/shading.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const char* const CANVAS = "#scene";

// WebGL 1's own depth-and-stencil format and attachment point (24-bit
// depth), which OpenGL ES 2.0's header does not name.
constexpr GLenum WEBGL_DEPTH_STENCIL = 0x84F9;
constexpr GLenum WEBGL_DEPTH_STENCIL_ATTACHMENT = 0x821A;

// A framebuffer the size of the frame for the passes that find what is
// under a pixel, so the picture on the canvas stays as it is. Its depth
// buffer is as deep as the canvas's (24 bits, with stencil), so the depth
// test picks the same triangle it picks there.
struct PickTarget {
    GLuint framebuffer = 0, colour = 0, depth = 0;
    int width = 0, height = 0;

    void bind(int w, int h)
    {
        if (w != width || h != height) {
            if (framebuffer == 0) {
                glGenFramebuffers(1, &framebuffer);
                glGenTextures(1, &colour);
                glGenRenderbuffers(1, &depth);
            }
            glBindTexture(GL_TEXTURE_2D, colour);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glBindTexture(GL_TEXTURE_2D, 0);
            glBindRenderbuffer(GL_RENDERBUFFER, depth);
            glRenderbufferStorage(GL_RENDERBUFFER, WEBGL_DEPTH_STENCIL, w, h);
            glBindRenderbuffer(GL_RENDERBUFFER, 0);
            glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
            glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, WEBGL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                                      depth);
            width = w;
            height = h;
        }
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glViewport(0, 0, w, h);
    }
};

struct Lab {
    SceneState state = startingSceneState();
    PickTarget pick;
    bool marks = false;
    ShaderRenderer renderer;
    MarkRenderer markRenderer;
    std::unique_ptr<SceneModel> model;  // for explaining; made again when the state changes
    std::vector<unsigned char> pixels;  // RGBA, row 0 at the top
    std::string text;                   // the last string handed to the page
};

Lab* lab = nullptr;

const char* hand(std::string text)
{
    lab->text = std::move(text);
    return lab->text.c_str();
}

// The demo's lighting modes switch the lights: a key that changes the mode
// changes the switches as a state's `mode` does.
void followMode(SceneState& state)
{
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        state.lightOn[i] = lightEnabled(state.view.lightingMode, i);
    }
}

// Draws the state: canvas sized to the frame, the frame, the marks. An
// empty string, or what went wrong.
std::string drawFrame()
{
    const ViewerState& view = lab->state.view;
    int width = 0, height = 0;
    emscripten_get_canvas_element_size(CANVAS, &width, &height);
    if (width != view.windowWidth || height != view.windowHeight) {
        emscripten_set_canvas_element_size(CANVAS, view.windowWidth, view.windowHeight);
    }
    glViewport(0, 0, view.windowWidth, view.windowHeight);
    std::string log;
    if (!lab->renderer.draw(lab->state, log)) {
        return log;
    }
    if (lab->marks && !lab->markRenderer.draw(lab->state, log)) {
        return log;
    }
    return {};
}

const SceneModel& model()
{
    if (!lab->model) {
        lab->model = std::make_unique<SceneModel>(lab->state);
    }
    return *lab->model;
}

void readPixels(int x, int y, int width, int height, unsigned char* rgba)
{
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}

// Pixel (x, y), row 0 at the top, of what the canvas holds now.
void pixelAt(int x, int y, unsigned char rgba[4])
{
    readPixels(x, lab->state.view.windowHeight - 1 - y, 1, 1, rgba);
}

}  // namespace

extern "C" {

// Makes the WebGL context on the page's canvas and draws the demo's
// values. 0: ready; 1: no WebGL; 2: the shader failed (lab_message).
EMSCRIPTEN_KEEPALIVE int lab_start()
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;  // the desktop frame has no multisampling
    attributes.preserveDrawingBuffer = EM_TRUE;  // pixels read after the frame shows
    attributes.majorVersion = 1;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context(CANVAS, &attributes);
    if (context <= 0) {
        return 1;
    }
    emscripten_webgl_make_context_current(context);
    static Lab instance;
    lab = &instance;
    const std::string problem = drawFrame();
    if (!problem.empty()) {
        hand(problem);
        return 2;
    }
    return 0;
}

EMSCRIPTEN_KEEPALIVE const char* lab_message()
{
    return lab->text.c_str();
}

// The reader's limits (scene/state_json.h), {"bytes": B, "depth": D}: the
// page hands lab_set no more than B + 1 characters of a text, and measures
// an object before it writes it as text.
EMSCRIPTEN_KEEPALIVE const char* lab_limits()
{
    return hand(nlohmann::json{{"bytes", MOST_STATE_BYTES}, {"depth", MOST_STATE_DEPTH}}.dump());
}

// Merges the JSON text at `text`, `length` bytes, into the state
// (scene/state_json.h) and draws it. An empty string, or one line naming
// the refused field or the limit passed; the state is then as it was.
EMSCRIPTEN_KEEPALIVE const char* lab_set(const char* text, int length)
{
    SceneState changed = lab->state;
    const std::string refused =
        applySceneText(std::string(text, static_cast<std::size_t>(length)), changed);
    if (!refused.empty()) {
        return hand(refused);
    }
    const SceneState before = lab->state;
    lab->state = changed;
    lab->model.reset();
    const std::string problem = drawFrame();
    if (!problem.empty()) {
        // A state whose shader does not build is refused like a bad value.
        lab->state = before;
        drawFrame();
        return hand(problem);
    }
    return hand("");
}

// Everything back to the demo's values, the view included.
EMSCRIPTEN_KEEPALIVE const char* lab_reset()
{
    lab->state = startingSceneState();
    lab->model.reset();
    return hand(drawFrame());
}

EMSCRIPTEN_KEEPALIVE const char* lab_state()
{
    return hand(sceneJson(lab->state).dump());
}

EMSCRIPTEN_KEEPALIVE void lab_set_marks(int on)
{
    lab->marks = on != 0;
    drawFrame();
}

// Readies what explaining a pixel of the state needs (the model of its
// scene, the programs of the passes), so the page can do it between frames
// rather than when a pixel is clicked.
EMSCRIPTEN_KEEPALIVE void lab_prepare()
{
    model();
    std::string log;
    if (!lab->renderer.prepareAll(lab->state, log)) {
        return;
    }
    // A browser's GL may build its code for a program at its first draw:
    // both passes run once into the pick framebuffer, on one pixel.
    const int width = lab->state.view.windowWidth, height = lab->state.view.windowHeight;
    lab->pick.bind(width, height);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    lab->renderer.drawTriangleIds(lab->state, log);
    unsigned char corners[3][3];
    lab->renderer.probeCorners(lab->state, 0, false, corners, log);
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
}

EMSCRIPTEN_KEEPALIVE void lab_draw()
{
    drawFrame();
}

// One key of the demo on the lab's canvas: `special` 0 for a character
// (l, c; Enter and Escape are the page's), else a GLUT special key code.
// Returns 1 when the picture changed.
EMSCRIPTEN_KEEPALIVE int lab_key(int key, int special)
{
    ViewerState& view = lab->state.view;
    bool changed = false;
    if (special) {
        changed = applySpecialKey(view, key);
    } else if (key == 'l' || key == 'c') {
        changed = applyKey(view, static_cast<unsigned char>(key)) == KeyEffect::Redisplay;
        followMode(lab->state);
    }
    if (changed) {
        lab->model.reset();
        drawFrame();
    }
    return changed ? 1 : 0;
}

// One step of the demo's spin, and the frame after it.
EMSCRIPTEN_KEEPALIVE void lab_spin_step()
{
    applySpinStep(lab->state.view);
    lab->model.reset();
    drawFrame();
}

// The frame's pixels, RGBA, row 0 at the top: width x height x 4 bytes.
EMSCRIPTEN_KEEPALIVE const unsigned char* lab_pixels()
{
    const int width = lab->state.view.windowWidth, height = lab->state.view.windowHeight;
    const size_t stride = static_cast<size_t>(width) * 4;
    std::vector<unsigned char> bottomUp(stride * static_cast<size_t>(height));
    readPixels(0, 0, width, height, bottomUp.data());
    lab->pixels.resize(bottomUp.size());
    for (int row = 0; row < height; ++row) {
        std::copy_n(&bottomUp[static_cast<size_t>(height - 1 - row) * stride], stride,
                    &lab->pixels[static_cast<size_t>(row) * stride]);
    }
    return lab->pixels.data();
}

// Why pixel (x, y), row 0 at the top, has its colour: the explain tool's
// JSON, with the text it prints as "text". The triangle under the pixel
// comes from an ID pass and its corners' colours from the shader itself,
// each drawn into a framebuffer of its own and read back.
EMSCRIPTEN_KEEPALIVE const char* lab_explain(int x, int y)
{
    const SceneState& state = lab->state;
    const int width = state.view.windowWidth, height = state.view.windowHeight;
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return hand("{\"error\":\"the pixel is outside the frame\"}");
    }
    PixelReading reading;
    reading.x = x;
    reading.y = y;
    unsigned char rgba[4];
    pixelAt(x, y, rgba);
    for (int c = 0; c < 3; ++c) {
        reading.drawn[c] = rgba[c];
    }
    std::string log;
    lab->pick.bind(width, height);
    // Only the one pixel is shaded: every triangle still goes through the
    // rasteriser, which is what decides the one drawn there.
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, height - 1 - y, 1, 1);
    const bool found = lab->renderer.drawTriangleIds(state, log);
    glDisable(GL_SCISSOR_TEST);
    if (!found) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, width, height);
        return hand(nlohmann::json{{"error", log}}.dump());
    }
    pixelAt(x, y, rgba);
    reading.triangle = triangleOfIdColour(rgba);
    if (reading.triangle >= 0 && state.shading == ShadingMode::PerVertex) {
        const MeshTriangle triangle = model().triangle(reading.triangle);
        unsigned char corners[3][3];
        const bool back = triangle.backFace && state.setup.lightModel.twoSided;
        if (lab->renderer.probeCorners(state, reading.triangle, back, corners, log)) {
            reading.hasCornerColours = true;
            for (int corner = 0; corner < 3; ++corner) {
                for (int c = 0; c < 3; ++c) {
                    reading.cornerColours[corner][c] = corners[corner][c];
                }
            }
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    const PixelExplanation explanation = explainPixel(model(), reading);
    nlohmann::ordered_json json = explanationJson(model(), explanation);
    json["text"] = explanationText(model(), explanation);
    return hand(json.dump());
}

// The state as code: the OpenGL 1.x calls that set it, and the shader
// program that draws it with its uniforms' values for this frame.
EMSCRIPTEN_KEEPALIVE const char* lab_code()
{
    const SceneState& state = lab->state;
    const FrameUniforms frame = frameUniforms(state, lab->renderer.mesh().solids);
    nlohmann::ordered_json uniforms = nlohmann::ordered_json::object();
    const auto list = [](const float* v, int n) {
        return nlohmann::ordered_json(std::vector<float>(v, v + n));
    };
    uniforms["u_globalAmbient"] = list(state.setup.lightModel.ambient, 4);
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        if (!state.lightOn[i]) {
            continue;
        }
        const std::string name = "u_lights[" + std::to_string(i) + "].";
        const LightSetup& given = state.setup.lights[i];
        const LightUniforms& light = frame.lights[i];
        uniforms[name + "position"] = list(light.position, 4);
        uniforms[name + "ambient"] = list(given.ambient, 4);
        uniforms[name + "diffuse"] = list(given.diffuse, 4);
        uniforms[name + "specular"] = list(given.specular, 4);
        uniforms[name + "spotDirection"] = list(light.spotDirection, 3);
        uniforms[name + "spotCosCutoff"] = light.spotCosCutoff;
        uniforms[name + "spotExponent"] = given.spotExponent;
        uniforms[name + "attenuation"] = list(given.attenuation, 3);
        uniforms[name + "halfVector"] = list(light.halfVector, 3);
    }
    const MaterialSetup& material = state.setup.material;
    uniforms["u_front.ambient"] = list(material.ambient, 4);
    uniforms["u_front.specular"] = list(material.specular, 4);
    uniforms["u_front.emission"] = list(material.emission, 4);
    uniforms["u_front.shininess"] = material.shininess;
    const char* const solids[SOLID_COUNT] = {"cube", "sphere", "cone", "cylinder"};
    for (int s = 0; s < SOLID_COUNT; ++s) {
        const std::string name = std::string(" (") + solids[s] + ")";
        uniforms["u_front.diffuse" + name] = list(material.diffuse[s], 4);
        uniforms["u_modelViewProjection" + name] = list(frame.solids[s].modelViewProjection.m, 16);
        uniforms["u_modelView" + name] = list(frame.solids[s].modelView.m, 16);
        uniforms["u_normalMatrix" + name] = list(frame.solids[s].normalMatrix, 9);
    }
    nlohmann::ordered_json code;
    code["gl"] = stateCallsAsC(state);
    code["vertex_shader"] = ShaderRenderer::vertexSource(state);
    code["fragment_shader"] = ShaderRenderer::fragmentSource(state);
    code["uniforms"] = uniforms;
    return hand(code.dump());
}

}  // extern "C"
