#include "explain/explanation.h"

#include <algorithm>
#include <cmath>

namespace {

// GL snaps triangle corners to a grid of 1/256 pixel before it rasterises,
// so a pixel centre this close outside a triangle may still be drawn by it.
constexpr double SNAP = 0.01;

// Pixel centres this close to an edge are on it, for the rasterisation rule.
constexpr double ON_EDGE = 1.0 / 256;

// The depth buffer holds 24 bits (steps of 6e-8) and GL interpolates depth
// in single precision: a triangle is the one drawn at a pixel when its depth
// there is within this of the pixel's.
constexpr double DEPTH_TOLERANCE = 4e-6;

// Twice a triangle's area, in square pixels, below which it is taken to
// cover nothing: strips leave triangles with two corners at one point (at
// the sphere's poles, at the cone's apex), whose area is rounding noise.
constexpr double DEGENERATE = 1e-4;

// The triangles are looked up through a grid of square tiles of at least
// this many pixels a side, and at most this many tiles along the frame's
// longer side, so the grid stays small however large the frame.
constexpr int SMALLEST_TILE = 8;
constexpr int MOST_TILES = 64;

Vec3 scenePointOf(const View& view, const FeedbackVertex& v)
{
    return unprojectWindow(view, v.x, v.y, v.depth);
}

double twiceArea(const FeedbackTriangle& t)
{
    const FeedbackVertex* v = t.corner;
    return (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[2].x - v[0].x) * (v[1].y - v[0].y);
}

// Where (cx, cy) lies in `t`: barycentric weights in window coordinates and
// the distance to the nearest edge (negative outside).
void locate(const FeedbackTriangle& t, double cx, double cy, double weights[3], double& margin)
{
    const FeedbackVertex* v = t.corner;
    const double area = twiceArea(t);
    margin = 1e300;
    for (int i = 0; i < 3; ++i) {
        const FeedbackVertex& a = v[(i + 1) % 3];
        const FeedbackVertex& b = v[(i + 2) % 3];
        weights[i] = ((a.x - cx) * (b.y - cy) - (b.x - cx) * (a.y - cy)) / area;
        const double edge = std::hypot(b.x - a.x, b.y - a.y);
        margin = std::min(margin, weights[i] * std::abs(area) / edge);
    }
}

int largestDifference(const Colour& a, const Colour& b)
{
    return std::max({std::abs(toLevel(a.r) - toLevel(b.r)), std::abs(toLevel(a.g) - toLevel(b.g)),
                     std::abs(toLevel(a.b) - toLevel(b.b))});
}

bool seenFromBehind(const View& view, const SurfacePoint& s)
{
    return dot(directionToEye(view, s.normal), -1.0 * toEye(view, s.point)) < 0;
}

// A feedback corner and a mesh corner the model projects are the same
// corner when this close (GL's float arithmetic against the model's double:
// 0.01 pixel at most in the demo's frames).
constexpr double SAME_PLACE = 0.05;
constexpr double SAME_DEPTH = 1e-4;

// Mesh triangles tried in matching feedback to the mesh, at most, per mesh
// triangle: feedback that matches nothing must not cost a search per piece.
constexpr long MATCH_BUDGET = 8;

// A mesh triangle's corners in the window, as the model projects them.
FeedbackTriangle projected(const View& view, const MeshTriangle& t)
{
    FeedbackTriangle f{};
    for (int i = 0; i < 3; ++i) {
        const ScreenPoint p = project(view, t.point[i]);
        f.corner[i] = {p.x, p.y, p.depth, -toEye(view, t.point[i]).z, {0, 0, 0}, false, false};
    }
    return f;
}

bool samePlace(const FeedbackVertex& a, const FeedbackVertex& b)
{
    return std::abs(a.x - b.x) <= SAME_PLACE && std::abs(a.y - b.y) <= SAME_PLACE &&
           std::abs(a.depth - b.depth) <= SAME_DEPTH;
}

// The corner of `mesh` at the place of `v`, or -1.
int cornerAt(const FeedbackTriangle& mesh, const FeedbackVertex& v)
{
    for (int i = 0; i < 3; ++i) {
        if (samePlace(mesh.corner[i], v)) {
            return i;
        }
    }
    return -1;
}

// Whether feedback triangle `f` is mesh triangle `mesh` as GL drew it: the
// same corners in the same order, or, where clipping cut it, a piece of it
// whose corners clipping did not make are its corners.
bool drawnFrom(const FeedbackTriangle& f, const FeedbackTriangle& mesh)
{
    bool cut = false;
    for (const FeedbackVertex& v : f.corner) {
        cut = cut || v.clipped;
    }
    for (int i = 0; i < 3; ++i) {
        const FeedbackVertex& v = f.corner[i];
        if (!cut && !samePlace(v, mesh.corner[i])) {
            return false;
        }
        if (cut && !v.clipped && cornerAt(mesh, v) < 0) {
            return false;
        }
        if (cut && v.clipped) {
            double weights[3], margin = 0;
            locate(mesh, v.x, v.y, weights, margin);
            if (margin < -SAME_PLACE) {
                return false;
            }
        }
    }
    return true;
}

// The point of the scene seen at corner `i` of `t`, and its normal there.
SurfacePoint cornerSurface(const MeshTriangle& t, int i)
{
    SurfacePoint s;
    s.solid = t.solid;
    s.face = t.face;
    s.point = t.point[i];
    s.normal = t.normal[i];
    return s;
}

// The point under the pixel on `t`, with the solid's own normal there.
SurfacePoint surfaceOn(const MeshTriangle& t, Vec3 point)
{
    const Vec3 middle = (1.0 / 3.0) * (t.point[0] + t.point[1] + t.point[2]);
    return onSolid(t.solid, t.face, point, middle);
}

// Barycentric weights of `p`, a point of `t`'s plane: perspective-correct
// weights, as GL's interpolation gives them at the point's pixel.
void weightsOf(const MeshTriangle& t, Vec3 p, double weights[3])
{
    const Vec3* v = t.point;
    const Vec3 n = cross(v[1] - v[0], v[2] - v[0]);
    const double area = dot(n, n);
    if (area < 1e-30) {
        weights[0] = weights[1] = weights[2] = 1.0 / 3.0;
        return;
    }
    for (int i = 0; i < 3; ++i) {
        weights[i] = dot(cross(v[(i + 1) % 3] - p, v[(i + 2) % 3] - p), n) / area;
    }
}

// A corner where a light that is on grazes the surface so closely that
// GL's float arithmetic, not the equation, decides whether it lights it:
// its highlight is there or not as rounding falls.
constexpr double GRAZING = 1e-5;

// The colours `lit` may take as GL's rounding puts it on either side of
// the terminator of each light that grazes it: a light across gives its
// highlight (and a diffuse term of about 0), one no longer across takes its
// terms away. Calls visit(colour) for each way, the model's own first.
template <typename Visit>
void eitherSideOfTerminators(const SceneModel& scene, const LightingAt& lit, Visit visit)
{
    if (scene.lighting().separateSpecular) {
        // GL's corner colour is then the primary one: no highlight in it.
        visit(lit.primary);
        return;
    }
    Colour flip[MODEL_MOST_LIGHTS];
    int count = 0;
    for (int i = 0; i < scene.lighting().lightCount; ++i) {
        const LightTerm& term = lit.lights[i];
        if (!term.on || !term.insideSpot || std::abs(term.nDotL) >= GRAZING) {
            continue;
        }
        const ModelLight& light = scene.lighting().lights[i];
        const Material& m = lit.material;
        const double factor =
            highlightPower(term.nDotH, m.shininess) * term.attenuation * term.spotFactor;
        const Colour across{factor * light.specular.r * m.specular.r,
                            factor * light.specular.g * m.specular.g,
                            factor * light.specular.b * m.specular.b};
        const Colour taken{term.diffuse.r + term.specular.r, term.diffuse.g + term.specular.g,
                           term.diffuse.b + term.specular.b};
        flip[count++] = term.reaches ? Colour{-taken.r, -taken.g, -taken.b} : across;
    }
    for (unsigned ways = 0; ways < (1u << count); ++ways) {
        Colour sum = lit.sum;
        for (int k = 0; k < count; ++k) {
            if (ways & (1u << k)) {
                sum = {sum.r + flip[k].r, sum.g + flip[k].g, sum.b + flip[k].b};
            }
        }
        visit(Colour{std::clamp(sum.r, 0.0, 1.0), std::clamp(sum.g, 0.0, 1.0),
                     std::clamp(sum.b, 0.0, 1.0)});
    }
}

Colour blend(const double weights[3], const Colour c[3])
{
    Colour out{0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        out.r += weights[i] * c[i].r;
        out.g += weights[i] * c[i].g;
        out.b += weights[i] * c[i].b;
    }
    return out;
}

// The colour GL gave a corner, its primary colour: as read, else the model's.
const Colour& primaryOf(const CornerAccount& corner)
{
    return corner.gl.hasColour ? corner.gl.colour : corner.model.primary;
}

// The colour the frame gives the pixel from the triangle's corners: flat,
// its provoking corner's; else the blend of the corners' colours. With the
// separate specular colour, the secondary colours (the model's: GL hands
// back only the primary ones) taken the same way and added, clamped.
Colour shadeCorners(const TriangleAccount& a, ShadingMode shading, bool separate)
{
    Colour primary{0, 0, 0}, secondary{0, 0, 0};
    if (shading == ShadingMode::Flat) {
        primary = primaryOf(a.provokingCorner());
        secondary = a.provokingCorner().model.secondary;
    } else {
        const Colour primaries[3] = {primaryOf(a.corners[0]), primaryOf(a.corners[1]),
                                     primaryOf(a.corners[2])};
        const Colour secondaries[3] = {a.corners[0].model.secondary, a.corners[1].model.secondary,
                                       a.corners[2].model.secondary};
        primary = blend(a.weights, primaries);
        secondary = blend(a.weights, secondaries);
    }
    if (!separate) {
        return primary;
    }
    return {std::min(primary.r + secondary.r, 1.0), std::min(primary.g + secondary.g, 1.0),
            std::min(primary.b + secondary.b, 1.0)};
}

// What both ways of finding the triangle share once the point under the
// pixel is known: the part, the equation there, per-pixel shading's
// fragment, and the shaded colour against the drawn one.
void settle(const SceneModel& scene, const MeshTriangle* mesh, bool backFace, PixelExplanation& e)
{
    e.onSurface = e.surface.solid != Solid::None;
    if (e.onSurface) {
        e.part = partName(e.surface, backFace);
        e.lighting = mesh != nullptr
                         ? scene.lightingOn(*mesh, e.surface.point, e.surface.normal)
                         : lightingAt(scene.view(), scene.lighting(), e.surface.solid, backFace,
                                      e.surface.point, e.surface.normal);
    }
    if (!e.hasTriangle) {
        return;
    }
    if (e.shading == ShadingMode::PerPixel && mesh != nullptr) {
        // The shader blends the corners' normals, perspective-correct, and
        // makes the blend unit again for each fragment.
        Vec3 normal{0, 0, 0};
        for (int i = 0; i < 3; ++i) {
            normal = normal + e.triangle.weights[i] * mesh->normal[i];
        }
        e.hasFragment = true;
        e.fragmentNormal = normalized(normal);
        e.fragment = scene.lightingOn(*mesh, e.surface.point, e.fragmentNormal);
    }
    const Colour colour = e.shaded();
    e.interpolated[0] = toLevel(colour.r);
    e.interpolated[1] = toLevel(colour.g);
    e.interpolated[2] = toLevel(colour.b);
    int largest = 0;
    for (int c = 0; c < 3; ++c) {
        e.difference[c] = e.drawn[c] - e.interpolated[c];
        largest = std::max(largest, std::abs(e.difference[c]));
    }
    if (largest > 1) {
        e.flags |= FLAG_MISMATCH;
    }
}

}  // namespace

