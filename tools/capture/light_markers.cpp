#include "light_markers.h"

#include "render/gl.h"
#include "render/render.h"

#include <cmath>

namespace {

// Odd, so that the dot's square of pixels is centred on the pixel the
// light's place projects to.
constexpr float DOT_SIZE = 7.0f;
constexpr double STAR_REACH = 0.4;  // scene units, each way along each axis

// Arrows for a light from a direction: they run from ARROW_TAIL to
// ARROW_TIP scene units from the origin, on the light's side, and sit across
// the direction at these offsets, level with the solids' centres.
constexpr double ARROW_TAIL = 4.6;
constexpr double ARROW_TIP = 3.3;
constexpr double ARROW_OFFSETS[] = {-2.0, 0.0, 2.0};
constexpr double BARB_BACK = 0.35;
constexpr double BARB_OUT = 0.22;

// The spot's cone is drawn this far from the light along its axis: past the
// farthest point the beam lights, the cube's corner (1, 1, -1) at 17 units,
// and short of every viewpoint's far plane.
constexpr double CONE_LENGTH = 18.0;
constexpr int CONE_EDGES = 8;     // lines from the light to the far ring
constexpr int RING_SEGMENTS = 48;

struct V {
    double x, y, z;
};

V operator+(V a, V b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V operator*(double s, V a) { return {s * a.x, s * a.y, s * a.z}; }
double dotOf(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V unit(V a) { return (1.0 / std::sqrt(dotOf(a, a))) * a; }

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

void vertex(V p)
{
    glVertex3d(p.x, p.y, p.z);
}

void line(V a, V b)
{
    vertex(a);
    vertex(b);
}

void drawStar(V at)
{
    glBegin(GL_POINTS);
    vertex(at);
    glEnd();
    glBegin(GL_LINES);
    line(at + V{-STAR_REACH, 0, 0}, at + V{STAR_REACH, 0, 0});
    line(at + V{0, -STAR_REACH, 0}, at + V{0, STAR_REACH, 0});
    line(at + V{0, 0, -STAR_REACH}, at + V{0, 0, STAR_REACH});
    glEnd();
}

// `towards` is where the light comes from; the arrows point the other way.
void drawArrows(V towards)
{
    const V from = unit(towards);
    V u, w;
    across(from, u, w);
    glBegin(GL_LINES);
    for (double offset : ARROW_OFFSETS) {
        const V tip = ARROW_TIP * from + offset * u;
        line(ARROW_TAIL * from + offset * u, tip);
        const V back = tip + BARB_BACK * from;
        line(tip, back + BARB_OUT * u);
        line(tip, back + (-BARB_OUT) * u);
        line(tip, back + BARB_OUT * w);
        line(tip, back + (-BARB_OUT) * w);
    }
    glEnd();
}

void drawRing(V centre, V u, V w, double radius)
{
    const double pi = std::acos(-1.0);
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < RING_SEGMENTS; ++i) {
        const double a = 2.0 * pi * i / RING_SEGMENTS;
        vertex(centre + (radius * std::cos(a)) * u + (radius * std::sin(a)) * w);
    }
    glEnd();
}

// The cone: its axis, lines from the light along its surface, a ring where
// the axis crosses the plane of the solids' centres (z = 0) and one at its
// far end.
void drawCone(V apex, V direction, float cutoffDegrees)
{
    const double pi = std::acos(-1.0);
    const V axis = unit(direction);
    const double slope = std::tan(static_cast<double>(cutoffDegrees) * pi / 180.0);
    V u, w;
    across(axis, u, w);

    const V end = apex + CONE_LENGTH * axis;
    glBegin(GL_LINES);
    line(apex, end);
    for (int i = 0; i < CONE_EDGES; ++i) {
        const double a = 2.0 * pi * i / CONE_EDGES;
        line(apex, end + (CONE_LENGTH * slope * std::cos(a)) * u +
                       (CONE_LENGTH * slope * std::sin(a)) * w);
    }
    glEnd();
    drawRing(end, u, w, CONE_LENGTH * slope);
    if (std::fabs(axis.z) > 1e-6) {
        const double reach = -apex.z / axis.z;
        if (reach > 0 && reach < CONE_LENGTH) {
            drawRing(apex + reach * axis, u, w, reach * slope);
        }
    }
}

}  // namespace

void drawLightMarkers(int mode)
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_POINT_BIT);
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glPointSize(DOT_SIZE);
    glLineWidth(1.0f);
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        if (!lightEnabled(mode, i)) {
            continue;
        }
        const LightSetup& light = DEMO_SETUP.lights[i];
        glColor3fv(light.diffuse);
        const V place{light.position[0], light.position[1], light.position[2]};
        if (light.position[3] == 0.0f) {
            drawArrows(place);
            continue;
        }
        drawStar((1.0 / light.position[3]) * place);
        if (light.isSpot()) {
            drawCone((1.0 / light.position[3]) * place,
                     {light.spotDirection[0], light.spotDirection[1], light.spotDirection[2]},
                     light.spotCutoff);
        }
    }
    glPopAttrib();
}
