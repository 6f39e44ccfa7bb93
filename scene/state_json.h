// A scene state as one JSON object: what the tools' --state FILE reads, the
// lab exports and imports, and presets are files of. No GL: the lab
// compiles it to WebAssembly.
//
//   {"viewpoint": 0, "mode": 3, "angles": [0, 30, 0], "size": [300, 300],
//    "lights": [{"position": [1, 1, 2, 1], "attenuation": [1, 0.1, 0]}, {}, {"on": false}],
//    "material": {"shininess": 20, "diffuse": {"cube": [1, 0.5, 0, 1]}},
//    "local_viewer": true, "tessellation": {"sphere": [24, 12]}, "shading": "pixel"}
//
// A field left out keeps the value the state had. `lights` holds up to 8
// objects, for lights 0, 1, ... in order, each with any of its fields; a
// light beyond those the state has is added, starting with OpenGL's initial
// values for lights other than GL_LIGHT0 (off, black, from +Z);
// `mode` switches the lights as the demo's mode does, and `on` flags given
// with it apply after it. The fields, their order and their ranges are
// scene/state_fields.h's table.
#pragma once

#include "scene/state.h"
#include "scene/state_fields.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <string>

// What every reader of a state holds to, whoever wrote it: text of more than
// MOST_STATE_BYTES is refused (a reader of a file or a pipe stops there), and
// so are arrays and objects nested deeper than MOST_STATE_DEPTH, refused
// before a level is opened, so that no recursion (the parser's, the tree's,
// the reader's) goes deeper. The format itself nests 4 deep.
constexpr std::size_t MOST_STATE_BYTES = std::size_t{1} << 20;  // 1 MiB
constexpr int MOST_STATE_DEPTH = 16;

// The demo's state at start-up: viewpoint 0, lighting mode 0, no turn,
// 300 x 300, the demo's lights, material and solids, per-vertex shading.
SceneState startingSceneState();

// Applies the fields of `json` to `state` (text from outside goes through
// applySceneText, which holds it to the limits above). Returns an empty
// string, or one line naming the first field that is unknown, of the wrong
// type or out of range, by its path ("lights[2].spot_cutoff must be 0 to 90,
// or 180, not 95"); `state` is then left as it was.
std::string applySceneJson(const nlohmann::json& json, SceneState& state);

// The same from JSON text; text that is not one JSON object is refused the
// same way, with the parser's message, and so is text past the limits above
// or an object that gives a field twice ("lights[0].on is given twice"),
// and so is anything but white space after the value (a NUL byte too). A
// UTF-8 byte-order mark at the start is skipped.
std::string applySceneText(const std::string& text, SceneState& state);

// Every field of `state`, in the order of the example above, each of its
// lights; the fields of FIELD_WRITTEN_WHEN_SET only where they are not the
// demo's, so that a state of the format's first fields is written as it
// always was. Reading it back onto startingSceneState() with applySceneJson
// gives the same state.
nlohmann::ordered_json sceneJson(const SceneState& state);
// The same with every field, whatever its value.
nlohmann::ordered_json everyFieldJson(const SceneState& state);

// The fields of `state` that differ from `base`, as few as reading them back
// onto `base` with applySceneJson needs to give `state` again: an object,
// empty when nothing differs. A light's switch is written only where it
// differs from what the written `mode` makes of it; a light with nothing
// to change before one that has is written {}. The lab's links hold this
// against startingSceneState():  {"mode": 2, "material": {"shininess": 10}}
nlohmann::ordered_json sceneChanges(const SceneState& state, const SceneState& base);

// The table of fields as the lab's panel reads it: {"limits": {"bytes",
// "depth"}, "most_lights": 8, "lights": the names of the first `lights`,
// "solids": theirs, "fields": [...]}, a
// field of each light or solid apart, each with its "path" (the keys that
// lead to it), "name" (as a refusal names it), "label", "kind" ("switch",
// "whole", "number", "word"), "parts" (an array's, in words), "values" (for
// each: "min", "max", null where the range has no end, "also", "slider",
// "step" and the demo's value "demo"), "choices" where it is one of a few
// and "not_all_zero", the refusal of zeros, where they are refused. The
// lights' fields are those of the first `lights` lights (the demo's three:
// a light beyond the state's has no values in it to show).
nlohmann::ordered_json stateFieldsJson(int lights = LIGHT_COUNT);

// How a refusal names a field: `name` under `path` ("lights[0].on"), the
// name as it is when it is a plain word, else as a JSON string.
std::string fieldPath(const std::string& path, const std::string& name);
std::string shownName(const std::string& name);
// A value as a refusal quotes it, cut short when long.
std::string shownValue(const nlohmann::json& value);

// Reads a state file (`-`: standard input) onto startingSceneState(), for
// the tools' --state FILE, never more than one byte past MOST_STATE_BYTES.
// Returns an empty string, or one line naming the option, the file and the
// problem.
std::string readStateFile(const std::string& file, SceneState& state);