int toLevel(double channel)
{
    return static_cast<int>(std::lround(std::clamp(channel, 0.0, 1.0) * 255.0));
}

std::string partName(const SurfacePoint& s, bool fromBehind)
{
    switch (s.solid) {
    case Solid::Cube: {
        if (s.face < 0 || s.face > 5) {
            return "face";
        }
        const char* axes[] = {"x", "y", "z"};
        const int axis = s.face / 2;
        const Vec3 c = placeOf(Solid::Cube).centre;
        const double centre = axis == 0 ? c.x : axis == 1 ? c.y : c.z;
        const double value = centre + (s.face % 2 == 0 ? 1.0 : -1.0);
        return std::string("face ") + axes[axis] + " = " +
               std::to_string(static_cast<int>(std::lround(value)));
    }
    case Solid::Sphere: return "surface";
    case Solid::Cone: return s.face == CONE_BASE ? "base" : "side";
    case Solid::Cylinder: return fromBehind ? "inside" : "outside";
    case Solid::None: break;
    }
    return "";
}

FrameExplainer::FrameExplainer(const DrawnFrame& frame)
    : frame_(frame), scene_(frame.state)
{
    const View& view = scene_.view();
    const int width = frame.image.width, height = frame.image.height;
    // Feedback comes in the mesh's order, each triangle whole, cut into
    // pieces by clipping, or left out where it is wholly outside the frame.
    meshIndex_.assign(frame.triangles.size(), -1);
    int next = 0;
    long budget = MATCH_BUDGET * scene_.triangleCount() + 1024;
    for (size_t i = 0; i < frame.triangles.size(); ++i) {
        const FeedbackTriangle& f = frame.triangles[i];
        const bool cut = f.corner[0].clipped || f.corner[1].clipped || f.corner[2].clipped;
        for (int j = next; j < scene_.triangleCount() && budget > 0; ++j, --budget) {
            if (drawnFrom(f, projected(view, scene_.triangle(j)))) {
                meshIndex_[i] = j;
                next = cut ? j : j + 1;  // a cut triangle's next piece comes from it too
                break;
            }
        }
    }

    tile_ = std::max(SMALLEST_TILE, (std::max(width, height) + MOST_TILES - 1) / MOST_TILES);
    tilesAcross_ = (width + tile_ - 1) / tile_;
    tilesDown_ = (height + tile_ - 1) / tile_;
    tiles_.resize(static_cast<size_t>(tilesAcross_) * static_cast<size_t>(tilesDown_));
    for (size_t i = 0; i < frame.triangles.size(); ++i) {
        const FeedbackTriangle& t = frame.triangles[i];
        if (std::abs(twiceArea(t)) < DEGENERATE) {
            continue;
        }
        const FeedbackVertex* v = t.corner;
        const double left = std::min({v[0].x, v[1].x, v[2].x}) - SNAP;
        const double right = std::max({v[0].x, v[1].x, v[2].x}) + SNAP;
        const double top = std::min({v[0].y, v[1].y, v[2].y}) - SNAP;
        const double bottom = std::max({v[0].y, v[1].y, v[2].y}) + SNAP;
        if (right < 0 || bottom < 0 || left > width || top > height) {
            continue;
        }
        const int x0 = std::max(0, static_cast<int>(left) / tile_);
        const int x1 = std::min(tilesAcross_ - 1, static_cast<int>(right) / tile_);
        const int y0 = std::max(0, static_cast<int>(top) / tile_);
        const int y1 = std::min(tilesDown_ - 1, static_cast<int>(bottom) / tile_);
        for (int ty = y0; ty <= y1; ++ty) {
            for (int tx = x0; tx <= x1; ++tx) {
                tiles_[static_cast<size_t>(ty) * tilesAcross_ + tx].push_back(static_cast<int>(i));
            }
        }
    }
}

