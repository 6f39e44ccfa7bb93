// The verdict on an explained pixel worked out as data: which of its cases
// the pixel is, and where the equation at the point parts from the blend of
// the corners, the part of the equation that makes most of the difference.
#include "explain/diagnosis.h"

#include <algorithm>
#include <cmath>

namespace {

const double PI = std::acos(-1.0);

// Corners (not made by clipping) for which `test` holds, and how many
// there are to test.
template <typename Test>
int cornersWhere(const TriangleAccount& t, int& counted, Test test)
{
    int count = 0;
    counted = 0;
    for (const CornerAccount& corner : t.corners) {
        if (!corner.lit) {
            continue;
        }
        ++counted;
        count += test(corner.model) ? 1 : 0;
    }
    return count;
}

unsigned overOne(const Colour& sum)
{
    unsigned channels = 0;
    for (int c = 0; c < 3; ++c) {
        channels |= channelOf(sum, c) > 1 ? 1u << c : 0u;
    }
    return channels;
}

// What the spot's edge does to this triangle, if it crosses it or the point
// lies on the other side of it from every corner.
bool spotEdge(const PixelExplanation& e, int light, Reason& reason)
{
    const LightTerm& spot = e.lighting.lights[light];
    int tested = 0;
    const int inside = cornersWhere(
        e.triangle, tested, [light](const LightingAt& m) { return m.lights[light].insideSpot; });
    reason.corners = inside;
    if (spot.insideSpot && inside == 0) {
        reason.cause = Cause::SpotMissesCorners;
    } else if (!spot.insideSpot && inside > 0) {
        reason.cause = Cause::SpotCornersOnly;
    } else if (spot.insideSpot && inside < reason.counted) {
        reason.cause = Cause::SpotEdge;
    } else {
        return false;
    }
    return true;
}

// Why the equation at the point differs from the blend of the corners in
// channel `c`. GL's colour is the blend of the corners' clamped sums; the
// difference splits into each light's diffuse and specular term (at the
// point against blended from the corners) and what clamping takes off. The
// reason given is the part that makes most of the difference.
Reason reasonFor(const PixelExplanation& e, int c, double difference)
{
    const TriangleAccount& t = e.triangle;
    Reason reason;
    cornersWhere(t, reason.counted, [](const LightingAt&) { return true; });
    if (reason.counted < 3) {
        reason.cause = Cause::Clipped;
        return reason;
    }
    const auto blended = [&t](auto value) {
        double sum = 0;
        for (int k = 0; k < 3; ++k) {
            sum += t.weights[k] * value(t.corners[k].model);
        }
        return sum;
    };
    const double sign = difference > 0 ? 1.0 : -1.0;
    // Parts: 0 clamping, then diffuse, specular and ambient of each light.
    double clamping = (channelOf(e.lighting.colour, c) - channelOf(e.lighting.sum, c)) -
                      blended([c](const LightingAt& m) {
                          return channelOf(m.colour, c) - channelOf(m.sum, c);
                      });
    int largest = 0;
    double largestPart = sign * clamping;
    for (int i = 0; i < MODEL_MOST_LIGHTS; ++i) {
        const LightTerm& here = e.lighting.lights[i];
        const double parts[3] = {
            channelOf(here.diffuse, c) -
                blended([c, i](const LightingAt& m) { return channelOf(m.lights[i].diffuse, c); }),
            channelOf(here.specular, c) -
                blended([c, i](const LightingAt& m) { return channelOf(m.lights[i].specular, c); }),
            channelOf(here.ambient, c) -
                blended([c, i](const LightingAt& m) { return channelOf(m.lights[i].ambient, c); }),
        };
        for (int term = 0; term < 3; ++term) {
            if (sign * parts[term] > largestPart) {
                largestPart = sign * parts[term];
                largest = 1 + 3 * i + term;
            }
        }
    }
    if (largest == 0) {
        int clamped = 0;
        cornersWhere(t, reason.counted, [c, &clamped](const LightingAt& m) {
            clamped += channelOf(m.sum, c) > 1 ? 1 : 0;
            return true;
        });
        reason.cause = clamped == 0 ? Cause::ClampedHereOnly : Cause::Clamped;
        reason.corners = clamped;
        reason.here = channelOf(e.lighting.sum, c) > 1;
        return reason;
    }
    const int light = (largest - 1) / 3;
    const int term = (largest - 1) % 3;
    reason.light = light;
    if (spotEdge(e, light, reason)) {
        return reason;
    }
    if (term == 2) {
        reason.cause = Cause::AmbientVaries;
        return reason;
    }
    int facing = 0;
    cornersWhere(t, reason.counted, [light, &facing](const LightingAt& m) {
        facing += m.lights[light].nDotL > 0 ? 1 : 0;
        return true;
    });
    reason.corners = facing;
    if (facing != 0 && facing != reason.counted) {
        reason.cause = Cause::Grazes;
        return reason;
    }
    if ((e.lighting.lights[light].nDotL > 0) != (facing != 0)) {
        reason.cause = facing == 0 ? Cause::LightsPointOnly : Cause::LightsCornersOnly;
        return reason;
    }
    if (term == 1) {
        reason.cause = Cause::Highlight;
        reason.atPoint = channelOf(e.lighting.lights[light].specular, c) * 255;
        reason.fromCorners = blended([c, light](const LightingAt& m) {
                                 return channelOf(m.lights[light].specular, c);
                             }) * 255;
        return reason;
    }
    reason.cause = Cause::DiffuseVaries;
    for (int a = 0; a < 3; ++a) {
        const FeedbackVertex& p = t.corners[a].gl;
        const FeedbackVertex& q = t.corners[(a + 1) % 3].gl;
        reason.span = std::max(reason.span, std::hypot(p.x - q.x, p.y - q.y));
    }
    return reason;
}

// Whether the drawn colour is within a level of `interpolated` in every channel.
bool drawnBy(const PixelExplanation& e, const int interpolated[3])
{
    return std::max({std::abs(e.drawn[0] - interpolated[0]), std::abs(e.drawn[1] - interpolated[1]),
                     std::abs(e.drawn[2] - interpolated[2])}) <= 1;
}

Verdict flagged(const PixelExplanation& e, Diagnosis& d)
{
    if (e.flags & FLAG_SHARED_EDGE) {
        const int rival[3] = {toLevel(e.rival.interpolated.r), toLevel(e.rival.interpolated.g),
                              toLevel(e.rival.interpolated.b)};
        if (drawnBy(e, e.interpolated) != drawnBy(e, rival)) {
            d.drawnBy = drawnBy(e, rival) ? e.rival.index : e.triangle.index;
        }
        return Verdict::SharedEdge;
    }
    return e.flags & FLAG_NO_TRIANGLE ? Verdict::OffTheGrid : Verdict::Mismatch;
}

// Per-pixel shading: how far the blended normal takes the fragment's
// equation from the equation with the solid's own normal.
void fragment(const PixelExplanation& e, Diagnosis& d)
{
    for (int c = 0; c < 3; ++c) {
        const double difference =
            (channelOf(e.lighting.colour, c) - channelOf(e.fragment.colour, c)) * 255;
        if (std::abs(difference) > std::abs(d.largest)) {
            d.largest = difference;
            d.channel = c;
        }
    }
    d.normalAngle =
        std::acos(std::clamp(dot(e.fragmentNormal, e.surface.normal), -1.0, 1.0)) * 180.0 / PI;
    d.overOne = overOne(e.fragment.sum);
}

}  // namespace

