#include "model/lighting_model.h"

#include <algorithm>
#include <cmath>

namespace {

const double PI = std::acos(-1.0);
const double SHININESS = 50.0;
const Vec3 TOWARDS_VIEWER{0, 0, 1};  // viewer at infinity, along eye +Z

// Angular and height steps of the 72-slice, 72-stack tessellations: a point
// of a triangle is never farther than one step from the triangle's corners.
const double SLICE_STEP = 2.0 * PI / 72.0;
const double STACK_HEIGHT = 2.0 / 72.0;
// On the sphere a cell spans at most 5 degrees of longitude by 2.5 of
// latitude: 5 degrees either way along two tangent directions covers it.
const double SPHERE_CELL = 5.0 * PI / 180.0;

// A cone of base radius 1 and height 2: its side's normal leans up by
// atan(1/2) from the horizontal.
const double CONE_COS = 2.0 / std::sqrt(5.0);
const double CONE_SIN = 1.0 / std::sqrt(5.0);

Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Colour operator*(double s, Colour c) { return {s * c.r, s * c.g, s * c.b}; }
Colour times(Colour a, Colour b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
Colour clamped(Colour c)
{
    return {std::clamp(c.r, 0.0, 1.0), std::clamp(c.g, 0.0, 1.0), std::clamp(c.b, 0.0, 1.0)};
}

const Colour WHITE{1, 1, 1};

// A vertex's regime: which lights reach it (a bit a light, from bit 0) and
// which channels go over 1 and clamp (the three bits after them, red, green,
// blue).
const unsigned REACHED = (1u << MODEL_LIGHT_COUNT) - 1;
const unsigned CLAMPED_SHIFT = MODEL_LIGHT_COUNT;
const unsigned ALL_CHANNELS = 7u;

// The lights each mode switches on: each light alone, then all three.
const unsigned MODE_LIGHTS[MODEL_MODE_COUNT] = {
    1u << WHITE_POINT_LIGHT,
    1u << CYAN_DIRECTIONAL_LIGHT,
    1u << YELLOW_SPOTLIGHT,
    1u << WHITE_POINT_LIGHT | 1u << CYAN_DIRECTIONAL_LIGHT | 1u << YELLOW_SPOTLIGHT,
};

// Widens `range` to take in `c`.
void take(ColourRange& range, Colour c)
{
    range.lo = {std::min(range.lo.r, c.r), std::min(range.lo.g, c.g), std::min(range.lo.b, c.b)};
    range.hi = {std::max(range.hi.r, c.r), std::max(range.hi.g, c.g), std::max(range.hi.b, c.b)};
}

ColourRange emptyRange() { return {{1, 1, 1}, {0, 0, 0}}; }

Vec3 axisVector(int axis, double value)
{
    return {axis == 0 ? value : 0.0, axis == 1 ? value : 0.0, axis == 2 ? value : 0.0};
}

double component(Vec3 v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

// The lighting equation at one vertex. `regime`, when given, receives which
// lights reach the vertex (inside the spot's cone and in front of the
// surface) and which channels clamp: within a region of one regime the
// result is a smooth function of the vertex.
Colour lightingTerms(const View& view, int mode, Vec3 scenePoint, Vec3 sceneNormal, Colour diffuse,
                     unsigned* regime)
{
    const LightingAt lit = lightingAt(view, mode, scenePoint, sceneNormal, diffuse);
    if (regime != nullptr) {
        unsigned reached = 0;
        for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
            reached |= lit.lights[i].reaches ? 1u << i : 0u;
        }
        const Colour& sum = lit.sum;
        const unsigned clampedChannels = (sum.r > 1 ? 1u : 0u) | (sum.g > 1 ? 2u : 0u) |
                                         (sum.b > 1 ? 4u : 0u);
        *regime = reached | clampedChannels << CLAMPED_SHIFT;
    }
    return lit.colour;
}

// A cube face's corner colours interpolated at (u, v) in [-1, 1]^2, across
// the triangles of the split along the diagonal (-1,-1)-(1,1) (`mainDiagonal`)
// or along (1,-1)-(-1,1). Colours interpolate linearly in the face's own
// coordinates (perspective-correct interpolation).
Colour acrossQuad(const Colour corner[2][2], double u, double v, bool mainDiagonal)
{
    const Colour a = corner[0][0], b = corner[1][0], c = corner[1][1], d = corner[0][1];
    const double s = (u + 1) / 2, t = (v + 1) / 2;
    if (mainDiagonal) {
        if (u >= v) {
            return a + s * (b + -1.0 * a) + t * (c + -1.0 * b);
        }
        return a + t * (d + -1.0 * a) + s * (c + -1.0 * d);
    }
    if (u + v <= 0) {
        return a + s * (b + -1.0 * a) + t * (d + -1.0 * a);
    }
    return c + (1 - s) * (d + -1.0 * c) + (1 - t) * (b + -1.0 * c);
}

// Corner (i, j) of the cube face under `surface`, i and j 0 or 1.
Vec3 cubeCorner(const SurfacePoint& surface, int i, int j)
{
    const int axis = surface.face / 2;
    const double sign = surface.face % 2 == 0 ? 1.0 : -1.0;
    return placeOf(Solid::Cube).centre + axisVector(axis, sign) +
           axisVector((axis + 1) % 3, i ? 1.0 : -1.0) + axisVector((axis + 2) % 3, j ? 1.0 : -1.0);
}

ColourRange cubeRange(const View& view, int mode, const SurfacePoint& surface)
{
    const SolidPlace& place = placeOf(Solid::Cube);
    Colour corner[2][2];
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            corner[i][j] =
                litColour(view, mode, cubeCorner(surface, i, j), surface.normal, place.diffuse);
        }
    }
    const int axis = surface.face / 2;
    const Vec3 local = surface.point - place.centre;
    const double u = std::clamp(component(local, (axis + 1) % 3), -1.0, 1.0);
    const double v = std::clamp(component(local, (axis + 2) % 3), -1.0, 1.0);
    ColourRange range = emptyRange();
    take(range, acrossQuad(corner, u, v, true));
    take(range, acrossQuad(corner, u, v, false));
    return range;
}