TriangleAccount FrameExplainer::triangle(int index) const
{
    TriangleAccount account;
    const FeedbackTriangle& t = frame_.triangles[static_cast<size_t>(index)];
    const View& view = scene_.view();
    account.index = meshIndexOf(index);
    for (int i = 0; i < 3; ++i) {
        account.corners[i].gl = t.corner[i];
        account.corners[i].surface.point = scenePointOf(view, t.corner[i]);
    }
    if (account.index < 0) {
        // Not found in the mesh: the solid its middle lies on, no corners lit.
        const Vec3 middle = (1.0 / 3.0) * (account.corners[0].surface.point +
                                           account.corners[1].surface.point +
                                           account.corners[2].surface.point);
        const SurfacePoint inside = surfaceAt(middle);
        account.solid = inside.solid;
        account.face = inside.face;
        return account;
    }
    // The model lights the mesh's corners, the very ones GL lit; a piece
    // that clipping cut has only some of them.
    const MeshTriangle mesh = scene_.triangle(account.index);
    const FeedbackTriangle place = projected(view, mesh);
    const bool cut = t.corner[0].clipped || t.corner[1].clipped || t.corner[2].clipped;
    account.solid = mesh.solid;
    account.face = mesh.face;
    account.backFace = mesh.backFace;
    account.provoking = 3;
    for (int i = 0; i < 3; ++i) {
        CornerAccount& corner = account.corners[i];
        corner.surface.solid = mesh.solid;
        const int k = !cut ? i : corner.gl.clipped ? -1 : cornerAt(place, corner.gl);
        if (k < 0) {
            continue;
        }
        corner.surface = cornerSurface(mesh, k);
        corner.model = scene_.lightingOn(mesh, corner.surface.point, corner.surface.normal);
        corner.lit = true;
        account.provoking = k == mesh.provoking ? i : account.provoking;
    }
    if (account.provoking == 3) {
        // GL gave the piece the colour of a corner clipping cut off.
        CornerAccount& off = account.cutOff;
        off.gl = place.corner[mesh.provoking];
        off.surface = cornerSurface(mesh, mesh.provoking);
        off.model = scene_.lightingOn(mesh, off.surface.point, off.surface.normal);
        off.lit = true;
    }
    return account;
}

