// An explained pixel as a learner reads it, and as one JSON object.
#pragma once

#include "explanation.h"

#include <nlohmann/json.hpp>

#include <string>

// The whole account, as text: what is under the pixel, the equation light
// by light, GL's triangle and its interpolation, and a one-line verdict.
std::string explanationText(const FrameExplainer& explainer, const PixelExplanation& e);

// The same as one JSON object (colours of the equation in 0 to 1, drawn and
// interpolated colours in 8-bit levels, 0 to 255), its fields in the order
// the text reads.
nlohmann::ordered_json explanationJson(const FrameExplainer& explainer, const PixelExplanation& e);

// The verdict alone: one line, no newline.
std::string verdictOf(const PixelExplanation& e);
