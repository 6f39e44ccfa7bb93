#include "scene/light_marks.h"

#include <cmath>

namespace {

constexpr double STAR_REACH = 0.4;  // scene units, each way along each axis
constexpr float UNCOLOURED_MARK[3] = {0.6f, 0.6f, 0.6f};

// Arrows for a light from a direction: they run from ARROW_TAIL to
// ARROW_TIP scene units from the origin, on the light's side, and sit across
// the direction at these offsets, level with the solids' centres.
constexpr double ARROW_TAIL = 4.6;
constexpr double ARROW_TIP = 3.3;
constexpr double ARROW_OFFSETS[] = {-2.0, 0.0, 2.0};
constexpr double BARB_BACK = 0.35;
constexpr double BARB_OUT = 0.22;

// The spot's cone is drawn this far from the light along its axis: past the
// farthest point the demo's beam lights, the cube's corner (1, 1, -1) at 17
// units, and short of every viewpoint's far plane.
constexpr double CONE_LENGTH = 18.0;
constexpr int CONE_EDGES = 8;     // lines from the light to the far ring
constexpr int RING_SEGMENTS = 48;

using V = MarkPoint;

// Two unit vectors square to `d` and to each other; the first as close to
// +Y as the direction allows, so that arrows sit above and below the scene.
void across(V d, V& u, V& w)
{
    V up{0, 1, 0};
    if (std::fabs(dotOf(d, up)) > 0.99) {
        up = {1, 0, 0};
    }
    u = unit(up + (-dotOf(up, d)) * d);
    w = cross(d, u);
}

void line(LightMarks& marks, V a, V b)
{
    marks.segments.push_back(a);
    marks.segments.push_back(b);
}

void star(LightMarks& marks, V at)
{
    marks.dots.push_back(at);
    line(marks, at + V{-STAR_REACH, 0, 0}, at + V{STAR_REACH, 0, 0});
    line(marks, at + V{0, -STAR_REACH, 0}, at + V{0, STAR_REACH, 0});
    line(marks, at + V{0, 0, -STAR_REACH}, at + V{0, 0, STAR_REACH});
}

// `towards` is where the light comes from; the arrows point the other way.
void arrows(LightMarks& marks, V towards)
{
    const V from = unit(towards);
    V u, w;
    across(from, u, w);
    for (double offset : ARROW_OFFSETS) {
        const V tip = ARROW_TIP * from + offset * u;
        line(marks, ARROW_TAIL * from + offset * u, tip);
        const V back = tip + BARB_BACK * from;
        line(marks, tip, back + BARB_OUT * u);
        line(marks, tip, back + (-BARB_OUT) * u);
        line(marks, tip, back + BARB_OUT * w);
        line(marks, tip, back + (-BARB_OUT) * w);
    }
}

void ring(LightMarks& marks, V centre, V u, V w, double radius)
{
    const double pi = std::acos(-1.0);
    std::vector<V> loop;
    for (int i = 0; i < RING_SEGMENTS; ++i) {
        const double a = 2.0 * pi * i / RING_SEGMENTS;
        loop.push_back(centre + (radius * std::cos(a)) * u + (radius * std::sin(a)) * w);
    }
    marks.loops.push_back(loop);
}

void cone(LightMarks& marks, V apex, V direction, float cutoffDegrees)
{
    const double pi = std::acos(-1.0);
    const V axis = unit(direction);
    const double slope = std::tan(static_cast<double>(cutoffDegrees) * pi / 180.0);
    V u, w;
    across(axis, u, w);

    const V end = apex + CONE_LENGTH * axis;
    line(marks, apex, end);
    for (int i = 0; i < CONE_EDGES; ++i) {
        const double a = 2.0 * pi * i / CONE_EDGES;
        line(marks, apex, end + (CONE_LENGTH * slope * std::cos(a)) * u +
                              (CONE_LENGTH * slope * std::sin(a)) * w);
    }
    ring(marks, end, u, w, CONE_LENGTH * slope);
    if (std::fabs(axis.z) > 1e-6) {
        const double reach = -apex.z / axis.z;
        if (reach > 0 && reach < CONE_LENGTH) {
            ring(marks, apex + reach * axis, u, w, reach * slope);
        }
    }
}

}  // namespace

LightMarks lightMarksOf(const LightSetup& light)
{
    // A light with no diffuse colour (as OpenGL starts the lights beyond
    // the first) in its specular one, with neither in grey: every light shows.
    const auto black = [](const float* c) { return c[0] == 0.0f && c[1] == 0.0f && c[2] == 0.0f; };
    const float* colour = !black(light.diffuse)    ? light.diffuse
                          : !black(light.specular) ? light.specular
                                                   : UNCOLOURED_MARK;
    LightMarks marks{{colour[0], colour[1], colour[2]}, {}, {}, {}};
    const V place{light.position[0], light.position[1], light.position[2]};
    if (light.position[3] == 0.0f) {
        arrows(marks, place);
    } else {
        const V at = (1.0 / light.position[3]) * place;
        star(marks, at);
        // A cone of 90 degrees or more has no tip to draw from.
        if (light.isSpot() && light.spotCutoff < 90.0f) {
            cone(marks, at, {light.spotDirection[0], light.spotDirection[1], light.spotDirection[2]},
                 light.spotCutoff);
        }
    }
    return marks;
}

std::vector<LightMarks> lightMarks(const SceneState& state)
{
    std::vector<LightMarks> all;
    for (int i = 0; i < state.setup.lightCount; ++i) {
        if (state.lightOn[i]) {
            all.push_back(lightMarksOf(state.setup.lights[i]));
        }
    }
    return all;
}

std::vector<LightHandle> lightHandles(const SceneState& state)
{
    std::vector<LightHandle> handles;
    for (int i = 0; i < state.setup.lightCount; ++i) {
        const LightSetup& light = state.setup.lights[i];
        const V place{light.position[0], light.position[1], light.position[2]};
        if (light.position[3] == 0.0f) {
            const V from = unit(place);
            const V tail = ARROW_TAIL * from, tip = ARROW_TIP * from;
            handles.push_back({i, HandleKind::Direction, 0.5 * (tail + tip), tail, tip});
            continue;
        }
        const V at = (1.0 / light.position[3]) * place;
        handles.push_back({i, HandleKind::Place, at, at, at});
        if (light.isSpot() && light.spotCutoff < 90.0f) {
            const V axis = unit({light.spotDirection[0], light.spotDirection[1],
                                 light.spotDirection[2]});
            const double reach = std::fabs(axis.z) > 1e-6 ? -at.z / axis.z : -1.0;
            const bool onPlane = reach > 0 && reach < CONE_LENGTH;
            const V aim = at + (onPlane ? reach : CONE_LENGTH) * axis;
            handles.push_back({i, HandleKind::Aim, aim, aim, aim, onPlane});
        }
    }
    return handles;
}