PixelExplanation FrameExplainer::explain(int x, int y) const
{
    PixelExplanation e;
    e.x = x;
    e.y = y;
    e.shading = frame_.state.shading;
    const unsigned char* rgb =
        &frame_.image.rgb[(static_cast<size_t>(y) * frame_.image.width + x) * 3];
    for (int c = 0; c < 3; ++c) {
        e.drawn[c] = rgb[c];
    }
    e.depth = frame_.depthAt(x, y);
    for (int i = 0; i < MODEL_MOST_LIGHTS; ++i) {
        e.lighting.lights[i].on = scene_.lighting().on[i];
    }
    e.background = e.depth >= 1.0;
    if (e.background) {
        return e;
    }

    // Every triangle that may hold the pixel's centre, at any depth.
    struct Candidate {
        int index;
        double weights[3];
        double margin, depth;
    };
    std::vector<Candidate> candidates;
    const double cx = x + 0.5, cy = y + 0.5;
    for (const int index : tiles_[static_cast<size_t>(y / tile_) * tilesAcross_ + x / tile_]) {
        const FeedbackTriangle& t = frame_.triangles[static_cast<size_t>(index)];
        Candidate c{index, {0, 0, 0}, 0, 0};
        locate(t, cx, cy, c.weights, c.margin);
        if (c.margin < -SNAP) {
            continue;
        }
        c.depth = c.weights[0] * t.corner[0].depth + c.weights[1] * t.corner[1].depth +
                  c.weights[2] * t.corner[2].depth;
        candidates.push_back(c);
    }

    // The one drawn is at the pixel's depth; of several there, the one
    // holding the centre most surely.
    const auto off = [&e](const Candidate& c) { return std::abs(c.depth - e.depth); };
    const Candidate* best = nullptr;
    for (const Candidate& c : candidates) {
        const bool atDepth = off(c) <= DEPTH_TOLERANCE;
        const bool bestAtDepth = best != nullptr && off(*best) <= DEPTH_TOLERANCE;
        if (best == nullptr || (atDepth && !bestAtDepth) ||
            (atDepth && bestAtDepth && c.margin > best->margin) ||
            (!atDepth && !bestAtDepth && off(c) < off(*best))) {
            best = &c;
        }
    }

    const Vec3 atDepth = unprojectWindow(scene_.view(), cx, cy, e.depth);
    if (best == nullptr) {
        e.flags |= FLAG_NO_TRIANGLE;
        e.surface = surfaceAt(atDepth);
        settle(scene_, nullptr, seenFromBehind(scene_.view(), e.surface), e);
        return e;
    }
    const auto account = [&](const Candidate& c) {
        TriangleAccount a = triangle(c.index);
        a.depth = c.depth;
        a.margin = c.margin;
        double perspective = 0;
        for (int i = 0; i < 3; ++i) {
            a.screenWeights[i] = c.weights[i];
            a.weights[i] = c.weights[i] / a.corners[i].gl.w;
            perspective += a.weights[i];
        }
        // Colours are interpolated perspective-correctly: linearly on the
        // triangle in space, not on the screen.
        for (double& w : a.weights) {
            w /= perspective;
        }
        a.interpolated = shadeCorners(a, e.shading, scene_.lighting().separateSpecular);
        return a;
    };
    e.hasTriangle = true;
    e.triangle = account(*best);
    if (off(*best) > DEPTH_TOLERANCE || best->margin < -ON_EDGE) {
        e.flags |= FLAG_NO_TRIANGLE;
    }
    // A centre on an edge that another triangle at this depth shares.
    for (const Candidate& c : candidates) {
        if (&c == best || off(c) > DEPTH_TOLERANCE || std::abs(c.margin) > ON_EDGE ||
            std::abs(best->margin) > ON_EDGE) {
            continue;
        }
        TriangleAccount other = account(c);
        if (largestDifference(other.interpolated, e.triangle.interpolated) > 1) {
            e.flags |= FLAG_SHARED_EDGE;
            e.hasRival = true;
            e.rival = other;
            break;
        }
    }
    if (e.triangle.index < 0) {
        // The model says where the depth puts the point.
        e.surface = e.triangle.solid == Solid::None ? surfaceAt(atDepth)
                                                    : onSolid(e.triangle.solid, e.triangle.face,
                                                              atDepth, atDepth);
        settle(scene_, nullptr, seenFromBehind(scene_.view(), e.surface), e);
        return e;
    }
    // The point under the pixel lies on the mesh's triangle, where the
    // pixel centre's ray meets its plane.
    const MeshTriangle mesh = scene_.triangle(e.triangle.index);
    e.surface = surfaceOn(mesh, scene_.pointOn(mesh, cx, cy));
    settle(scene_, &mesh, mesh.backFace, e);
    return e;
}

