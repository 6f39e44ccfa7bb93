// The lighting lab's program: one scene state that the page's panel and
// window.lab change, drawn by the shader renderer on WebGL 1, its lights
// marked on request, any pixel explained by the project's own model, and
// the state given back as JSON, as GL calls and as the shader's source.
// A second canvas shows the rig from outside, through a camera of its own,
// where the lights are dragged by their marks; the clicked pixel's point
// and the vectors of its lighting are drawn in both.
// The page (web/lab.html) calls the functions below by name; strings go
// both ways as JSON.
#include "explain/explanation.h"
#include "explain/report.h"
#include "render/state_calls.h"
#include "scene/light_drag.h"
#include "scene/overview.h"
#include "scene/state_json.h"
#include "scene/viewer.h"
#include "shading/frame_uniforms.h"
#include "shading/gl_api.h"
#include "shading/marks.h"
#include "shading/shading.h"
#include "web/lab_marks.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* const CANVAS = "#scene";
const char* const OUTSIDE_CANVAS = "#outside";

// Degrees the outside camera turns for a pixel dragged; the nearest and
// furthest it comes to its target. (How near a press must come to a handle
// to take hold of it is the page's: a finger's reach is not a mouse's.)
constexpr double ORBIT_DEGREES_A_PIXEL = 0.4;
constexpr double NEAREST = 5.0, FURTHEST = 200.0;

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

// A press in the outside view, held: a light's handle or the camera.
struct Grab {
    bool active = false;
    bool light = false;    // a light's handle, else the camera orbits
    LightHandle handle{};
    SceneState start;      // the state when the light was taken hold of
    OutsideCamera camera{};
    double x = 0, y = 0;   // where, in the canvas's pixels
    bool shift = false;
    double lastX = 0, lastY = 0;  // where the pointer was last
};

