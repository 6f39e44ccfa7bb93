#include "shading/shading.h"

#include "shading/frame_uniforms.h"
#include "shading/gl_api.h"
#include "shading/gl_program.h"
#include "shading/shader_sources.h"

#include <array>
#include <vector>

namespace {

// Attribute slots, bound before linking so every program agrees.
constexpr GLuint POSITION_SLOT = 0;
constexpr GLuint NORMAL_SLOT = 1;
constexpr GLuint ID_SLOT = 1;

const char* const LIGHT_NAMES[LIGHT_COUNT] = {"LIGHT0", "LIGHT1", "LIGHT2"};

std::string flag(bool value) { return value ? "true" : "false"; }

// The #defines that select the parts of the equation a state needs. A
// light's kind does not depend on the view, which turns without scaling.
std::string definesFor(const SceneState& state)
{
    std::string defines;
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        const LightUniforms light =
            lightUniforms(state.setup.lights[i], state.lightOn[i], identityMatrix());
        if (!light.on) {
            continue;
        }
        const std::string name = LIGHT_NAMES[i];
        defines += "#define " + name + "\n";
        defines += "#define " + name + "_POSITIONAL " + flag(light.positional) + "\n";
        defines += "#define " + name + "_SPOT " + flag(light.spot) + "\n";
        defines += "#define " + name + "_ATTENUATED " + flag(light.attenuated) + "\n";
    }
    const LightModelSetup& model = state.setup.lightModel;
    if (model.localViewer) {
        defines += "#define LOCAL_VIEWER\n";
    }
    if (model.twoSided) {
        defines += "#define TWO_SIDED\n";
    }
    if (state.shading == ShadingMode::PerPixel) {
        defines += "#define PER_PIXEL\n";
    }
    return defines;
}

const char* const FRAGMENT_PRECISION =
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"
    "precision highp float;\n"
    "#else\n"
    "precision mediump float;\n"
    "#endif\n";


}  // namespace

struct ShaderRenderer::Program {
    GLuint id = 0;
    GLint modelViewProjection = -1, modelView = -1, normalMatrix = -1, globalAmbient = -1;
    struct LightLocations {
        GLint position, ambient, diffuse, specular, spotDirection, spotCosCutoff, spotExponent,
            attenuation, halfVector;
    } lights[LIGHT_COUNT];
    struct MaterialLocations {
        GLint ambient, diffuse, specular, emission, shininess;
    } front, back;
    GLint probePosition = -1, probeBack = -1;

    ~Program() { glDeleteProgram(id); }

    GLint at(const std::string& name) const { return glGetUniformLocation(id, name.c_str()); }

    MaterialLocations materialAt(const std::string& name) const
    {
        return {at(name + ".ambient"), at(name + ".diffuse"), at(name + ".specular"),
                at(name + ".emission"), at(name + ".shininess")};
    }

    void findUniforms()
    {
        modelViewProjection = at("u_modelViewProjection");
        modelView = at("u_modelView");
        normalMatrix = at("u_normalMatrix");
        globalAmbient = at("u_globalAmbient");
        for (int i = 0; i < LIGHT_COUNT; ++i) {
            const std::string light = "u_lights[" + std::to_string(i) + "].";
            lights[i] = {at(light + "position"),      at(light + "ambient"),
                         at(light + "diffuse"),       at(light + "specular"),
                         at(light + "spotDirection"), at(light + "spotCosCutoff"),
                         at(light + "spotExponent"),  at(light + "attenuation"),
                         at(light + "halfVector")};
        }
        front = materialAt("u_front");
        back = materialAt("u_back");
        probePosition = at("u_probePosition");
        probeBack = at("u_probeBack");
    }
};

struct ShaderRenderer::Buffers {
    GLuint vertices = 0;  // each solid's distinct corners: position, normal
    GLuint indices = 0;   // each solid's triangles as 16-bit indices into its corners
    GLuint ids = 0;       // per triangle corner: position, id bytes
    GLuint corner = 0;    // one corner to light alone: position, normal
    int firstVertex[SOLID_COUNT] = {};
    int firstIndex[SOLID_COUNT] = {};
    int count[SOLID_COUNT] = {};  // corners: 3 a triangle

    Buffers()
    {
        glGenBuffers(1, &vertices);
        glGenBuffers(1, &indices);
        glGenBuffers(1, &ids);
        glGenBuffers(1, &corner);
    }
    ~Buffers()
    {
        glDeleteBuffers(1, &vertices);
        glDeleteBuffers(1, &indices);
        glDeleteBuffers(1, &ids);
        glDeleteBuffers(1, &corner);
    }
};