// The equation at a point of a curved surface moved by (du, dv) cells from
// `surface`: sphere, tube or cone side.
Colour curvedSample(const View& view, int mode, const SurfacePoint& surface, double du, double dv,
                    unsigned* regime = nullptr)
{
    const SolidPlace& place = placeOf(surface.solid);
    if (surface.solid == Solid::Sphere) {
        const Vec3 n = surface.normal;
        const Vec3 helper = std::abs(n.x) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
        const Vec3 e1 = normalized(cross(n, helper));
        const Vec3 e2 = cross(n, e1);
        const Vec3 m = normalized(n + std::tan(du * SPHERE_CELL) * e1 +
                                  std::tan(dv * SPHERE_CELL) * e2);
        return lightingTerms(view, mode, place.centre + m, m, place.diffuse, regime);
    }
    // Tube and cone side: around the Y axis through the centre.
    const Vec3 local = surface.point - place.centre;
    const double a = std::atan2(local.x, local.z) + du * SLICE_STEP;
    const Vec3 radial{std::sin(a), 0, std::cos(a)};
    const double y = std::clamp(local.y + dv * STACK_HEIGHT, -1.0, 1.0);
    const bool cone = surface.solid == Solid::Cone;
    const double radius = cone ? (1.0 - y) / 2 : 1.0;
    const Vec3 normal = cone ? CONE_COS * radial + Vec3{0, CONE_SIN, 0} : radial;
    return lightingTerms(view, mode, place.centre + radius * radial + Vec3{0, y, 0}, normal,
                         place.diffuse, regime);
}

// The cone's base is a fan from its centre to the rim: a point (r, a) of it.
Vec3 basePoint(double r, double a)
{
    return placeOf(Solid::Cone).centre + Vec3{r * std::sin(a), -1.0, r * std::cos(a)};
}

// Calls visit(colour, regime) for every place a corner of the triangle under
// `surface` may be: the cube face's four corners, anywhere on the cone's
// base, one cell either way on a curved surface.
template <typename Visit>
void forEachCorner(const View& view, int mode, const SurfacePoint& surface, Visit visit)
{
    const SolidPlace& place = placeOf(surface.solid);
    unsigned regime = 0;
    if (surface.solid == Solid::Cube) {
        for (int i = 0; i < 4; ++i) {
            const Colour c = lightingTerms(view, mode, cubeCorner(surface, i & 1, i >> 1),
                                           surface.normal, place.diffuse, &regime);
            visit(c, regime);
        }
    } else if (surface.face == CONE_BASE) {
        for (int ring = 0; ring <= 4; ++ring) {
            for (int k = 0; k < (ring == 0 ? 1 : 72); ++k) {
                const Colour c = lightingTerms(view, mode, basePoint(0.25 * ring, SLICE_STEP * k),
                                               {0, -1, 0}, place.diffuse, &regime);
                visit(c, regime);
            }
        }
    } else {
        for (int i = -2; i <= 2; ++i) {
            for (int j = -2; j <= 2; ++j) {
                const Colour c = curvedSample(view, mode, surface, i / 2.0, j / 2.0, &regime);
                visit(c, regime);
            }
        }
    }
}

}  // namespace

