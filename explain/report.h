// An explained pixel as a learner reads it, and as one JSON object. No GL.
#pragma once

#include "explain/explanation.h"

#include <nlohmann/json.hpp>

#include <string>

// The whole account, as text: what is under the pixel, the equation light
// by light, the triangle and how the frame shaded it, and a one-line
// verdict.
std::string explanationText(const SceneModel& scene, const PixelExplanation& e);
std::string explanationText(const FrameExplainer& explainer, const PixelExplanation& e);

// The same as one JSON object (colours of the equation in 0 to 1, drawn and
// interpolated colours in 8-bit levels, 0 to 255), its fields in the order
// the text reads; `state` holds the whole state (scene/state_json.h).
nlohmann::ordered_json explanationJson(const SceneModel& scene, const PixelExplanation& e);
nlohmann::ordered_json explanationJson(const FrameExplainer& explainer, const PixelExplanation& e);

// The verdict alone: one line, no newline; the lights named as the demo
// names them, or as `scene` has them.
std::string verdictOf(const PixelExplanation& e);
std::string verdictOf(const SceneModel& scene, const PixelExplanation& e);
