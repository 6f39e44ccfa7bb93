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
constexpr GLuint LIT_POSITION_SLOT = 2;  // shading flat: the provoking corner's place

std::string flag(bool value) { return value ? "true" : "false"; }

// The #defines that select the parts of the equation a state needs: the
// lights that are on, each with its index and kind, for lighting.glsl's
// ADD_LIGHT. A light's kind does not depend on the view, which turns
// without scaling.
std::string definesFor(const SceneState& state)
{
    std::string lights;
    for (int i = 0; i < state.setup.lightCount; ++i) {
        const LightUniforms light =
            lightUniforms(state.setup.lights[i], state.lightOn[i], identityMatrix());
        if (light.on) {
            lights += " ADD(" + std::to_string(i) + ", " + flag(light.positional) + ", " +
                      flag(light.spot) + ", " + flag(light.attenuated) + ")";
        }
    }
    std::string defines = "#define LIGHT_COUNT " + std::to_string(state.setup.lightCount) + "\n";
    defines += "#define FOR_EACH_LIGHT_ON(ADD)" + lights + "\n";
    const LightModelSetup& model = state.setup.lightModel;
    if (model.localViewer) {
        defines += "#define LOCAL_VIEWER\n";
    }
    if (model.twoSided) {
        defines += "#define TWO_SIDED\n";
    }
    if (model.separateSpecular) {
        defines += "#define SEPARATE_SPECULAR\n";
    }
    if (state.highlight == Highlight::Phong) {
        defines += "#define PHONG\n";
    }
    if (state.shading == ShadingMode::PerPixel) {
        defines += "#define PER_PIXEL\n";
    }
    if (state.shading == ShadingMode::Flat) {
        defines += "#define FLAT\n";
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
    mutable std::map<std::string, GLint> locations;  // by name, found when first set

    ~Program() { glDeleteProgram(id); }

    GLint at(const std::string& name) const
    {
        auto found = locations.find(name);
        if (found == locations.end()) {
            found = locations.emplace(name, glGetUniformLocation(id, name.c_str())).first;
        }
        return found->second;
    }

    void set(const UniformValue& uniform) const
    {
        const GLint where = at(uniform.name);
        const float* v = uniform.values.data();
        switch (uniform.values.size()) {
        case 1: glUniform1f(where, v[0]); break;
        case 3: glUniform3fv(where, 1, v); break;
        case 4: glUniform4fv(where, 1, v); break;
        case 9: glUniformMatrix3fv(where, 1, GL_FALSE, v); break;
        case 16: glUniformMatrix4fv(where, 1, GL_FALSE, v); break;
        default: break;
        }
    }

    void set(const std::vector<UniformValue>& uniforms) const
    {
        for (const UniformValue& uniform : uniforms) {
            set(uniform);
        }
    }
};

struct ShaderRenderer::Buffers {
    GLuint vertices = 0;  // each solid's distinct corners: position, normal
    GLuint indices = 0;   // each solid's triangles as 16-bit indices into its corners
    GLuint ids = 0;       // per triangle corner: position, id bytes
    GLuint flat = 0;      // per corner: position, its provoking corner's normal and position
    GLuint corner = 0;    // one corner to light alone: position, normal
    int firstVertex[SOLID_COUNT] = {};
    int firstIndex[SOLID_COUNT] = {};
    int count[SOLID_COUNT] = {};  // corners: 3 a triangle

    Buffers()
    {
        glGenBuffers(1, &vertices);
        glGenBuffers(1, &indices);
        glGenBuffers(1, &ids);
        glGenBuffers(1, &flat);
        glGenBuffers(1, &corner);
    }
    ~Buffers()
    {
        glDeleteBuffers(1, &vertices);
        glDeleteBuffers(1, &indices);
        glDeleteBuffers(1, &ids);
        glDeleteBuffers(1, &flat);
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
                                {ids ? ID_SLOT : NORMAL_SLOT, ids ? "a_id" : "a_normal"},
                                {LIT_POSITION_SLOT, "a_litPosition"}},
                               log);
    if (program->id == 0) {
        return nullptr;
    }
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
    haveFlat_ = false;
}

