#include "explanation.h"

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

int toLevel(double channel)
{
    return static_cast<int>(std::lround(std::clamp(channel, 0.0, 1.0) * 255.0));
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

}  // namespace

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
    : frame_(frame), view_(viewOf(frame.state))
{
    const int width = frame.image.width, height = frame.image.height;
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
    account.index = index;
    const FeedbackTriangle& t = frame_.triangles[static_cast<size_t>(index)];
    Vec3 points[3];
    for (int i = 0; i < 3; ++i) {
        points[i] = scenePointOf(view_, t.corner[i]);
    }
    // The triangle's middle tells its solid and face; its corners lie on
    // edges and corners of faces.
    const Vec3 middle = (1.0 / 3.0) * (points[0] + points[1] + points[2]);
    const SurfacePoint inside = surfaceAt(middle);
    // GLUT builds the cone's side from strips, ring by ring, and gives each
    // apex vertex the normal of its slice: the one of the rim corner that
    // comes before it in the triangle.
    const auto nearbyOf = [&](const Vec3* p, int i) {
        const Vec3 before = p[(i + 2) % 3];
        const Vec3 off = before - placeOf(Solid::Cone).centre;
        return inside.solid == Solid::Cone && std::hypot(off.x, off.z) > 1e-3 ? before : middle;
    };
    account.solid = inside.solid;
    account.face = inside.face;
    for (int i = 0; i < 3; ++i) {
        CornerAccount& corner = account.corners[i];
        corner.gl = t.corner[i];
        if (account.solid == Solid::None) {
            corner.surface.point = points[i];
            continue;
        }
        corner.surface = onSolid(account.solid, account.face, points[i], nearbyOf(points, i));
        if (!corner.gl.clipped) {
            corner.model = lightingAt(view_, frame_.state.lightingMode, corner.surface.point,
                                      corner.surface.normal, placeOf(account.solid).diffuse);
        }
    }
    return account;
}

PixelExplanation FrameExplainer::explain(int x, int y) const
{
    PixelExplanation e;
    e.x = x;
    e.y = y;
    const unsigned char* rgb =
        &frame_.image.rgb[(static_cast<size_t>(y) * frame_.image.width + x) * 3];
    for (int c = 0; c < 3; ++c) {
        e.drawn[c] = rgb[c];
    }
    e.depth = frame_.depthAt(x, y);
    for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
        e.lighting.lights[i].on = modelLightOn(frame_.state.lightingMode, i);
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

    const Vec3 point = unprojectWindow(view_, cx, cy, e.depth);
    if (best == nullptr) {
        e.flags |= FLAG_NO_TRIANGLE;
        e.surface = surfaceAt(point);
    } else {
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
            // Colours are interpolated perspective-correctly: linearly on
            // the triangle in space, not on the screen.
            for (double& w : a.weights) {
                w /= perspective;
            }
            for (int i = 0; i < 3; ++i) {
                const Colour& colour = a.corners[i].gl.colour;
                a.interpolated.r += a.weights[i] * colour.r;
                a.interpolated.g += a.weights[i] * colour.g;
                a.interpolated.b += a.weights[i] * colour.b;
            }
            return a;
        };
        e.hasTriangle = true;
        e.triangle = account(*best);
        if (off(*best) > DEPTH_TOLERANCE || best->margin < -ON_EDGE) {
            e.flags |= FLAG_NO_TRIANGLE;
        }
        // A centre on an edge that another triangle at this depth shares.
        for (const Candidate& c : candidates) {
            if (&c == best || off(c) > DEPTH_TOLERANCE ||
                std::abs(c.margin) > ON_EDGE || std::abs(best->margin) > ON_EDGE) {
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
        const Colour& colour = e.triangle.interpolated;
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
        const Vec3 middle = (1.0 / 3.0) * (e.triangle.corners[0].surface.point +
                                           e.triangle.corners[1].surface.point +
                                           e.triangle.corners[2].surface.point);
        // The point under the pixel lies on the triangle's solid when the
        // triangle is at the pixel's depth; otherwise the model says where.
        e.surface = e.triangle.solid == Solid::None || off(*best) > DEPTH_TOLERANCE
                        ? surfaceAt(point)
                        : onSolid(e.triangle.solid, e.triangle.face, point, middle);
    }

    e.onSurface = e.surface.solid != Solid::None;
    if (e.onSurface) {
        e.part = partName(e.surface, seenFromBehind(view_, e.surface));
        e.lighting = lightingAt(view_, frame_.state.lightingMode, e.surface.point,
                                e.surface.normal, placeOf(e.surface.solid).diffuse);
    }
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
            if (corner.gl.clipped) {
                continue;
            }
            const Colour& a = corner.gl.colour;
            const Colour& b = corner.model.colour;
            ++tally.cornersCompared;
            tally.largestCornerDifference =
                std::max({tally.largestCornerDifference, 255 * std::abs(a.r - b.r),
                          255 * std::abs(a.g - b.g), 255 * std::abs(a.b - b.b)});
        }
    }
    return tally;
}
