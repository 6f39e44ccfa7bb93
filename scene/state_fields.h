// Every field of a scene state, described once: where it stands in a state
// file, what it changes in words a learner (or a screen reader) reads, the
// values it takes, the demo's value and where SceneState holds it. The
// state file's reader and writer (scene/state_json.h), the comparisons of
// states and the lab's panel are all made from this one table, so a field
// added to it is read, written, compared and offered by all of them.
#pragma once

#include "scene/state.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// What one value of a field is.
enum class FieldKind {
    Switch,  // true or false
    Whole,   // a whole number
    Number,  // a number, held as a float
    Word,    // one of the field's words (the shading's, the highlight's)
};

// The largest frame a state may ask for, either way.
constexpr int MOST_STATE_PIXELS = 4096;

constexpr double NO_END = std::numeric_limits<double>::infinity();

// The values a value takes: min to max (an end of NO_END: none, though the
// value is always finite), and `also`, one more beyond max (NaN: none).
struct FieldRange {
    double min, max;
    double also = std::numeric_limits<double>::quiet_NaN();
};

// Where one value of a field is held in a state: one of the pointers.
struct FieldPlace {
    float* number = nullptr;
    std::int32_t* whole = nullptr;
    bool* flag = nullptr;
    ShadingMode* shading = nullptr;
    Highlight* highlight = nullptr;
};

inline FieldPlace placeOf(float& v) { return {&v, nullptr, nullptr, nullptr, nullptr}; }
inline FieldPlace placeOf(std::int32_t& v) { return {nullptr, &v, nullptr, nullptr, nullptr}; }
inline FieldPlace placeOf(bool& v) { return {nullptr, nullptr, &v, nullptr, nullptr}; }
inline FieldPlace placeOf(ShadingMode& v) { return {nullptr, nullptr, nullptr, &v, nullptr}; }
inline FieldPlace placeOf(Highlight& v) { return {nullptr, nullptr, nullptr, nullptr, &v}; }

// `item`: the light's or the solid's index (0 in a field of neither);
// `element`: the value's place in the field's array (0 for one value).
using FieldReach = FieldPlace (*)(SceneState& state, int item, int element);

// What a field is part of, for the comparisons of states.
enum FieldTrait : unsigned {
    // The lights, material, light model, tessellation and shading: all but
    // the view and the lights' switches.
    FIELD_SETUP = 1u << 0,
    // What each pixel shows of the surfaces: the point, its normal, the
    // direction towards the viewer and the triangle (the frame, the view,
    // the solids' cuts, the shading and the light model).
    FIELD_SURFACES = 1u << 1,
    // Written into a whole state (sceneJson) only where it is not the demo's
    // value: the fields the format gained after states were first saved, so
    // that those states' files and explanations stay what they were, byte
    // for byte.
    FIELD_WRITTEN_WHEN_SET = 1u << 2,
};

struct StateField {
    // Its place in a state file: names joined by dots; "lights[]" is each
    // light of the array of lights, "*" each solid by its name.
    const char* path;
    // What it changes: "#" stands for the light's number, "*" for the solid's name.
    const char* label;
    FieldKind kind;
    FieldReach at;
    // An array's values in words ("[r, g, b, a]"), or nullptr: one value.
    const char* form = nullptr;
    FieldRange range{-NO_END, NO_END};  // of each value
    FieldRange lastRange{0, -1};        // of the last value, where it differs (min > max: not)
    const char* rangeWords = nullptr;   // the range in words, where its ends do not say it
    double step = 1;    // a control's step
    double reach = 0;   // how far a slider reaches from 0 where the range has no end
    const char* allZero = nullptr;  // the refusal of an array of zeros, or nullptr: allowed
    const char* const* names = nullptr;  // each value's name, where it is one of a few
    const char* const* words = nullptr;  // a Word's words in the file, in the order of its values
    void (*then)(SceneState&) = nullptr;  // what reading it does to the rest of the state
    unsigned traits = 0;

    // Values in one: 1, or as many as the form names.
    int count() const;
    // Lights (every one a state may have) or solids it repeats over, or 1.
    int items() const;
    bool ofEachLight() const;
    const FieldRange& rangeOf(int element) const;
    // The range as a refusal says it: "0 to 1", "a finite number".
    std::string rangeText(int element) const;
};

// The table, in the order of a state file.
const std::vector<StateField>& stateFields();

// The objects and arrays that hold the fields, and what a value there must
// be, as a refusal says it: the top, "lights", "lights[]", "material"...
struct FieldGroup {
    const char* path;
    std::string what;
};
const std::vector<FieldGroup>& fieldGroups();

// `field`'s value `element` of `item` in `state`: a number, a whole number,
// 0 or 1, or the word's index.
double fieldValue(const StateField& field, const SceneState& state, int item, int element);
void setFieldValue(const StateField& field, SceneState& state, int item, int element,
                   double value);

// The field's label for one light or solid: "light 2 spot cut-off, degrees".
std::string fieldLabel(const StateField& field, int item);

// Whether every value of the fields with any of `traits` is the same in
// both (and, for FIELD_SETUP, the number of lights).
bool sameFields(const SceneState& a, const SceneState& b, unsigned traits);

// Whether the state's lights, material, light model, tessellation and
// shading are the demo's: only the view and the lights' switches differ.
bool hasDemoSetup(const SceneState& state);