struct Lab {
    SceneState state = startingSceneState();
    PickTarget pick;
    bool marks = false;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE sceneContext = 0, outsideContext = 0;
    ShaderRenderer renderer;
    MarkRenderer markRenderer;
    // The outside view's own GL context holds its own programs and buffers.
    ShaderRenderer outsideRenderer;
    MarkRenderer outsideMarks;
    OutsideCamera camera = overviewCamera(300, 300);
    Grab grab;
    bool clicked = false;  // a pixel is marked
    bool canvasMarked = false;  // and the scene's canvas shows its marks
    ClickedPoint point;    // and what is under it
    SceneState pointState; // the state `point` was explained in
    bool pointKnown = false;
    // The last pixel explained, kept till the state changes: a click marks
    // the pixel it has just explained.
    bool explainedKnown = false;
    int explainedX = 0, explainedY = 0;
    PixelExplanation explained;
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

// What the page learns of the state after a change, in one string:
// {"state": S, "changes": C, "refused": R}, S the whole state (sceneJson),
// C its fields that differ from the demo's values (sceneChanges) and R ""
// or what went wrong; after a refusal, where the state is as it was, S and
// C are null. In that order, so that the page can take S's and C's texts
// as they stand: R, a JSON string, is last.
const char* answer(const std::string& refused, bool changed = true)
{
    if (!changed) {
        return hand(R"({"state":null,"changes":null,"refused":)" + nlohmann::json(refused).dump() + "}");
    }
    return hand(R"({"state":)" + sceneJson(lab->state).dump() +
                R"(,"changes":)" + sceneChanges(lab->state, startingSceneState()).dump() +
                R"(,"refused":)" + nlohmann::json(refused).dump() + "}");
}

// What was worked out of the state before is for it alone.
void stateChanged()
{
    lab->model.reset();
    lab->explainedKnown = false;
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

// The bound framebuffer's frame into lab->pixels: RGBA, row 0 at the top.
void readFrameTopDown()
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
}

void useSceneContext()
{
    emscripten_webgl_make_context_current(lab->sceneContext);
}

// Sizes the canvas's drawing buffer to `width` x `height` and draws into all of it.
void sizeCanvas(const char* canvas, int width, int height)
{
    int now[2] = {0, 0};
    emscripten_get_canvas_element_size(canvas, &now[0], &now[1]);
    if (now[0] != width || now[1] != height) {
        emscripten_set_canvas_element_size(canvas, width, height);
    }
    glViewport(0, 0, width, height);
}

// Layers of marks over the view `eye` sees, of `width` x `height` pixels.
void drawLayers(MarkRenderer& renderer, const std::vector<MarkLayer>& layers, const FrameEye& eye,
                int width, int height)
{
    const ViewerState& view = lab->state.view;
    GlMatrix turned = eye.view;
    rotate(turned, view.angleX, 1.0f, 0.0f, 0.0f);
    rotate(turned, view.angleY, 0.0f, 1.0f, 0.0f);
    rotate(turned, view.angleZ, 0.0f, 0.0f, 1.0f);
    const GlMatrix world = product(eye.projection, eye.view);
    const GlMatrix scene = product(eye.projection, turned);
    GlMatrix window = identityMatrix();
    window.m[0] = 2.0f / static_cast<float>(width);
    window.m[5] = 2.0f / static_cast<float>(height);
    window.m[12] = window.m[13] = -1.0f;
    std::string log;
    for (const MarkLayer& layer : layers) {
        const GlMatrix& toClip = layer.frame == MarkFrame::World   ? world
                                 : layer.frame == MarkFrame::Scene ? scene
                                                                   : window;
        renderer.draw(layer.marks, toClip, layer.depthTest, log);
    }
}

// The scene's view: canvas sized to the frame, the frame, the lights'
// marks when asked for. An empty string, or what went wrong.
std::string drawSceneView()
{
    useSceneContext();
    const ViewerState& view = lab->state.view;
    sizeCanvas(CANVAS, view.windowWidth, view.windowHeight);
    lab->canvasMarked = false;
    std::string log;
    if (!lab->renderer.draw(lab->state, log)) {
        return log;
    }
    if (lab->marks && !lab->markRenderer.draw(lab->state, log)) {
        return log;
    }
    return {};
}

// The clicked pixel, and its triangle, over the scene's view.
void drawClickMarks()
{
    if (lab->clicked) {
        const ViewerState& view = lab->state.view;
        drawLayers(lab->markRenderer, sceneLayers(lab->state, lab->point), sceneEye(lab->state),
                   view.windowWidth, view.windowHeight);
        lab->canvasMarked = true;
    }
}

// The scene's view as drawSceneView draws it, without the marks of a click,
// into the pick framebuffer (left bound), only within the rectangle of
// `width` x `height` pixels from (x, y), row 0 at the bottom: the canvas
// keeps its frame and its marks, and only the pixels read are shaded.
void drawUnmarked(int x, int y, int width, int height)
{
    const ViewerState& view = lab->state.view;
    lab->pick.bind(view.windowWidth, view.windowHeight);
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, width, height);
    std::string log;
    if (lab->renderer.draw(lab->state, log) && lab->marks) {
        lab->markRenderer.draw(lab->state, log);
    }
    glDisable(GL_SCISSOR_TEST);
}