PixelExplanation explainPixel(const SceneModel& scene, const PixelReading& reading)
{
    PixelExplanation e;
    e.x = reading.x;
    e.y = reading.y;
    e.source = FrameSource::Shader;
    e.shading = scene.state().shading;
    for (int c = 0; c < 3; ++c) {
        e.drawn[c] = reading.drawn[c];
    }
    for (int i = 0; i < MODEL_MOST_LIGHTS; ++i) {
        e.lighting.lights[i].on = scene.lighting().on[i];
    }
    e.background = reading.triangle < 0;
    if (e.background) {
        return e;
    }
    if (reading.triangle >= scene.triangleCount()) {
        e.flags |= FLAG_NO_TRIANGLE;
        return e;
    }
    const View& view = scene.view();
    const double cx = reading.x + 0.5, cy = reading.y + 0.5;
    const MeshTriangle mesh = scene.triangle(reading.triangle);
    const Vec3 point = scene.pointOn(mesh, cx, cy);
    e.depth = project(view, point).depth;

    TriangleAccount& a = e.triangle;
    const FeedbackTriangle place = projected(view, mesh);
    a.index = mesh.index;
    a.solid = mesh.solid;
    a.face = mesh.face;
    a.backFace = mesh.backFace;
    a.depth = e.depth;
    locate(place, cx, cy, a.screenWeights, a.margin);
    weightsOf(mesh, point, a.weights);
    a.provoking = mesh.provoking;
    for (int i = 0; i < 3; ++i) {
        CornerAccount& corner = a.corners[i];
        corner.gl = place.corner[i];
        corner.surface = cornerSurface(mesh, i);
        corner.model = scene.lightingOn(mesh, corner.surface.point, corner.surface.normal);
        corner.lit = true;
        if (reading.hasCornerColours) {
            const int* level = reading.cornerColours[i];
            corner.gl.colour = {level[0] / 255.0, level[1] / 255.0, level[2] / 255.0};
            corner.gl.hasColour = true;
        }
    }
    a.interpolated = shadeCorners(a, e.shading, scene.lighting().separateSpecular);
    e.glCorners = reading.hasCornerColours;
    e.hasTriangle = true;
    e.surface = surfaceOn(mesh, point);
    settle(scene, &mesh, mesh.backFace, e);
    return e;
}