ShaderRenderer::ShaderRenderer() = default;
ShaderRenderer::~ShaderRenderer() = default;

std::string ShaderRenderer::vertexSource(const SceneState& state)
{
    return "#version 100\n" + definesFor(state) + LIGHTING_GLSL + SCENE_VERT;
}

std::string ShaderRenderer::fragmentSource(const SceneState& state)
{
    return "#version 100\n" + std::string(FRAGMENT_PRECISION) +
           definesFor(state) + LIGHTING_GLSL + SCENE_FRAG;
}

ShaderRenderer::Program* ShaderRenderer::programFor(const SceneState& state, Pass pass,
                                                    std::string& log)
{
    const bool ids = pass == Pass::TriangleIds;
    std::string vertex, fragment;
    if (ids) {
        vertex = std::string("#version 100\n") + TRIANGLE_IDS_VERT;
        fragment = std::string("#version 100\n") + FRAGMENT_PRECISION + TRIANGLE_IDS_FRAG;
    } else if (pass == Pass::CornerProbe) {
        SceneState perVertex = state;
        perVertex.shading = ShadingMode::PerVertex;
        const std::string defines = "#define CORNER_PROBE\n" + definesFor(perVertex);
        vertex = "#version 100\n" + defines + LIGHTING_GLSL + SCENE_VERT;
        fragment = "#version 100\n" + std::string(FRAGMENT_PRECISION) + defines + LIGHTING_GLSL +
                   SCENE_FRAG;
    } else {
        vertex = vertexSource(state);
        fragment = fragmentSource(state);
    }
    const std::string key = vertex + '\0' + fragment;
    if (const auto found = programs_.find(key); found != programs_.end()) {
        return found->second.get();
    }
    auto program = std::make_unique<Program>();
    program->id = buildProgram(vertex, fragment,
                               {{POSITION_SLOT, "a_position"},
                                {ids ? ID_SLOT : NORMAL_SLOT, ids ? "a_id" : "a_normal"}},
                               log);
    if (program->id == 0) {
        return nullptr;
    }
    program->findUniforms();
    Program* made = program.get();
    programs_.emplace(key, std::move(program));
    return made;
}

void ShaderRenderer::upload(const Tessellation& tessellation)
{
    if (!buffers_) {
        buffers_ = std::make_unique<Buffers>();
    }
    mesh_ = buildSceneMesh(tessellation);
    // A corner that several triangles share is one vertex, lit once: the
    // same saving GL's vertex cache makes on the solids' strips.
    std::vector<float> vertices;
    std::vector<GLushort> indices;
    for (int s = 0; s < SOLID_COUNT; ++s) {
        const SolidMesh& solid = mesh_.solids[s];
        buffers_->firstVertex[s] = static_cast<int>(vertices.size() / 6);
        buffers_->firstIndex[s] = static_cast<int>(indices.size());
        buffers_->count[s] = solid.triangleCount() * 3;
        std::map<std::array<float, 6>, GLushort> seen;
        for (size_t i = 0; i < solid.positions.size(); i += 3) {
            const std::array<float, 6> corner = {solid.positions[i],     solid.positions[i + 1],
                                                 solid.positions[i + 2], solid.normals[i],
                                                 solid.normals[i + 1],   solid.normals[i + 2]};
            const auto [at, added] = seen.emplace(corner, static_cast<GLushort>(seen.size()));
            if (added) {
                vertices.insert(vertices.end(), corner.begin(), corner.end());
            }
            indices.push_back(at->second);
        }
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffers_->vertices);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(float)),
                 vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_->indices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLushort)),
                 indices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    uploaded_ = tessellation;
    haveMesh_ = true;
    haveIds_ = false;
}

void ShaderRenderer::uploadIds()
{
    // Positions and the index bytes, high byte first (red).
    std::vector<unsigned char> data;
    unsigned triangle = 0;
    for (const SolidMesh& solid : mesh_.solids) {
        for (size_t i = 0; i < solid.positions.size(); i += 9, ++triangle) {
            const unsigned id = triangle + 1;
            const unsigned char bytes[4] = {static_cast<unsigned char>(id >> 16),
                                            static_cast<unsigned char>(id >> 8),
                                            static_cast<unsigned char>(id), 0};
            for (size_t corner = 0; corner < 3; ++corner) {
                const auto* position =
                    reinterpret_cast<const unsigned char*>(&solid.positions[i + corner * 3]);
                data.insert(data.end(), position, position + 3 * sizeof(float));
                data.insert(data.end(), bytes, bytes + 4);
            }
        }
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffers_->ids);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size()), data.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    haveIds_ = true;
}