// Pixel (x, y), row 0 at the top, of the scene's view as drawn, without the
// marks of a click: read from the canvas, unless it shows them.
void pixelAt(int x, int y, unsigned char rgba[4])
{
    const int height = lab->state.view.windowHeight;
    if (lab->canvasMarked) {
        drawUnmarked(x, height - 1 - y, 1, 1);
    }
    readPixels(x, height - 1 - y, 1, 1, rgba);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

// The view from outside, on its own canvas and context: the scene lit as
// in the state, the rig's marks and the clicked point's vectors.
std::string drawOutside()
{
    emscripten_webgl_make_context_current(lab->outsideContext);
    const OutsideCamera& camera = lab->camera;
    sizeCanvas(OUTSIDE_CANVAS, camera.width, camera.height);
    glClearColor(OVERVIEW_BACKGROUND[0], OVERVIEW_BACKGROUND[1], OVERVIEW_BACKGROUND[2],
                 OVERVIEW_BACKGROUND[3]);
    const FrameEye eye = outsideEye(camera);
    std::string log;
    if (lab->outsideRenderer.draw(lab->state, eye, log)) {
        drawLayers(lab->outsideMarks,
                   outsideLayers(lab->state, camera, lab->clicked ? &lab->point : nullptr), eye,
                   camera.width, camera.height);
    }
    useSceneContext();
    return log;
}

// Pixel (x, y), row 0 at the top, of the scene's view as the canvas holds
// it (with no marks of a click), explained. The triangle under the pixel
// comes from an ID pass and its corners' colours from the shader itself,
// each drawn into a framebuffer of its own and read back. False with the
// reason when it cannot be.
bool explainAt(int x, int y, PixelExplanation& explanation, std::string& why)
{
    const SceneState& state = lab->state;
    const int width = state.view.windowWidth, height = state.view.windowHeight;
    if (x < 0 || y < 0 || x >= width || y >= height) {
        why = "the pixel is outside the frame";
        return false;
    }
    PixelReading reading;
    reading.x = x;
    reading.y = y;
    unsigned char rgba[4];
    pixelAt(x, y, rgba);
    for (int c = 0; c < 3; ++c) {
        reading.drawn[c] = rgba[c];
    }
    lab->pick.bind(width, height);
    int index = -1;
    const bool found = lab->renderer.triangleAt(state, x, height - 1 - y, index, why);
    if (found && index >= 0) {
        // Corners not read are the model's; the explanation says so.
        std::string log;
        lab->renderer.readCorners(state, index, model().triangle(index).backFace, reading, log);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    if (found) {
        explanation = explainPixel(model(), reading);
        lab->explainedKnown = true;
        lab->explainedX = x;
        lab->explainedY = y;
        lab->explained = explanation;
    }
    return found;
}

MarkPoint markPoint(Vec3 v)
{
    return {v.x, v.y, v.z};
}

Vec3 vec(MarkPoint p)
{
    return {p.x, p.y, p.z};
}

ClickedPoint clickedAt(int x, int y)
{
    ClickedPoint clicked;
    clicked.x = x;
    clicked.y = y;
    return clicked;
}

// The clicked pixel explained again (or as it was just explained): its
// point, normal, V, triangle and the colours GL lit the corners with.
void explainClick()
{
    ClickedPoint& clicked = lab->point;
    clicked = clickedAt(clicked.x, clicked.y);
    lab->pointKnown = true;
    lab->pointState = lab->state;
    PixelExplanation e;
    std::string why;
    if (lab->explainedKnown && lab->explainedX == clicked.x && lab->explainedY == clicked.y) {
        e = lab->explained;
    } else if (!explainAt(clicked.x, clicked.y, e, why)) {
        return;
    }
    if (!e.onSurface) {
        return;
    }
    const SceneState& state = lab->state;
    clicked.onSurface = true;
    clicked.point = markPoint(e.surface.point);
    clicked.normal = markPoint(e.lighting.normal);
    // The viewer's direction, as the equation takes it: the eye's own line
    // of sight with the viewer at infinity, else towards the eye.
    const Camera camera = cameraFor(state.view.viewpoint, state.view.windowWidth,
                                    state.view.windowHeight);
    const Vec3 eye = vec(turnedToScene(state.view, {camera.eyeX, camera.eyeY, camera.eyeZ}));
    clicked.towardsViewer = markPoint(normalized(
        state.setup.lightModel.localViewer ? eye - e.surface.point : eye));
    if (e.hasTriangle && litAtCorners(state.shading)) {
        clicked.hasTriangle = true;
        clicked.triangle = e.triangle.index;
        const MeshTriangle triangle = model().triangle(e.triangle.index);
        clicked.backLit = triangle.backFace && state.setup.lightModel.twoSided;
        for (int k = 0; k < 3; ++k) {
            clicked.corners[k] = markPoint(triangle.point[k]);
            const CornerAccount& corner = e.triangle.corners[k];
            const Colour colour = corner.gl.hasColour ? corner.gl.colour : corner.model.colour;
            const float rgb[3] = {static_cast<float>(colour.r), static_cast<float>(colour.g),
                                  static_cast<float>(colour.b)};
            std::copy(rgb, rgb + 3, clicked.cornerColours[k]);
        }
    }
}

// What the clicked pixel's marks need of the state as it is now: the pixel
// explained again when what it shows may have changed; else the colours GL
// lit its triangle's corners with, read again as they follow the lights,
// once a drag is over (reading them back would hold up every step).
void followClick()
{
    // The same surfaces: every pixel shows the same point of the same
    // triangle with the same normal and V; only the lights and material differ.
    if (!lab->pointKnown || !sameFields(lab->pointState, lab->state, FIELD_SURFACES)) {
        explainClick();
        return;
    }
    ClickedPoint& clicked = lab->point;
    if (!clicked.hasTriangle || lab->grab.active) {
        return;
    }
    const int width = lab->state.view.windowWidth, height = lab->state.view.windowHeight;
    unsigned char corners[3][3];
    std::string log;
    lab->pick.bind(width, height);
    if (lab->renderer.probeCorners(lab->state, clicked.triangle, clicked.backLit, corners, log)) {
        for (int k = 0; k < 3; ++k) {
            for (int c = 0; c < 3; ++c) {
                clicked.cornerColours[k][c] = corners[k][c] / 255.0f;
            }
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
}

// Draws the state in both views, the click's marks with it. An empty
// string, or what went wrong.
std::string drawFrame()
{
    const std::string problem = drawSceneView();
    if (!problem.empty()) {
        return problem;
    }
    if (lab->clicked) {
        followClick();
        drawClickMarks();
    }
    return drawOutside();
}

// The outside camera from `json`'s fields (eye, target, up: [x, y, z];
// fov: degrees; size: [width, height]), the others kept. An empty string,
// or what is wrong.
std::string readOutside(const nlohmann::json& json, OutsideCamera& camera)
{
    if (!json.is_object()) {
        return "setOutside takes an object of camera fields";
    }
    const auto point = [&json](const char* name, MarkPoint& out) -> std::string {
        const nlohmann::json& v = json.at(name);
        if (!v.is_array() || v.size() != 3 ||
            !std::all_of(v.begin(), v.end(), [](const nlohmann::json& n) {
                return n.is_number() && std::isfinite(n.get<double>());
            })) {
            return std::string(name) + " must be [x, y, z], three numbers";
        }
        out = {v[0].get<double>(), v[1].get<double>(), v[2].get<double>()};
        return {};
    };
    for (const auto& [name, value] : json.items()) {
        std::string wrong;
        if (name == "eye" || name == "target" || name == "up") {
            wrong = point(name.c_str(), name == "eye" ? camera.eye : name == "target" ? camera.target
                                                                                        : camera.up);
        } else if (name == "fov") {
            const bool ok = value.is_number() && value.get<double>() > 0 && value.get<double>() < 180;
            wrong = ok ? "" : "fov must be a number of degrees, more than 0 and less than 180";
            camera.fieldOfView = ok ? value.get<double>() : camera.fieldOfView;
        } else if (name == "size") {
            const bool ok = value.is_array() && value.size() == 2 && value[0].is_number_integer() &&
                            value[1].is_number_integer() && value[0] >= 1 && value[0] <= 1024 &&
                            value[1] >= 1 && value[1] <= 1024;
            wrong = ok ? "" : "size must be [width, height], whole numbers of pixels 1 to 1024";
            if (ok) {
                camera.width = value[0].get<int>();
                camera.height = value[1].get<int>();
            }
        } else {
            wrong = "the outside camera has no field " + name;
        }
        if (!wrong.empty()) {
            return wrong;
        }
    }
    const double across = lengthOf(cross(camera.target - camera.eye, camera.up));
    return across > 1e-9 ? "" : "the eye must be away from the target, and up not along the line of sight";
}

}  // namespace

extern "C" {

// Makes the WebGL contexts on the page's two canvases and draws the demo's
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
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE scene =
        emscripten_webgl_create_context(CANVAS, &attributes);
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE outside =
        emscripten_webgl_create_context(OUTSIDE_CANVAS, &attributes);
    if (scene <= 0 || outside <= 0) {
        return 1;
    }
    static Lab instance;
    lab = &instance;
    lab->sceneContext = scene;
    lab->outsideContext = outside;
    int width = 0, height = 0;
    emscripten_get_canvas_element_size(OUTSIDE_CANVAS, &width, &height);
    lab->camera = overviewCamera(width, height);
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

// The table of the state's fields (scene/state_fields.h), every range the
// reader takes with the demo's values and the labels, as JSON
// (stateFieldsJson) for every light a state may have, "least_lights", the
// demo's, which a state always has, and "mode_lights", the lights each
// lighting mode switches on: what the panel and the lessons' checks are
// made from.
EMSCRIPTEN_KEEPALIVE const char* lab_fields()
{
    nlohmann::ordered_json table = stateFieldsJson(MAX_LIGHTS);
    nlohmann::ordered_json modes = nlohmann::ordered_json::array();
    for (int mode = 0; mode < LIGHTING_MODE_COUNT; ++mode) {
        nlohmann::ordered_json lights = nlohmann::ordered_json::array();
        for (int i = 0; i < LIGHT_COUNT; ++i) {
            if (lightEnabled(mode, i)) {
                lights.push_back(i);
            }
        }
        modes.push_back(lights);
    }
    table["least_lights"] = LIGHT_COUNT;
    table["mode_lights"] = modes;
    return hand(table.dump());
}

// Merges the JSON text at `text`, `length` bytes, into the state
// (scene/state_json.h) and draws it. The answer (see answer()): the new
// state, or one line naming the refused field or the limit passed; the
// state is then as it was.
EMSCRIPTEN_KEEPALIVE const char* lab_set(const char* text, int length)
{
    SceneState changed = lab->state;
    const std::string refused =
        applySceneText(std::string(text, static_cast<std::size_t>(length)), changed);
    if (!refused.empty()) {
        return answer(refused, false);
    }
    const SceneState before = lab->state;
    lab->state = changed;
    stateChanged();
    const std::string problem = drawFrame();
    if (!problem.empty()) {
        // A state whose shader does not build is refused like a bad value.
        lab->state = before;
        drawFrame();
        return answer(problem, false);
    }
    return answer("");
}

// Everything back to the demo's values, the view included; the answer,
// with what went wrong drawing them, if anything.
EMSCRIPTEN_KEEPALIVE const char* lab_reset()
{
    lab->state = startingSceneState();
    stateChanged();
    return answer(drawFrame());
}

EMSCRIPTEN_KEEPALIVE const char* lab_state()
{
    return hand(sceneJson(lab->state).dump());
}

// The fields of the state that differ from `base`, a whole state's JSON
// (the state held as A), or from the demo's values when it is empty: what
// the page's address holds, and what a comparison names.
EMSCRIPTEN_KEEPALIVE const char* lab_changes(const char* base)
{
    SceneState from = startingSceneState();
    if (*base != '\0' && !applySceneText(base, from).empty()) {
        return hand("null");
    }
    return hand(sceneChanges(lab->state, from).dump());
}

// The state's lights made `count` (the demo's LIGHT_COUNT to MAX_LIGHTS),
// which a state file cannot do, its lights being merged: a light added
// starts as GL's other lights do (off, black, from +Z), a light removed
// goes, its place back as GL's. The answer.
EMSCRIPTEN_KEEPALIVE const char* lab_set_light_count(int count)
{
    SceneState& state = lab->state;
    const int now = state.setup.lightCount, next = std::clamp(count, LIGHT_COUNT, MAX_LIGHTS);
    for (int i = std::min(now, next); i < std::max(now, next); ++i) {
        state.setup.lights[i] = GL_INITIAL_LIGHT;
        state.lightOn[i] = false;
    }
    state.setup.lightCount = next;
    stateChanged();
    return answer(drawFrame());
}

// Whether the JSON text at `text`, `length` bytes, is a state the lab
// would take onto the demo's values (as lab_set reads it): an empty
// string, or why not. Nothing changes.
EMSCRIPTEN_KEEPALIVE const char* lab_check_state(const char* text, int length)
{
    SceneState state = startingSceneState();
    return hand(applySceneText(std::string(text, static_cast<std::size_t>(length)), state));
}

EMSCRIPTEN_KEEPALIVE void lab_set_marks(int on)
{
    lab->marks = on != 0;
    drawFrame();
}

// Readies what explaining a pixel of the state needs (the model of its
// scene, the programs of the passes), so the page can do it once changes
// stop rather than when a pixel is clicked.
EMSCRIPTEN_KEEPALIVE void lab_prepare()
{
    model();
    std::string log;
    const std::size_t built = lab->renderer.programsBuilt();
    if (!lab->renderer.prepareAll(lab->state, log) || lab->renderer.programsBuilt() == built) {
        return;
    }
    // A browser's GL may build its code for a program at its first draw:
    // new passes run once into the pick framebuffer, on one pixel. (Their
    // reading back waits for the GL's work: not done for programs it has.)
    const int width = lab->state.view.windowWidth, height = lab->state.view.windowHeight;
    lab->pick.bind(width, height);
    int index = -1;
    lab->renderer.triangleAt(lab->state, 0, 0, index, log);
    unsigned char corners[3][3];
    lab->renderer.probeCorners(lab->state, 0, false, corners, log);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
}

EMSCRIPTEN_KEEPALIVE void lab_draw()
{
    drawFrame();
}

// One key of the demo on the lab's canvas: `special` 0 for a character
// (l, c; Enter and Escape are the page's), else a GLUT special key code.
// The answer when the picture changed, else an empty string.
EMSCRIPTEN_KEEPALIVE const char* lab_key(int key, int special)
{
    ViewerState& view = lab->state.view;
    bool changed = false;
    if (special) {
        changed = applySpecialKey(view, key);
    } else if (key == 'l' || key == 'c') {
        changed = applyKey(view, static_cast<unsigned char>(key)) == KeyEffect::Redisplay;
        followMode(lab->state);
    }
    if (!changed) {
        return hand("");
    }
    stateChanged();
    return answer(drawFrame());
}

// One step of the demo's spin, and the frame after it; the answer.
EMSCRIPTEN_KEEPALIVE const char* lab_spin_step()
{
    applySpinStep(lab->state.view);
    stateChanged();
    return answer(drawFrame());
}

// The frame's pixels, RGBA, row 0 at the top: width x height x 4 bytes;
// the frame as drawn, without the marks of a click.
EMSCRIPTEN_KEEPALIVE const unsigned char* lab_pixels()
{
    const bool unmarked = lab->canvasMarked;
    if (unmarked) {
        const ViewerState& view = lab->state.view;
        drawUnmarked(0, 0, view.windowWidth, view.windowHeight);
    }
    readFrameTopDown();
    if (unmarked) {
        // The canvas has no alpha: it reads opaque, the framebuffer as cleared.
        for (std::size_t a = 3; a < lab->pixels.size(); a += 4) {
            lab->pixels[a] = 255;
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, lab->state.view.windowWidth, lab->state.view.windowHeight);
    return lab->pixels.data();
}

// What light `light` alone adds to the frame, as the capture tool's
// --layers splits a frame light by light: the other lights off, no global
// ambient and no emission, and of the light's ambient, diffuse and specular
// colours only those `terms` names kept (bits 1, 2 and 4), the others
// black. Drawn into the pick framebuffer, so the canvas keeps its frame,
// and only within the box (x0, y0) to (x1, y1), row 0 at the top: RGBA as
// lab_pixels gives it, the pixels outside the box left as they were. A
// light that is off adds nothing: the box is black.
EMSCRIPTEN_KEEPALIVE const unsigned char* lab_light_pixels(int light, int terms, int x0, int y0,
                                                           int x1, int y1)
{
    SceneState alone = lab->state;
    for (int i = 0; i < MAX_LIGHTS; ++i) {
        alone.lightOn[i] = alone.lightOn[i] && i == light;
    }
    std::fill_n(alone.setup.lightModel.ambient, 3, 0.0f);
    std::fill_n(alone.setup.material.emission, 3, 0.0f);
    std::fill_n(alone.setup.back.emission, 3, 0.0f);
    if (light >= 0 && light < alone.setup.lightCount) {
        LightSetup& kept = alone.setup.lights[light];
        float* const colours[3] = {kept.ambient, kept.diffuse, kept.specular};
        for (int term = 0; term < 3; ++term) {
            if ((terms >> term & 1) == 0) {
                std::fill_n(colours[term], 3, 0.0f);
            }
        }
    }
    const int width = alone.view.windowWidth, height = alone.view.windowHeight;
    lab->pick.bind(width, height);
    // Only the box is shaded and read back: a check counts its pixels alone.
    glEnable(GL_SCISSOR_TEST);
    glScissor(x0, height - 1 - y1, x1 - x0 + 1, y1 - y0 + 1);
    std::string log;
    lab->renderer.draw(alone, log);
    glDisable(GL_SCISSOR_TEST);
    readFrameTopDown();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, width, height);
    return lab->pixels.data();
}

// Why pixel (x, y), row 0 at the top, has its colour: the explain tool's
// JSON, with the text it prints as "text" (explainAt).
EMSCRIPTEN_KEEPALIVE const char* lab_explain(int x, int y)
{
    PixelExplanation explanation;
    std::string why;
    const bool explained = explainAt(x, y, explanation, why);
    if (!explained) {
        return hand(nlohmann::json{{"error", why}}.dump());
    }
    nlohmann::ordered_json json = explanationJson(model(), explanation);
    json["text"] = explanationText(model(), explanation);
    return hand(json.dump());
}

// Marks pixel (x, y), row 0 at the top, in both views: what is under it is
// drawn, and followed through every change. A negative x: no pixel.
EMSCRIPTEN_KEEPALIVE void lab_mark(int x, int y)
{
    lab->clicked = x >= 0;
    lab->point = clickedAt(x, y);
    lab->pointKnown = false;
    drawFrame();
}

// The outside camera as JSON: eye, target, up, fov (vertical, degrees),
// size (the picture's, in pixels).
EMSCRIPTEN_KEEPALIVE const char* lab_outside()
{
    const OutsideCamera& c = lab->camera;
    const auto list = [](const MarkPoint& p) { return nlohmann::json::array({p.x, p.y, p.z}); };
    return hand(nlohmann::json{{"eye", list(c.eye)},
                               {"target", list(c.target)},
                               {"up", list(c.up)},
                               {"fov", c.fieldOfView},
                               {"size", {c.width, c.height}}}
                    .dump());
}

// Sets the fields of the outside camera that `json` gives and draws the
// view. An empty string, or what is wrong; the camera is then as it was.
EMSCRIPTEN_KEEPALIVE const char* lab_set_outside(const char* json)
{
    const nlohmann::json parsed = nlohmann::json::parse(json, nullptr, false);
    OutsideCamera camera = lab->camera;
    const std::string wrong = readOutside(parsed, camera);
    if (wrong.empty()) {
        lab->camera = camera;
        drawOutside();
    }
    return hand(wrong);
}

// The outside camera moved to `distance` from its target.
EMSCRIPTEN_KEEPALIVE void lab_outside_distance(double distance)
{
    lab->camera = atDistance(lab->camera, std::clamp(distance, NEAREST, FURTHEST));
    drawOutside();
}

// The outside camera turned about its target, as a drag turns it.
EMSCRIPTEN_KEEPALIVE void lab_outside_orbit(double yawDegrees, double pitchDegrees)
{
    lab->camera = orbited(lab->camera, yawDegrees, pitchDegrees);
    drawOutside();
}

// Whether a light's handle is within `reach` of (x, y) of the outside view,
// both in its canvas's pixels.
EMSCRIPTEN_KEEPALIVE int lab_outside_handle(double x, double y, double reach)
{
    return handleAt(lightHandles(lab->state), lab->state, lab->camera, x, y, reach) >= 0;
}

// A press at (x, y) of the outside view takes hold of the nearest light's
// handle within `reach` pixels, or else of the camera. 1: a light.
EMSCRIPTEN_KEEPALIVE int lab_outside_grab(double x, double y, int shift, double reach)
{
    const std::vector<LightHandle> handles = lightHandles(lab->state);
    const int held = handleAt(handles, lab->state, lab->camera, x, y, reach);
    Grab& grab = lab->grab;
    grab = Grab{true, held >= 0, held >= 0 ? handles[static_cast<size_t>(held)] : LightHandle{},
                lab->state, lab->camera, x, y, shift != 0, x, y};
    return grab.light ? 1 : 0;
}

// The pointer held down at (x, y): the light taken hold of follows it (see
// draggedLight), or the camera turns about its target. The answer when
// the state changed, else an empty string.
EMSCRIPTEN_KEEPALIVE const char* lab_outside_drag(double x, double y, int shift)
{
    Grab& grab = lab->grab;
    if (!grab.active) {
        return hand("");
    }
    if (!grab.light) {
        lab->camera = orbited(grab.camera, (x - grab.x) * ORBIT_DEGREES_A_PIXEL,
                              (y - grab.y) * ORBIT_DEGREES_A_PIXEL);
        drawOutside();
        return hand("");
    }
    if ((shift != 0) != grab.shift) {
        // Shift pressed or let go: the drag goes on from where the light is.
        for (const LightHandle& handle : lightHandles(lab->state)) {
            if (handle.light == grab.handle.light && handle.kind == grab.handle.kind) {
                grab = Grab{true,       true,       handle,     lab->state, lab->camera,
                            grab.lastX, grab.lastY, shift != 0, grab.lastX, grab.lastY};
            }
        }
    }
    lab->state = draggedLight(grab.start, grab.handle, lab->camera, x - grab.x, y - grab.y,
                              grab.shift);
    grab.lastX = x;
    grab.lastY = y;
    stateChanged();
    return answer(drawFrame());
}

// The pointer let go: a light's drag ends with the frame drawn once more,
// the clicked pixel's corners read again.
EMSCRIPTEN_KEEPALIVE void lab_outside_release()
{
    const bool light = lab->grab.active && lab->grab.light;
    lab->grab.active = false;
    if (light && lab->clicked) {
        drawFrame();
    }
}

// The state as code: the OpenGL 1.x calls that set it, and the shader
// program that draws it with its uniforms' values for this frame.
EMSCRIPTEN_KEEPALIVE const char* lab_code()
{
    const SceneState& state = lab->state;
    const FrameUniforms frame = frameUniforms(state, lab->renderer.mesh().solids);
    nlohmann::ordered_json uniforms = nlohmann::ordered_json::object();
    const auto add = [&uniforms](const UniformValue& u, const std::string& name) {
        uniforms[name] = u.values.size() == 1 ? nlohmann::ordered_json(u.values[0])
                                              : nlohmann::ordered_json(u.values);
    };
    for (const UniformValue& u : frameUniformValues(state, frame)) {
        add(u, u.name);
    }
    if (state.setup.lightModel.twoSided) {
        for (const UniformValue& u : backMaterialValues(state)) {
            add(u, u.name);
        }
    }
    for (int s = 0; s < SOLID_COUNT; ++s) {
        for (const UniformValue& u : solidUniformValues(state, frame, s)) {
            add(u, u.name + " (" + SOLID_NAMES[s] + ")");
        }
    }
    nlohmann::ordered_json code;
    code["gl"] = stateCallsAsC(state);
    code["vertex_shader"] = ShaderRenderer::vertexSource(state);
    code["fragment_shader"] = ShaderRenderer::fragmentSource(state);
    code["uniforms"] = uniforms;
    return hand(code.dump());
}

}  // extern "C"