const SceneLight SCENE_LIGHTS[MODEL_LIGHT_COUNT] = {
    {{0, 0, 0, 1}, {1, 1, 1}, false, {0, 0, 0}, 180.0f},
    {{1, 0, 0, 0}, {0, 1, 1}, false, {0, 0, 0}, 180.0f},
    {{-12, 0, 10, 1}, {1, 1, 0}, true, {1, 0, -1}, 8.59f},
};

bool modelLightOn(int mode, int light)
{
    return mode >= 0 && mode < MODEL_MODE_COUNT && light >= 0 && light < MODEL_LIGHT_COUNT &&
           (MODE_LIGHTS[mode] & 1u << light) != 0;
}

double highlightPower(double nDotH, double shininess)
{
    return shininess == 0 ? 1.0 : std::pow(std::max(nDotH, 0.0), shininess);
}

const SolidPlace SOLIDS[4] = {
    {Solid::Cube, "cube", {2, 2, 0}, {1, 0, 0}},
    {Solid::Sphere, "sphere", {2, -2, 0}, {0, 1, 0}},
    {Solid::Cone, "cone", {-2, 2, 0}, {0, 0, 1}},
    {Solid::Cylinder, "cylinder", {-2, -2, 0}, {1, 1, 0}},
};

const SolidPlace& placeOf(Solid solid)
{
    for (const SolidPlace& place : SOLIDS) {
        if (place.solid == solid) {
            return place;
        }
    }
    return SOLIDS[0];
}

const Material OPENGL_INITIAL_MATERIAL = {
    {0.2, 0.2, 0.2}, {0.8, 0.8, 0.8}, {0, 0, 0}, {0, 0, 0}, 0,
};

const ModelLight OPENGL_INITIAL_LIGHT = {
    {0, 0, 1, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, -1}, 180, 0, {1, 0, 0},
};

LightingSetup demoLighting(int mode)
{
    LightingSetup setup{};
    for (int i = MODEL_LIGHT_COUNT; i < MODEL_MOST_LIGHTS; ++i) {
        setup.lights[i] = OPENGL_INITIAL_LIGHT;
    }
    for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
        const SceneLight& light = SCENE_LIGHTS[i];
        ModelLight& model = setup.lights[i];
        for (int k = 0; k < 4; ++k) {
            model.position[k] = light.position[k];
        }
        model.ambient = {0, 0, 0};
        model.diffuse = light.colour;
        model.specular = light.colour;
        model.spotDirection = light.isSpot ? light.spotDirection : Vec3{0, 0, -1};
        model.spotCutoff = light.isSpot ? static_cast<double>(light.cutoffDegrees) : 180.0;
        model.spotExponent = 0;
        model.attenuation[0] = 1;
        model.attenuation[1] = model.attenuation[2] = 0;
        setup.on[i] = modelLightOn(mode, i);
    }
    for (int s = 0; s < 4; ++s) {
        setup.front[s] = {{0, 0, 0}, SOLIDS[s].diffuse, WHITE, {0, 0, 0}, SHININESS};
    }
    setup.back = OPENGL_INITIAL_MATERIAL;
    setup.globalAmbient = {0.2, 0.2, 0.2};
    setup.localViewer = false;
    setup.twoSided = false;
    return setup;
}

