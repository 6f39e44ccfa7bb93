// How the explainer's layouts write an explained pixel: numbers, colours,
// the lights' and solids' names, and the verdict (diagnosis.h) as one
// sentence. The text and the JSON both take their words from here. No GL.
#pragma once

#include "explain/diagnosis.h"

#include <string>

constexpr const char* CHANNEL_NAMES[3] = {"red", "green", "blue"};
constexpr const char* CORNER_NAMES[3] = {"A", "B", "C"};

// What kind of light one is, for the text and for JSON.
struct LightKind {
    const char* text;
    const char* json;
};

LightKind kindOf(const ModelLight& light);

// A number with `decimals` places, never "-0.000".
std::string number(double value, int decimals);
// A value given as a float (the cut-off), as it was written: 8.59.
double asWritten(float value);
// A value as given: up to 4 decimals, trailing zeros dropped (8.59, -12, 0.5).
std::string plain(double value);
std::string plain(const Vec3& v);
std::string plain(const Colour& c);
std::string vec(const Vec3& v, int decimals = 3);
std::string col(const Colour& c, int decimals = 3);
// In 8-bit levels: (250.73, 255.00, 250.73), and rounded: (248, 255, 248).
std::string levels(const Colour& c);
std::string levels(const int v[3]);

bool isBlack(const Colour& c);
bool isWhite(const Colour& c);
bool sameColour(const Colour& a, const Colour& b);

// The lights' names: the demo's, for a light as the demo has it, else its
// number.
struct LightNames {
    std::string name[MODEL_MOST_LIGHTS];
};

LightNames demoNames();
LightNames namesOf(const SceneModel& scene);

// "cube", or "nothing".
std::string solidName(Solid solid);
// "the red cube" while it has the demo's colour, else "the cube".
std::string colouredName(const SceneModel& scene, Solid solid);
// Where a light is, and where a spot is aimed: "at (-12, 0, 10) aimed along ...".
std::string lightPlace(const ModelLight& light);

// The verdict as one sentence, no newline.
std::string verdictText(const PixelExplanation& e, const Diagnosis& d, const LightNames& names);
