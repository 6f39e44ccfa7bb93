#include "scene/overview.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr double PI = 3.14159265358979323846;

// --overview's camera: far outside the rig, looking at the middle of the
// scene and the three eyes.
constexpr MarkPoint OVERVIEW_EYE{-28.0, 20.0, 42.0};
constexpr MarkPoint OVERVIEW_TARGET{2.5, 0.5, 2.0};
constexpr double OVERVIEW_FIELD_OF_VIEW = 32.0;  // degrees, across the narrower side
constexpr double OVERVIEW_NEAR = 20.0;
constexpr double OVERVIEW_FAR = 90.0;
constexpr double HIGHEST_ELEVATION = 85.0;  // degrees, so +Y can stay up

using V = MarkPoint;

// The camera's own axes: along its line of sight, to the picture's right, up.
struct Axes {
    V forward, side, up;
    double tanHalf, aspect;
};

Axes axesOf(const OutsideCamera& camera)
{
    Axes a;
    a.forward = unit(camera.target - camera.eye);
    a.side = unit(cross(a.forward, camera.up));
    a.up = cross(a.side, a.forward);
    a.tanHalf = std::tan(camera.fieldOfView * PI / 360.0);
    a.aspect = static_cast<double>(std::max(camera.width, 1)) /
               static_cast<double>(std::max(camera.height, 1));
    return a;
}

// glRotatef's turn of `p` by `degrees` about axis 0 (X), 1 (Y) or 2 (Z).
V turn(V p, double degrees, int axis)
{
    const double c = std::cos(degrees * PI / 180.0), s = std::sin(degrees * PI / 180.0);
    switch (axis) {
    case 0: return {p.x, c * p.y - s * p.z, s * p.y + c * p.z};
    case 1: return {c * p.x + s * p.z, p.y, -s * p.x + c * p.z};
    default: return {c * p.x - s * p.y, s * p.x + c * p.y, p.z};
    }
}

// GLUT's Roman stroke characters for the labels: polylines in font units
// (capitals 100 high on the baseline), a negative number ending each one,
// and the advance to the next character.
struct Glyph {
    char c;
    float advance;
    std::vector<float> strokes;
};

const Glyph GLYPHS[] = {
    {'0', 77.0667f, {33.5514f, 100, 19.2657f, 95.2381f, 9.7419f, 80.9524f, 4.98f, 57.1429f, 4.98f,
                     42.8571f, 9.7419f, 19.0476f, 19.2657f, 4.7619f, 33.5514f, 0, 43.0752f, 0,
                     57.361f, 4.7619f, 66.8848f, 19.0476f, 71.6467f, 42.8571f, 71.6467f, 57.1429f,
                     66.8848f, 80.9524f, 57.361f, 95.2381f, 43.0752f, 100, 33.5514f, 100, -1}},
    {'1', 66.5295f, {11.82f, 80.9524f, 21.3438f, 85.7143f, 35.6295f, 100, 35.6295f, 0, -1}},
    {'2', 77.6467f, {10.1819f, 76.1905f, 10.1819f, 80.9524f, 14.9438f, 90.4762f, 19.7057f,
                     95.2381f, 29.2295f, 100, 48.2771f, 100, 57.801f, 95.2381f, 62.5629f,
                     90.4762f, 67.3248f, 80.9524f, 67.3248f, 71.4286f, 62.5629f, 61.9048f,
                     53.039f, 47.619f, 5.42f, 0, 72.0867f, 0, -1}},
    {'N', 88.8067f, {11.14f, 0, 11.14f, 100, 77.8067f, 0, 77.8067f, 100, -1}},
    {'V', 81.6105f, {2.36f, 100, 40.4552f, 0, 78.5505f, 100, -1}},
    {'L', 71.3229f, {11.68f, 100, 11.68f, 0, 68.8229f, 0, -1}},
    {'H', 89.0867f, {11.42f, 100, 11.42f, 0, -1, 78.0867f, 100, 78.0867f, 0, -1, 11.42f, 52.381f,
                     78.0867f, 52.381f, -1}},
};

const Glyph* glyphOf(char c)
{
    const auto found = std::find_if(std::begin(GLYPHS), std::end(GLYPHS),
                                    [c](const Glyph& g) { return g.c == c; });
    return found == std::end(GLYPHS) ? nullptr : &*found;
}

}  // namespace

OutsideCamera overviewCamera(int width, int height)
{
    // The square's view, widened upwards in a tall picture.
    const double aspect = cameraFor(0, width, height).aspect;
    const double halfTangent = std::tan(OVERVIEW_FIELD_OF_VIEW * PI / 360.0) / std::min(aspect, 1.0);
    return {OVERVIEW_EYE, OVERVIEW_TARGET, {0.0, 1.0, 0.0}, std::atan(halfTangent) * 360.0 / PI,
            width, height};
}

double targetDistance(const OutsideCamera& camera)
{
    const V offset = camera.eye - camera.target;
    return std::sqrt(dotOf(offset, offset));
}