LightingAt equationAt(const View& view, const LightingSetup& setup, const Material& material,
                      Vec3 scenePoint, Vec3 sceneNormal)
{
    // Worked out in eye coordinates, where OpenGL works it out; the vectors
    // are handed back in the scene's frame, like the point and the normal.
    const Vec3 vertex = toEye(view, scenePoint);
    const Vec3 n = normalized(directionToEye(view, sceneNormal));
    // The viewer at infinity along +Z, or at the eye, the origin.
    const Vec3 towardsViewer = setup.localViewer ? normalized(-1.0 * vertex) : TOWARDS_VIEWER;
    LightingAt lit{};
    lit.normal = normalized(sceneNormal);
    lit.material = material;
    lit.emission = material.emission;
    lit.globalAmbient = times(setup.globalAmbient, material.ambient);
    Colour sum = lit.emission + lit.globalAmbient;
    Colour primarySum = sum, specularSum{0, 0, 0};
    for (int i = 0; i < std::min(setup.lightCount, MODEL_MOST_LIGHTS); ++i) {
        LightTerm& term = lit.lights[i];
        term.on = setup.on[i];
        if (!term.on) {
            continue;
        }
        const ModelLight& light = setup.lights[i];
        const Vec3 p{light.position[0], light.position[1], light.position[2]};
        Vec3 toLight{0, 0, 0};
        if (light.atPoint()) {
            const Vec3 between = toEye(view, (1.0 / light.position[3]) * p) - vertex;
            term.distance = length(between);
            toLight = normalized(between);
            const double* k = light.attenuation;
            term.attenuation = 1.0 / (k[0] + k[1] * term.distance +
                                      k[2] * term.distance * term.distance);
        } else {
            toLight = normalized(directionToEye(view, p));
        }
        term.toLight = directionToScene(view, toLight);
        term.nDotL = dot(n, toLight);
        // Where the light is straight behind the viewer's direction the
        // halfway vector is undefined; it is left zero there.
        const Vec3 between = toLight + towardsViewer;
        const Vec3 halfway = length(between) > 1e-12 ? normalized(between) : Vec3{0, 0, 0};
        term.halfway = directionToScene(view, halfway);
        term.nDotH = dot(n, halfway);
        const Vec3 reflected = (2 * term.nDotL) * n - toLight;
        term.reflected = directionToScene(view, reflected);
        term.rDotV = dot(reflected, towardsViewer);
        if (light.isSpot()) {
            const Vec3 axis = normalized(directionToEye(view, light.spotDirection));
            const double cosine = dot(-1.0 * toLight, axis);
            term.spotAngle = std::acos(std::clamp(cosine, -1.0, 1.0)) * 180.0 / PI;
            term.insideSpot = !(cosine < std::cos(light.spotCutoff * PI / 180.0));
            // Outside the cone no light at all; (cos)^0 is 1.
            term.spotFactor = !term.insideSpot          ? 0.0
                              : light.spotExponent == 0 ? 1.0
                                                        : std::pow(std::max(cosine, 0.0),
                                                                   light.spotExponent);
        }
        const double factor = term.attenuation * term.spotFactor;
        term.ambient = factor * times(light.ambient, material.ambient);
        // Behind the surface: neither diffuse nor specular.
        term.reaches = term.insideSpot && term.nDotL > 0;
        if (term.reaches) {
            const double power =
                highlightPower(setup.phong ? term.rDotV : term.nDotH, material.shininess);
            term.diffuse = (term.nDotL * factor) * times(light.diffuse, material.diffuse);
            term.specular = (power * factor) * times(light.specular, material.specular);
        }
        sum = sum + term.ambient + term.diffuse + term.specular;
        primarySum = primarySum + term.ambient + term.diffuse;
        specularSum = specularSum + term.specular;
    }
    lit.sum = sum;
    lit.colour = clamped(sum);
    lit.primary = lit.colour;
    lit.separate = setup.separateSpecular;
    lit.phong = setup.phong;
    if (setup.separateSpecular) {
        // The same sum in two parts, each clamped, added and clamped again.
        lit.primary = clamped(primarySum);
        lit.secondary = clamped(specularSum);
        lit.colour = clamped(lit.primary + lit.secondary);
    }
    return lit;
}

LightingAt lightingAt(const View& view, const LightingSetup& setup, Solid solid, bool backFace,
                      Vec3 scenePoint, Vec3 sceneNormal)
{
    const bool back = backFace && setup.twoSided;
    const Material& material =
        back ? setup.back : setup.front[std::clamp(static_cast<int>(solid) - 1, 0, 3)];
    LightingAt lit = equationAt(view, setup, material, scenePoint,
                                back ? -1.0 * sceneNormal : sceneNormal);
    lit.back = back;
    return lit;
}