bool ShaderRenderer::prepare(const SceneState& state, std::string& log)
{
    if (programFor(state, Pass::Scene, log) == nullptr) {
        return false;
    }
    const Tessellation& t = state.tessellation;
    const Tessellation& u = uploaded_;
    if (!haveMesh_ || t.cube != u.cube || t.sphereSlices != u.sphereSlices ||
        t.sphereStacks != u.sphereStacks || t.coneSlices != u.coneSlices ||
        t.coneStacks != u.coneStacks || t.cylinderSlices != u.cylinderSlices ||
        t.cylinderStacks != u.cylinderStacks) {
        upload(t);
    }
    return true;
}

void ShaderRenderer::setUniforms(const Program& program, const SceneState& state,
                                 const FrameUniforms& frame)
{
    const SceneSetup& setup = state.setup;
    glUseProgram(program.id);
    glUniform4fv(program.globalAmbient, 1, setup.lightModel.ambient);
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        const LightUniforms& light = frame.lights[i];
        const LightSetup& given = setup.lights[i];
        const Program::LightLocations& at = program.lights[i];
        glUniform4fv(at.position, 1, light.position);
        glUniform4fv(at.ambient, 1, given.ambient);
        glUniform4fv(at.diffuse, 1, given.diffuse);
        glUniform4fv(at.specular, 1, given.specular);
        glUniform3fv(at.spotDirection, 1, light.spotDirection);
        glUniform1f(at.spotCosCutoff, light.spotCosCutoff);
        glUniform1f(at.spotExponent, given.spotExponent);
        glUniform3fv(at.attenuation, 1, given.attenuation);
        glUniform3fv(at.halfVector, 1, light.halfVector);
    }
    const MaterialSetup& front = setup.material;
    const MaterialSetup& back = GL_DEFAULT_MATERIAL;
    glUniform4fv(program.front.ambient, 1, front.ambient);
    glUniform4fv(program.front.specular, 1, front.specular);
    glUniform4fv(program.front.emission, 1, front.emission);
    glUniform1f(program.front.shininess, front.shininess);
    glUniform4fv(program.back.ambient, 1, back.ambient);
    glUniform4fv(program.back.diffuse, 1, back.diffuse[0]);
    glUniform4fv(program.back.specular, 1, back.specular);
    glUniform4fv(program.back.emission, 1, back.emission);
    glUniform1f(program.back.shininess, back.shininess);
}

bool ShaderRenderer::prepareAll(const SceneState& state, std::string& log)
{
    return prepare(state, log) && programFor(state, Pass::TriangleIds, log) != nullptr &&
           programFor(state, Pass::CornerProbe, log) != nullptr;
}

bool ShaderRenderer::draw(const SceneState& state, std::string& log)
{
    return draw(state, sceneEye(state), log);
}

bool ShaderRenderer::draw(const SceneState& state, const FrameEye& eye, std::string& log)
{
    if (!prepare(state, log)) {
        return false;
    }
    const Program& program = *programFor(state, Pass::Scene, log);
    const FrameUniforms frame = frameUniforms(state, mesh_.solids, eye);
    const MaterialSetup& front = state.setup.material;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    setUniforms(program, state, frame);

    glBindBuffer(GL_ARRAY_BUFFER, buffers_->vertices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_->indices);
    glEnableVertexAttribArray(POSITION_SLOT);
    glEnableVertexAttribArray(NORMAL_SLOT);
    for (int s = 0; s < SOLID_COUNT; ++s) {
        const SolidUniforms& solid = frame.solids[s];
        glUniformMatrix4fv(program.modelViewProjection, 1, GL_FALSE, solid.modelViewProjection.m);
        glUniformMatrix4fv(program.modelView, 1, GL_FALSE, solid.modelView.m);
        glUniformMatrix3fv(program.normalMatrix, 1, GL_FALSE, solid.normalMatrix);
        glUniform4fv(program.front.diffuse, 1, front.diffuse[s]);
        // Each solid's indices count from its own first vertex.
        const GLsizei stride = 6 * sizeof(float);
        const size_t first = static_cast<size_t>(buffers_->firstVertex[s]) * stride;
        glVertexAttribPointer(POSITION_SLOT, 3, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(first));
        glVertexAttribPointer(NORMAL_SLOT, 3, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(first + 3 * sizeof(float)));
        glDrawElements(GL_TRIANGLES, buffers_->count[s], GL_UNSIGNED_SHORT,
                       reinterpret_cast<const void*>(buffers_->firstIndex[s] * sizeof(GLushort)));
    }
    // Left as found, for fixed-function frames that may follow in the
    // same context.
    glDisableVertexAttribArray(POSITION_SLOT);
    glDisableVertexAttribArray(NORMAL_SLOT);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glUseProgram(0);
    return true;
}