FrameTally tallyFrame(const FrameExplainer& explainer)
{
    FrameTally tally;
    const RgbImage& image = explainer.frame().image;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const PixelExplanation e = explainer.explain(x, y);
            if (e.background) {
                continue;
            }
            ++tally.solidPixels;
            int largest = 256;
            if (e.hasTriangle) {
                largest = std::max({std::abs(e.difference[0]), std::abs(e.difference[1]),
                                    std::abs(e.difference[2])});
            }
            tally.exact += largest == 0 ? 1 : 0;
            tally.withinOne += largest == 1 ? 1 : 0;
            tally.beyond += largest > 1 ? 1 : 0;
            tally.flagged += e.flags != 0 ? 1 : 0;
            tally.flaggedBeyond += e.flags != 0 && largest > 1 ? 1 : 0;
            tally.beyondUnaccounted += e.flags == FLAG_MISMATCH ? 1 : 0;
        }
    }
    for (size_t i = 0; i < explainer.frame().triangles.size(); ++i) {
        // Only corners of triangles that can cover a pixel are compared.
        if (std::abs(twiceArea(explainer.frame().triangles[i])) < DEGENERATE) {
            continue;
        }
        const TriangleAccount t = explainer.triangle(static_cast<int>(i));
        if (t.solid == Solid::None) {
            continue;
        }
        for (const CornerAccount& corner : t.corners) {
            if (!corner.lit) {
                continue;
            }
            const Colour& a = corner.gl.colour;
            double off = 1e300;
            bool first = true, across = false;
            eitherSideOfTerminators(explainer.scene(), corner.model, [&](const Colour& b) {
                const double d = std::max({255 * std::abs(a.r - b.r), 255 * std::abs(a.g - b.g),
                                           255 * std::abs(a.b - b.b)});
                across = across || (!first && d < off);
                off = std::min(off, d);
                first = false;
            });
            tally.cornersOnTerminator += across ? 1 : 0;
            ++tally.cornersCompared;
            tally.largestCornerDifference = std::max(tally.largestCornerDifference, off);
        }
    }
    return tally;
}
