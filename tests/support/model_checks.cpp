#include "tests/support/model_checks.h"

#include <cmath>

bool within(const Rgb& pixel, const ColourRange& range, double tolerance)
{
    const auto in = [tolerance](int value, double lo, double hi) {
        return value >= lo * 255.0 - tolerance && value <= hi * 255.0 + tolerance;
    };
    return in(pixel.r, range.lo.r, range.hi.r) && in(pixel.g, range.lo.g, range.hi.g) &&
           in(pixel.b, range.lo.b, range.hi.b);
}

bool within(const Rgb& pixel, const Shading& shading, double tolerance)
{
    const auto in = [tolerance](int value, double centre, double slack) {
        return std::abs(value - centre * 255.0) <= slack * 255.0 + tolerance;
    };
    return in(pixel.r, shading.value.r, shading.slack.r) &&
           in(pixel.g, shading.value.g, shading.slack.g) &&
           in(pixel.b, shading.value.b, shading.slack.b);
}
