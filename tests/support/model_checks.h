// Rendered pixels held against what the independent lighting model allows.
#pragma once

#include "model/lighting_model.h"
#include "tests/support/image.h"

// 8-bit pixel against a range in 0..1, with `tolerance` levels either side.
bool within(const Rgb& pixel, const ColourRange& range, double tolerance);
bool within(const Rgb& pixel, const Shading& shading, double tolerance);