LightingAt lightingAt(const View& view, int mode, Vec3 scenePoint, Vec3 sceneNormal,
                      Colour diffuse)
{
    const Material material{{0, 0, 0}, diffuse, WHITE, {0, 0, 0}, SHININESS};
    return equationAt(view, demoLighting(mode), material, scenePoint, sceneNormal);
}

Colour litColour(const View& view, int mode, Vec3 scenePoint, Vec3 sceneNormal, Colour diffuse)
{
    return lightingTerms(view, mode, scenePoint, sceneNormal, diffuse, nullptr);
}

SurfacePoint surfaceAt(Vec3 scenePoint)
{
    SurfacePoint s;
    s.point = scenePoint;
    for (const SolidPlace& place : SOLIDS) {
        const Vec3 d = scenePoint - place.centre;
        if (std::max({std::abs(d.x), std::abs(d.y), std::abs(d.z)}) > 1.05) {
            continue;
        }
        s.solid = place.solid;
        switch (place.solid) {
        case Solid::Cube: {
            const double a[3] = {std::abs(d.x), std::abs(d.y), std::abs(d.z)};
            const int axis = static_cast<int>(std::max_element(a, a + 3) - a);
            const double second = std::max(a[(axis + 1) % 3], a[(axis + 2) % 3]);
            const double value = component(d, axis);
            s.face = 2 * axis + (value < 0 ? 1 : 0);
            s.normal = axisVector(axis, value < 0 ? -1.0 : 1.0);
            s.offSurface = std::abs(a[axis] - 1.0);
            s.onEdge = a[axis] - second < 0.003;
            break;
        }
        case Solid::Sphere:
            s.normal = normalized(d);
            s.offSurface = std::abs(length(d) - 1.0);
            break;
        case Solid::Cylinder: {
            const double r = std::hypot(d.x, d.z);
            s.normal = r > 0 ? Vec3{d.x / r, 0, d.z / r} : Vec3{0, 0, 0};
            s.offSurface = std::abs(r - 1.0);
            s.onEdge = r < 1e-6;
            break;
        }
        case Solid::Cone: {
            const double r = std::hypot(d.x, d.z);
            const double sideRadius = (1.0 - d.y) / 2;
            if (std::abs(d.y + 1.0) < 0.003 && r < 0.99) {
                s.face = CONE_BASE;
                s.normal = {0, -1, 0};
                s.offSurface = std::abs(d.y + 1.0);
            } else {
                s.normal = r > 0 ? CONE_COS * Vec3{d.x / r, 0, d.z / r} + Vec3{0, CONE_SIN, 0}
                                 : Vec3{0, 1, 0};
                s.offSurface = std::abs(r - sideRadius) * CONE_COS;
            }
            // The apex, where GLUT's per-slice normals meet, and the rim.
            s.onEdge = r < 0.06 || (std::abs(d.y + 1.0) < 0.01 && r > 0.98);
            break;
        }
        case Solid::None:
            break;
        }
        return s;
    }
    return s;
}

SurfacePoint onSolid(Solid solid, int face, Vec3 scenePoint, Vec3 nearby)
{
    const SolidPlace& place = placeOf(solid);
    SurfacePoint s;
    s.solid = solid;
    s.face = face;
    s.point = scenePoint;
    const Vec3 d = scenePoint - place.centre;
    // Horizontal unit vector from the axis (through the centre, along Y)
    // towards the point, or towards `nearby` on the axis itself. A point
    // worked back from a window position is off by about 1e-5; the cone's
    // vertices nearest its apex are 1/72 from the axis.
    const auto radial = [&](Vec3 at) {
        const Vec3 a = at - place.centre;
        const double r = std::hypot(a.x, a.z);
        return r > 1e-3 ? Vec3{a.x / r, 0, a.z / r} : Vec3{0, 0, 0};
    };
    Vec3 out = radial(scenePoint);
    if (length(out) == 0) {
        out = radial(nearby);
    }
    switch (solid) {
    case Solid::Cube: {
        const int axis = std::clamp(face, 0, 5) / 2;
        const double sign = face % 2 == 0 ? 1.0 : -1.0;
        s.normal = axisVector(axis, sign);
        s.offSurface = std::abs(component(d, axis) - sign);
        break;
    }
    case Solid::Sphere:
        s.normal = normalized(d);
        s.offSurface = std::abs(length(d) - 1.0);
        break;
    case Solid::Cylinder:
        s.normal = out;
        s.offSurface = std::abs(std::hypot(d.x, d.z) - 1.0);
        break;
    case Solid::Cone:
        if (face == CONE_BASE) {
            s.normal = {0, -1, 0};
            s.offSurface = std::abs(d.y + 1.0);
        } else {
            s.normal = CONE_COS * out + Vec3{0, CONE_SIN, 0};
            s.offSurface = std::abs(std::hypot(d.x, d.z) - (1.0 - d.y) / 2) * CONE_COS;
        }
        break;
    case Solid::None:
        break;
    }
    return s;
}