void depthRange(const OutsideCamera& camera, double& zNear, double& zFar)
{
    const V offset = OVERVIEW_EYE - OVERVIEW_TARGET;
    const double overviewDistance = std::sqrt(dotOf(offset, offset));
    const double distance = targetDistance(camera);
    zNear = OVERVIEW_NEAR * (distance / overviewDistance);
    zFar = OVERVIEW_FAR + (distance - overviewDistance);
}

OutsideCamera atDistance(const OutsideCamera& camera, double distance)
{
    OutsideCamera moved = camera;
    moved.eye = camera.target + distance * unit(camera.eye - camera.target);
    return moved;
}

OutsideCamera orbited(const OutsideCamera& camera, double yawDegrees, double pitchDegrees)
{
    const V offset = camera.eye - camera.target;
    const double distance = std::sqrt(dotOf(offset, offset));
    const double elevation =
        std::clamp(std::asin(std::clamp(offset.y / distance, -1.0, 1.0)) * 180.0 / PI + pitchDegrees,
                   -HIGHEST_ELEVATION, HIGHEST_ELEVATION) * PI / 180.0;
    const double azimuth = std::atan2(offset.x, offset.z) - yawDegrees * PI / 180.0;
    OutsideCamera moved = camera;
    moved.eye = camera.target + distance * V{std::cos(elevation) * std::sin(azimuth),
                                             std::sin(elevation),
                                             std::cos(elevation) * std::cos(azimuth)};
    moved.up = {0.0, 1.0, 0.0};
    return moved;
}

PicturePoint projectOutside(const OutsideCamera& camera, MarkPoint world)
{
    const Axes a = axesOf(camera);
    const V v = world - camera.eye;
    const double depth = dotOf(a.forward, v);
    const double ndcX = dotOf(a.side, v) / (depth * a.tanHalf * a.aspect);
    const double ndcY = dotOf(a.up, v) / (depth * a.tanHalf);
    return {(ndcX + 1.0) * 0.5 * camera.width, (1.0 - ndcY) * 0.5 * camera.height, depth};
}

MarkPoint unprojectOutside(const OutsideCamera& camera, double x, double y, double depth)
{
    const Axes a = axesOf(camera);
    const double ndcX = 2.0 * x / camera.width - 1.0;
    const double ndcY = 1.0 - 2.0 * y / camera.height;
    return camera.eye + depth * a.forward + (ndcX * depth * a.tanHalf * a.aspect) * a.side +
           (ndcY * depth * a.tanHalf) * a.up;
}

MarkPoint turnedToWorld(const ViewerState& view, MarkPoint p)
{
    return turn(turn(turn(p, view.angleZ, 2), view.angleY, 1), view.angleX, 0);
}

MarkPoint turnedToScene(const ViewerState& view, MarkPoint p)
{
    return turn(turn(turn(p, -view.angleX, 0), -view.angleY, 1), -view.angleZ, 2);
}

ViewFrustum viewFrustum(const Camera& camera)
{
    ViewFrustum frustum;
    frustum.eye = {camera.eyeX, camera.eyeY, camera.eyeZ};
    // Every viewpoint looks at the origin with +Y up.
    const V forward = unit(-1.0 * frustum.eye);
    const V side = unit(cross(forward, {0, 1, 0}));
    const V up = cross(side, forward);
    const double signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    const auto plane = [&](double distance, V corners[4]) {
        const double halfHeight = distance * std::tan(camera.fieldOfView * PI / 360.0);
        const double halfWidth = halfHeight * camera.aspect;
        const V centre = frustum.eye + distance * forward;
        for (int i = 0; i < 4; ++i) {
            corners[i] = centre + (signs[i][0] * halfWidth) * side + (signs[i][1] * halfHeight) * up;
        }
    };
    plane(camera.zNear, frustum.nearCorners);
    plane(camera.zFar, frustum.farCorners);
    return frustum;
}

double labelPixels(int width, int height)
{
    return std::max(LABEL_MIN_PIXELS, LABEL_HEIGHT * static_cast<double>(std::min(width, height)));
}

std::vector<MarkPoint> labelStrokes(const std::string& text, double x, double y, double pixels)
{
    const double scale = pixels / STROKE_CAPITAL;
    std::vector<MarkPoint> segments;
    for (const char c : text) {
        const Glyph* glyph = glyphOf(c);
        if (glyph == nullptr) {
            continue;
        }
        // Each point of a polyline joined to the next, until its end mark.
        const std::vector<float>& s = glyph->strokes;
        for (size_t i = 0; i + 2 < s.size(); i += s[i + 2] < 0 ? 3 : 2) {
            if (s[i + 2] >= 0) {
                segments.push_back({x + scale * s[i], y + scale * s[i + 1], 0.0});
                segments.push_back({x + scale * s[i + 2], y + scale * s[i + 3], 0.0});
            }
        }
        x += scale * glyph->advance;
    }
    return segments;
}

double labelWidth(const std::string& text, double pixels)
{
    double width = 0;
    for (const char c : text) {
        if (const Glyph* glyph = glyphOf(c)) {
            width += glyph->advance;
        }
    }
    return width * pixels / STROKE_CAPITAL;
}
