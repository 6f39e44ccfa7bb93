#include "shading/frame_uniforms.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double PI = 3.14159265358979323846;

// GL's own normalisation of light vectors: in float, by 1 / sqrtf.
void normalise(float v[3])
{
    float length = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    if (length != 0.0f) {
        length = 1.0f / std::sqrt(length);
        v[0] *= length;
        v[1] *= length;
        v[2] *= length;
    }
}

}  // namespace

LightUniforms lightUniforms(const LightSetup& light, bool on, const GlMatrix& view)
{
    LightUniforms u;
    u.on = on;
    // glLightfv takes the position through the modelview matrix in force,
    // the spot direction through its upper 3x3.
    transformPoint(view, light.position, u.position);
    transformDirection(view, light.spotDirection, u.spotDirection);
    u.positional = u.position[3] != 0.0f;
    u.spot = light.isSpot();
    u.attenuated = light.isAttenuated();
    if (u.positional) {
        const float wInverse = 1.0f / u.position[3];
        for (int i = 0; i < 3; ++i) {
            u.position[i] *= wInverse;
        }
        u.halfVector[0] = u.halfVector[1] = u.halfVector[2] = 0.0f;
    } else {
        normalise(u.position);
        const float toViewer[3] = {0.0f, 0.0f, 1.0f};
        for (int i = 0; i < 3; ++i) {
            u.halfVector[i] = u.position[i] + toViewer[i];
        }
        normalise(u.halfVector);
    }
    normalise(u.spotDirection);
    u.spotCosCutoff = std::cos(static_cast<float>(light.spotCutoff * PI / 180.0));
    if (u.spotCosCutoff < 0.0f) {
        u.spotCosCutoff = 0.0f;
    }
    return u;
}

FrameEye sceneEye(const SceneState& state)
{
    const ViewerState& view = state.view;
    const Camera camera = cameraFor(view.viewpoint, view.windowWidth, view.windowHeight);
    FrameEye eye{identityMatrix(), identityMatrix()};
    perspective(eye.projection, camera.fieldOfView, camera.aspect, camera.zNear, camera.zFar);
    lookAt(eye.view, camera.eyeX, camera.eyeY, camera.eyeZ, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    return eye;
}

FrameEye outsideEye(const OutsideCamera& camera)
{
    double zNear = 0, zFar = 0;
    depthRange(camera, zNear, zFar);
    const double aspect = static_cast<double>(std::max(camera.width, 1)) /
                          static_cast<double>(std::max(camera.height, 1));
    FrameEye eye{identityMatrix(), identityMatrix()};
    perspective(eye.projection, camera.fieldOfView, aspect, zNear, zFar);
    lookAt(eye.view, camera.eye.x, camera.eye.y, camera.eye.z, camera.target.x, camera.target.y,
           camera.target.z, camera.up.x, camera.up.y, camera.up.z);
    return eye;
}

FrameUniforms frameUniforms(const SceneState& state, const SolidMesh (&solids)[SOLID_COUNT])
{
    return frameUniforms(state, solids, sceneEye(state));
}

FrameUniforms frameUniforms(const SceneState& state, const SolidMesh (&solids)[SOLID_COUNT],
                            const FrameEye& eye)
{
    FrameUniforms u{};
    const ViewerState& view = state.view;
    u.projection = eye.projection;
    u.view = eye.view;
    rotate(u.view, view.angleX, 1.0f, 0.0f, 0.0f);
    rotate(u.view, view.angleY, 0.0f, 1.0f, 0.0f);
    rotate(u.view, view.angleZ, 0.0f, 0.0f, 1.0f);

    for (int i = 0; i < state.setup.lightCount; ++i) {
        u.lights[i] = lightUniforms(state.setup.lights[i], state.lightOn[i], u.view);
    }
    for (int s = 0; s < SOLID_COUNT; ++s) {
        SolidUniforms& solid = u.solids[s];
        solid.modelView = u.view;
        for (const PlacementStep& step : solids[s].placement) {
            if (step.kind == PlacementStep::Translate) {
                translate(solid.modelView, step.x, step.y, step.z);
            } else {
                rotate(solid.modelView, step.angle, step.x, step.y, step.z);
            }
        }
        solid.modelViewProjection = product(u.projection, solid.modelView);
        normalMatrix(solid.modelView, solid.normalMatrix);
    }
    return u;
}

namespace {

UniformValue value(const std::string& name, const float* values, int count)
{
    return {name, std::vector<float>(values, values + count)};
}

UniformValue value(const std::string& name, float one)
{
    return {name, {one}};
}

// A material's uniforms but its diffuse colour, which each solid sets.
template <typename Setup>
void addMaterial(std::vector<UniformValue>& out, const std::string& name, const Setup& material)
{
    out.push_back(value(name + ".ambient", material.ambient, 4));
    out.push_back(value(name + ".specular", material.specular, 4));
    out.push_back(value(name + ".emission", material.emission, 4));
    out.push_back(value(name + ".shininess", material.shininess));
}

}  // namespace

std::vector<UniformValue> frameUniformValues(const SceneState& state, const FrameUniforms& frame)
{
    const SceneSetup& setup = state.setup;
    std::vector<UniformValue> out = {value("u_globalAmbient", setup.lightModel.ambient, 4)};
    for (int i = 0; i < state.setup.lightCount; ++i) {
        if (!frame.lights[i].on) {
            continue;
        }
        const std::string name = "u_lights[" + std::to_string(i) + "].";
        const LightSetup& given = setup.lights[i];
        const LightUniforms& light = frame.lights[i];
        out.push_back(value(name + "position", light.position, 4));
        out.push_back(value(name + "ambient", given.ambient, 4));
        out.push_back(value(name + "diffuse", given.diffuse, 4));
        out.push_back(value(name + "specular", given.specular, 4));
        out.push_back(value(name + "spotDirection", light.spotDirection, 3));
        out.push_back(value(name + "spotCosCutoff", light.spotCosCutoff));
        out.push_back(value(name + "spotExponent", given.spotExponent));
        out.push_back(value(name + "attenuation", given.attenuation, 3));
        out.push_back(value(name + "halfVector", light.halfVector, 3));
    }
    addMaterial(out, "u_front", setup.material);
    return out;
}

std::vector<UniformValue> backMaterialValues(const SceneState& state)
{
    const BackMaterialSetup& back = state.setup.back;
    std::vector<UniformValue> out = {value("u_back.diffuse", back.diffuse, 4)};
    addMaterial(out, "u_back", back);
    return out;
}

std::vector<UniformValue> solidUniformValues(const SceneState& state, const FrameUniforms& frame,
                                             int solid)
{
    const SolidUniforms& placed = frame.solids[solid];
    return {value("u_front.diffuse", state.setup.material.diffuse[solid], 4),
            value("u_modelViewProjection", placed.modelViewProjection.m, 16),
            value("u_modelView", placed.modelView.m, 16),
            value("u_normalMatrix", placed.normalMatrix, 9)};
}