Vec3 unproject(const View& view, int px, int py, double depth)
{
    return unprojectWindow(view, px + 0.5, py + 0.5, depth);
}

ColourRange shadingRange(const View& view, int mode, const SurfacePoint& surface)
{
    if (surface.solid == Solid::None) {
        return {{0, 0, 0}, {0, 0, 0}};
    }
    if (surface.solid == Solid::Cube) {
        return cubeRange(view, mode, surface);
    }
    ColourRange range = emptyRange();
    forEachCorner(view, mode, surface, [&](Colour c, unsigned) { take(range, c); });
    return range;
}

Shading shadingAt(const View& view, int mode, const SurfacePoint& surface)
{
    const ColourRange range = shadingRange(view, mode, surface);
    const Shading whole{0.5 * (range.lo + range.hi), 0.5 * (range.hi + -1.0 * range.lo)};
    if (surface.solid == Solid::Cube || surface.face == CONE_BASE) {
        return whole;  // flat: the range is the interpolation itself
    }
    // Across a spot's edge or a terminator (the lights that reach change) or
    // where a channel clamps at some corners and not others, the equation is
    // not smooth: interpolation may then land anywhere in the range.
    unsigned first = 0;
    curvedSample(view, mode, surface, 0, 0, &first);
    unsigned rough = 0;  // channels, as bits of the clamped channels
    forEachCorner(view, mode, surface, [&](Colour, unsigned regime) {
        rough |= (regime & REACHED) != (first & REACHED) ? ALL_CHANNELS : (regime ^ first) >> CLAMPED_SHIFT;
    });
    // Smooth: bound f'' over the cell by second differences one cell wide,
    // centred on the point and half a cell around it.
    Colour slack{0, 0, 0};
    const double centres[5][2] = {{0, 0}, {0.5, 0.5}, {0.5, -0.5}, {-0.5, 0.5}, {-0.5, -0.5}};
    const double steps[4][2] = {{1, 0}, {0, 1}, {1, 1}, {1, -1}};
    for (const auto& c : centres) {
        const Colour mid = curvedSample(view, mode, surface, c[0], c[1]);
        for (const auto& step : steps) {
            const Colour d = curvedSample(view, mode, surface, c[0] + step[0], c[1] + step[1]) +
                             curvedSample(view, mode, surface, c[0] - step[0], c[1] - step[1]) +
                             -2.0 * mid;
            slack = {std::max(slack.r, 0.5 * std::abs(d.r)), std::max(slack.g, 0.5 * std::abs(d.g)),
                     std::max(slack.b, 0.5 * std::abs(d.b))};
        }
    }
    const Colour value = curvedSample(view, mode, surface, 0, 0);
    // Per channel: the window around the equation, cut down to the range;
    // just the range where the channel is not smooth.
    const auto channel = [](bool smooth, double v, double s, double lo, double hi, double& mid,
                            double& half) {
        const double from = smooth ? std::max(v - s, lo) : lo;
        const double to = smooth ? std::min(v + s, hi) : hi;
        mid = 0.5 * (from + to);
        half = 0.5 * (to - from);
    };
    Shading shading{};
    channel(!(rough & 1u), value.r, slack.r, range.lo.r, range.hi.r, shading.value.r,
            shading.slack.r);
    channel(!(rough & 2u), value.g, slack.g, range.lo.g, range.hi.g, shading.value.g,
            shading.slack.g);
    channel(!(rough & 4u), value.b, slack.b, range.lo.b, range.hi.b, shading.value.b,
            shading.slack.b);
    return shading;
}

unsigned clampedChannels(const View& view, int mode, const SurfacePoint& surface)
{
    unsigned all = 0;
    forEachCorner(view, mode, surface, [&](Colour, unsigned regime) { all |= regime; });
    return all >> CLAMPED_SHIFT;
}