bool ShaderRenderer::drawTriangleIds(const SceneState& state, std::string& log)
{
    Program* program = programFor(state, Pass::TriangleIds, log);
    if (program == nullptr || !prepare(state, log)) {
        return false;
    }
    if (!haveIds_) {
        uploadIds();
    }
    const FrameUniforms frame = frameUniforms(state, mesh_.solids);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glUseProgram(program->id);
    glBindBuffer(GL_ARRAY_BUFFER, buffers_->ids);
    const GLsizei stride = 3 * sizeof(float) + 4;
    glEnableVertexAttribArray(POSITION_SLOT);
    glEnableVertexAttribArray(ID_SLOT);
    glVertexAttribPointer(POSITION_SLOT, 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    glVertexAttribPointer(ID_SLOT, 3, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<const void*>(3 * sizeof(float)));
    GLint first = 0;
    for (int s = 0; s < SOLID_COUNT; ++s) {
        glUniformMatrix4fv(program->modelViewProjection, 1, GL_FALSE,
                           frame.solids[s].modelViewProjection.m);
        glDrawArrays(GL_TRIANGLES, first, buffers_->count[s]);
        first += buffers_->count[s];
    }
    glDisableVertexAttribArray(POSITION_SLOT);
    glDisableVertexAttribArray(ID_SLOT);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glUseProgram(0);
    return true;
}

bool ShaderRenderer::probeCorners(const SceneState& state, int index, bool back,
                                  unsigned char rgb[3][3], std::string& log)
{
    Program* program = programFor(state, Pass::CornerProbe, log);
    if (program == nullptr || !prepare(state, log)) {
        return false;
    }
    MeshSolid solid = MESH_CUBE;
    int within = 0;
    if (!mesh_.locate(index, solid, within)) {
        log = "no triangle " + std::to_string(index) + " in the mesh";
        return false;
    }
    const SolidMesh& mesh = mesh_.solids[solid];
    const FrameUniforms frame = frameUniforms(state, mesh_.solids);
    GLint viewport[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, viewport);

    setUniforms(*program, state, frame);
    const SolidUniforms& placed = frame.solids[solid];
    glUniformMatrix4fv(program->modelViewProjection, 1, GL_FALSE, placed.modelViewProjection.m);
    glUniformMatrix4fv(program->modelView, 1, GL_FALSE, placed.modelView.m);
    glUniformMatrix3fv(program->normalMatrix, 1, GL_FALSE, placed.normalMatrix);
    glUniform4fv(program->front.diffuse, 1, state.setup.material.diffuse[solid]);
    glUniform1i(program->probeBack, back ? 1 : 0);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glEnableVertexAttribArray(POSITION_SLOT);
    glEnableVertexAttribArray(NORMAL_SLOT);
    for (int corner = 0; corner < 3; ++corner) {
        const size_t at = (static_cast<size_t>(within) * 3 + static_cast<size_t>(corner)) * 3;
        const float vertex[6] = {mesh.positions[at], mesh.positions[at + 1], mesh.positions[at + 2],
                                 mesh.normals[at],   mesh.normals[at + 1],   mesh.normals[at + 2]};
        glBindBuffer(GL_ARRAY_BUFFER, buffers_->corner);
        glBufferData(GL_ARRAY_BUFFER, sizeof vertex, vertex, GL_STREAM_DRAW);
        glVertexAttribPointer(POSITION_SLOT, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float), nullptr);
        glVertexAttribPointer(NORMAL_SLOT, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float),
                              reinterpret_cast<const void*>(3 * sizeof(float)));
        // Pixel (corner, 0) of the viewport, in clip coordinates; the same in
        // the last row, which is row 0 where the clip origin is the upper left.
        for (const float edge : {-1.0f, 1.0f}) {
            const float probe[4] = {
                2.0f * (static_cast<float>(corner) + 0.5f) / static_cast<float>(viewport[2]) - 1.0f,
                edge * (1.0f - 1.0f / static_cast<float>(viewport[3])), 0.0f, 1.0f};
            glUniform4fv(program->probePosition, 1, probe);
            glDrawArrays(GL_POINTS, 0, 1);
        }
    }
    glDisableVertexAttribArray(POSITION_SLOT);
    glDisableVertexAttribArray(NORMAL_SLOT);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glUseProgram(0);
    glEnable(GL_DEPTH_TEST);

    unsigned char pixels[3 * 4];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(viewport[0], viewport[1], 3, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    for (int corner = 0; corner < 3; ++corner) {
        for (int c = 0; c < 3; ++c) {
            rgb[corner][c] = pixels[corner * 4 + c];
        }
    }
    return true;
}