double channelOf(const Colour& c, int channel)
{
    return channel == 0 ? c.r : channel == 1 ? c.g : c.b;
}

const Colour& cornerColour(const CornerAccount& corner)
{
    return corner.gl.hasColour ? corner.gl.colour : corner.model.colour;
}

Diagnosis diagnose(const PixelExplanation& e)
{
    Diagnosis d;
    if (e.background) {
        d.verdict = Verdict::Background;
        return d;
    }
    if (!e.hasTriangle) {
        d.verdict = Verdict::NoTriangle;
        return d;
    }
    if (e.flags != 0) {
        d.verdict = flagged(e, d);
        return d;
    }
    if (!e.onSurface) {
        d.verdict = Verdict::OnNoSolid;
        return d;
    }
    if (e.hasFragment) {
        d.verdict = Verdict::Fragment;
        fragment(e, d);
        return d;
    }
    for (int c = 0; c < 3; ++c) {
        const double difference =
            channelOf(e.lighting.colour, c) * 255 - channelOf(e.triangle.interpolated, c) * 255;
        if (std::abs(difference) > std::abs(d.largest)) {
            d.largest = difference;
            d.channel = c;
        }
    }
    if (e.shading == ShadingMode::Flat) {
        // The point's own equation against the one colour of the triangle.
        d.verdict = Verdict::Flat;
        d.overOne = overOne(e.triangle.provokingCorner().model.sum);
        return d;
    }
    if (std::abs(d.largest) < SAME_COLOUR_LEVELS) {
        d.verdict = Verdict::Equation;
        d.cornersAlike = true;
        for (int k = 1; k < 3; ++k) {
            const Colour& a = cornerColour(e.triangle.corners[0]);
            const Colour& b = cornerColour(e.triangle.corners[k]);
            d.cornersAlike = d.cornersAlike && std::max({std::abs(a.r - b.r), std::abs(a.g - b.g),
                                                         std::abs(a.b - b.b)}) * 255 < 0.05;
        }
        d.overOne = overOne(e.lighting.sum);
        return d;
    }
    d.verdict = Verdict::Differs;
    d.reason = reasonFor(e, d.channel, d.largest);
    return d;
}