void ShaderRenderer::uploadFlat()
{
    // Every corner apart, with the normal and the place of its triangle's
    // provoking corner, where it is lit.
    std::vector<float> data;
    for (const SolidMesh& solid : mesh_.solids) {
        for (int t = 0; t < solid.triangleCount(); ++t) {
            const size_t first = static_cast<size_t>(t) * 9;
            const size_t provoking = solid.provoking[static_cast<size_t>(t)];
            const size_t lit = first + 3 * provoking;
            for (size_t corner = first; corner < first + 9; corner += 3) {
                data.insert(data.end(), &solid.positions[corner], &solid.positions[corner] + 3);
                data.insert(data.end(), &solid.normals[lit], &solid.normals[lit] + 3);
                data.insert(data.end(), &solid.positions[lit], &solid.positions[lit] + 3);
            }
        }
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffers_->flat);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(float)), data.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    haveFlat_ = true;
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
    if (!haveMesh_ || state.tessellation != uploaded_) {
        upload(state.tessellation);
    }
    return true;
}

void ShaderRenderer::setUniforms(const Program& program, const SceneState& state,
                                 const FrameUniforms& frame)
{
    glUseProgram(program.id);
    program.set(frameUniformValues(state, frame));
    program.set(backMaterialValues(state));
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

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    setUniforms(program, state, frame);
    if (state.shading == ShadingMode::Flat) {
        drawFlat(program, state, frame);
        glUseProgram(0);
        return true;
    }

    glBindBuffer(GL_ARRAY_BUFFER, buffers_->vertices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_->indices);
    glEnableVertexAttribArray(POSITION_SLOT);
    glEnableVertexAttribArray(NORMAL_SLOT);
    for (int s = 0; s < SOLID_COUNT; ++s) {
        program.set(solidUniformValues(state, frame, s));
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

void ShaderRenderer::drawFlat(const Program& program, const SceneState& state,
                              const FrameUniforms& frame)
{
    if (!haveFlat_) {
        uploadFlat();
    }
    glBindBuffer(GL_ARRAY_BUFFER, buffers_->flat);
    const GLsizei stride = 9 * sizeof(float);
    const GLuint slots[3] = {POSITION_SLOT, NORMAL_SLOT, LIT_POSITION_SLOT};
    for (size_t k = 0; k < 3; ++k) {
        glEnableVertexAttribArray(slots[k]);
        glVertexAttribPointer(slots[k], 3, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(k * 3 * sizeof(float)));
    }
    GLint first = 0;
    for (int s = 0; s < SOLID_COUNT; ++s) {
        program.set(solidUniformValues(state, frame, s));
        glDrawArrays(GL_TRIANGLES, first, buffers_->count[s]);
        first += buffers_->count[s];
    }
    for (const GLuint slot : slots) {
        glDisableVertexAttribArray(slot);
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
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
        glUniformMatrix4fv(program->at("u_modelViewProjection"), 1, GL_FALSE,
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
    program->set(solidUniformValues(state, frame, solid));
    glUniform1i(program->at("u_probeBack"), back ? 1 : 0);

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
            glUniform4fv(program->at("u_probePosition"), 1, probe);
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

bool ShaderRenderer::triangleAt(const SceneState& state, int x, int windowY, int& index,
                                std::string& log)
{
    // Only the one pixel is shaded: every triangle still goes through the
    // rasteriser, which is what decides the one drawn there.
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, windowY, 1, 1);
    const bool drawn = drawTriangleIds(state, log);
    glDisable(GL_SCISSOR_TEST);
    if (!drawn) {
        return false;
    }
    unsigned char rgba[4];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, windowY, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    index = triangleOfIdColour(rgba);
    return true;
}

bool ShaderRenderer::readCorners(const SceneState& state, int index, bool seenFromBehind,
                                 PixelReading& reading, std::string& log)
{
    reading.triangle = index;
    reading.hasCornerColours = false;
    if (index < 0 || !litAtCorners(state.shading)) {
        return true;
    }
    unsigned char corners[3][3];
    const bool back = seenFromBehind && state.setup.lightModel.twoSided;
    if (!probeCorners(state, index, back, corners, log)) {
        return false;
    }
    reading.hasCornerColours = true;
    for (int corner = 0; corner < 3; ++corner) {
        for (int c = 0; c < 3; ++c) {
            reading.cornerColours[corner][c] = corners[corner][c];
        }
    }
    return true;
}

int triangleOfIdColour(const unsigned char rgb[3])
{
    return (rgb[0] << 16 | rgb[1] << 8 | rgb[2]) - 1;
}
