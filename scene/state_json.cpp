// The state file read and written field by field as the table of fields
// (scene/state_fields.h) lays them out.
#include "scene/state_json.h"

#include "scene/names.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

using json = nlohmann::json;
using ordered = nlohmann::ordered_json;

// Doubles below this in size round to a finite float (FLT_MAX at most);
// from it on they round to infinity.
constexpr double FLOAT_ROUNDING_LIMIT = 0x1.ffffffp127;

// The state file as a tree of the table: an object's fields in the order
// of the table, an array of lights with the one object each light is.
struct Node {
    std::string key;                     // its name in the object above
    const std::string* what = nullptr;   // an object's or array's refusal words
    bool lights = false;                 // an array of lights: children[0] is each
    const StateField* field = nullptr;   // a field's value
    int item = -1;                       // the solid of a field repeated over them
    std::vector<Node> children;

    Node& child(const std::string& name)
    {
        for (Node& c : children) {
            if (c.key == name) {
                return c;
            }
        }
        children.emplace_back();
        children.back().key = name;
        return children.back();
    }
};

const std::string& groupWords(const std::string& path)
{
    for (const FieldGroup& group : fieldGroups()) {
        if (group.path == path) {
            return group.what;
        }
    }
    static const std::string anObject = "an object";
    return anObject;
}

Node buildTree()
{
    Node root;
    root.what = &groupWords("");
    for (const StateField& field : stateFields()) {
        Node* at = &root;
        std::string path, rest = field.path;
        while (!rest.empty()) {
            const std::string::size_type dot = rest.find('.');
            std::string part = rest.substr(0, dot);
            rest = dot == std::string::npos ? "" : rest.substr(dot + 1);
            const bool lights = part.size() > 2 && part.compare(part.size() - 2, 2, "[]") == 0;
            if (lights) {
                part.resize(part.size() - 2);
            }
            path += (path.empty() ? "" : ".") + part;
            if (part == "*") {
                for (int k = 0; k < SOLID_COUNT; ++k) {
                    Node& solid = at->child(SOLID_NAMES[k]);
                    solid.field = &field;
                    solid.item = k;
                }
                break;
            }
            at = &at->child(part);
            if (rest.empty()) {
                at->field = &field;
            } else if (lights) {
                at->what = &groupWords(path);
                at->lights = true;
                at = &at->child("");
                at->what = &groupWords(path + "[]");
                path += "[]";
            } else {
                at->what = &groupWords(path);
            }
        }
    }
    return root;
}

const Node& tree()
{
    static const Node root = buildTree();
    return root;
}

std::string must(const std::string& path, const std::string& what, const json& value)
{
    return path + " must be " + what + ", not " + shownValue(value);
}

std::string readNumber(const StateField& field, int element, const json& value,
                       const std::string& path, double& out)
{
    const FieldRange& r = field.rangeOf(element);
    const std::string range = field.rangeText(element);
    if (!value.is_number()) {
        return must(path, "a number, " + range, value);
    }
    const double number = value.get<double>();
    const bool also = !std::isnan(r.also);
    if (!std::isfinite(number) || number < r.min || number > (also ? r.also : r.max) ||
        !(std::abs(number) < FLOAT_ROUNDING_LIMIT)) {
        return must(path, range, value);
    }
    // Between the range and the value beyond it, as the float holds it.
    const float held = static_cast<float>(number);
    if (also && held > r.max && held != static_cast<float>(r.also)) {
        return must(path, range, value);
    }
    out = number;
    return {};
}

std::string readWhole(const StateField& field, int element, const json& value,
                      const std::string& path, double& out)
{
    const FieldRange& r = field.rangeOf(element);
    const std::string range = field.rangeText(element);
    if (!value.is_number()) {
        return must(path, "a whole number, " + range, value);
    }
    const double number = value.get<double>();
    if (!(number >= r.min && number <= r.max) || number != std::floor(number)) {
        return must(path, "a whole number " + range, value);
    }
    out = number;
    return {};
}

std::string readWord(const StateField& field, const json& value, const std::string& path,
                     double& out)
{
    const int count = static_cast<int>(field.range.max) + 1;
    std::string words;
    for (int w = 0; w < count; ++w) {
        if (value == field.words[w]) {
            out = w;
            return {};
        }
        words += std::string(w == 0 ? "" : w + 1 == count ? " or " : ", ") + "\"" +
                 field.words[w] + "\"";
    }
    return must(path, words, value);
}

std::string readValue(const StateField& field, int element, const json& value,
                      const std::string& path, double& out)
{
    switch (field.kind) {
    case FieldKind::Switch:
        if (!value.is_boolean()) {
            return must(path, "true or false", value);
        }
        out = value.get<bool>() ? 1 : 0;
        return {};
    case FieldKind::Whole: return readWhole(field, element, value, path, out);
    case FieldKind::Number: return readNumber(field, element, value, path, out);
    case FieldKind::Word: return readWord(field, value, path, out);
    }
    return {};
}

std::string readField(const StateField& field, const json& value, const std::string& path,
                      int item, SceneState& state)
{
    const int count = field.count();
    std::vector<double> values(static_cast<size_t>(count), 0.0);
    if (field.form == nullptr) {
        if (std::string problem = readValue(field, 0, value, path, values[0]); !problem.empty()) {
            return problem;
        }
    } else {
        if (!value.is_array() || value.size() != static_cast<size_t>(count)) {
            return must(path,
                        std::string(field.form) + ", " + std::to_string(count) +
                            (field.kind == FieldKind::Whole ? " whole numbers" : " numbers"),
                        value);
        }
        for (int e = 0; e < count; ++e) {
            const std::string at = path + "[" + std::to_string(e) + "]";
            if (std::string problem = readValue(field, e, value[static_cast<size_t>(e)], at,
                                                values[static_cast<size_t>(e)]);
                !problem.empty()) {
                return problem;
            }
        }
    }
    // Zero in every value, as the floats hold them.
    if (field.allZero != nullptr &&
        std::all_of(values.begin(), values.end(),
                    [](double v) { return static_cast<float>(v) == 0.0f; })) {
        return path + " " + field.allZero + ", not " + shownValue(value);
    }
    for (int e = 0; e < count; ++e) {
        setFieldValue(field, state, item, e, values[static_cast<size_t>(e)]);
    }
    if (field.then != nullptr) {
        field.then(state);
    }
    return {};
}

// An object's fields are read in the order of the table, whatever the
// text's order (so that `mode` comes before the lights' own switches),
// once every field it gives is known.
std::string readNode(const Node& node, const json& value, const std::string& path, int item,
                     SceneState& state)
{
    if (node.field != nullptr) {
        return readField(*node.field, value, path, node.item >= 0 ? node.item : item, state);
    }
    if (node.lights) {
        if (!value.is_array() || value.size() > MAX_LIGHTS) {
            return must(path, *node.what, value);
        }
        // More lights than the state has: the new ones start as GL's.
        for (int i = state.setup.lightCount; i < static_cast<int>(value.size()); ++i) {
            state.setup.lights[i] = GL_INITIAL_LIGHT;
            state.lightOn[i] = false;
            state.setup.lightCount = i + 1;
        }
        for (size_t i = 0; i < value.size(); ++i) {
            if (std::string problem = readNode(node.children[0], value[i],
                                               path + "[" + std::to_string(i) + "]",
                                               static_cast<int>(i), state);
                !problem.empty()) {
                return problem;
            }
        }
        return {};
    }
    if (!value.is_object()) {
        return path.empty() ? "the state must be " + *node.what + ", not " + shownValue(value)
                            : must(path, *node.what, value);
    }
    for (const auto& given : value.items()) {
        if (std::none_of(node.children.begin(), node.children.end(),
                         [&given](const Node& c) { return c.key == given.key(); })) {
            return "unknown field " + fieldPath(path, shownName(given.key()));
        }
    }
    for (const Node& child : node.children) {
        if (const auto found = value.find(child.key); found != value.end()) {
            if (std::string problem =
                    readNode(child, *found, fieldPath(path, child.key), item, state);
                !problem.empty()) {
                return problem;
            }
        }
    }
    return {};
}

// A float as the shortest decimal that reads back as the same float, so
// that 8.59f is written 8.59; whole numbers as integers.
ordered written(float value)
{
    if (value == std::floor(value) && std::abs(value) < 1e9f) {
        return static_cast<long long>(value);
    }
    char text[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) {
            break;
        }
    }
    return std::strtod(text, nullptr);
}

ordered writtenValue(const StateField& field, double value)
{
    switch (field.kind) {
    case FieldKind::Switch: return value != 0;
    case FieldKind::Whole: return static_cast<int>(value);
    case FieldKind::Number: return written(static_cast<float>(value));
    case FieldKind::Word: return field.words[static_cast<int>(value)];
    }
    return nullptr;
}

// Whether a field of FIELD_WRITTEN_WHEN_SET is left out of a whole state
// written: it has the demo's value in `state`.
bool leftOut(const Node& node, const SceneState& state, int item)
{
    if (node.field == nullptr) {
        return false;
    }
    const StateField& field = *node.field;
    if ((field.traits & FIELD_WRITTEN_WHEN_SET) == 0) {
        return false;
    }
    const SceneState demo = demoSceneState(state.view);
    for (int e = 0; e < field.count(); ++e) {
        if (fieldValue(field, state, item, e) != fieldValue(field, demo, item, e)) {
            return false;
        }
    }
    return true;
}

// The state under `node`; `every`: each field, else those of
// FIELD_WRITTEN_WHEN_SET only where they are set, and no object left empty
// by them.
ordered writeNode(const Node& node, const SceneState& state, int item, bool every)
{
    if (node.field != nullptr) {
        const StateField& field = *node.field;
        const int at = node.item >= 0 ? node.item : item;
        if (field.form == nullptr) {
            return writtenValue(field, fieldValue(field, state, at, 0));
        }
        ordered values = ordered::array();
        for (int e = 0; e < field.count(); ++e) {
            values.push_back(writtenValue(field, fieldValue(field, state, at, e)));
        }
        return values;
    }
    if (node.lights) {
        ordered lights = ordered::array();
        for (int i = 0; i < state.setup.lightCount; ++i) {
            lights.push_back(writeNode(node.children[0], state, i, every));
        }
        return lights;
    }
    ordered out = ordered::object();
    for (const Node& child : node.children) {
        if (every || !leftOut(child, state, child.item >= 0 ? child.item : item)) {
            ordered part = writeNode(child, state, item, every);
            if (every || child.field != nullptr || !part.empty()) {
                out[child.key] = std::move(part);
            }
        }
    }
    return out;
}

// What of `now` differs from `was` (two sceneJson trees, or parts of them):
// an object's fields that differ, each cut down the same way; a list of
// objects (the lights) up to its last one that differs, {} for those
// before; any other value whole. Null when nothing differs.
ordered changesFrom(const ordered& now, const ordered& was)
{
    if (now == was) {
        return nullptr;
    }
    if (now.is_object() && was.is_object()) {
        ordered out = ordered::object();
        for (const auto& [key, value] : now.items()) {
            ordered part = changesFrom(value, was.at(key));
            if (!part.is_null()) {
                out[key] = part;
            }
        }
        return out;
    }
    if (now.is_array() && was.is_array() && now.size() == was.size() && !now.empty() &&
        now[0].is_object()) {
        ordered out = ordered::array();
        for (size_t i = 0; i < now.size(); ++i) {
            ordered part = changesFrom(now[i], was[i]);
            out.push_back(part.is_null() ? ordered::object() : part);
        }
        while (!out.empty() && out.back().empty()) {
            out.erase(out.size() - 1);
        }
        return out;
    }
    return now;
}

const char* kindWord(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Switch: return "switch";
    case FieldKind::Whole: return "whole";
    case FieldKind::Number: return "number";
    case FieldKind::Word: return "word";
    }
    return "";
}

ordered rangeEnd(double value) { return std::isinf(value) ? ordered(nullptr) : ordered(value); }

// One field of one light or solid (`item`) for the panel: `keys` lead to
// it, `name` is the path a refusal names.
ordered fieldJson(const StateField& field, int item, const ordered& keys, const std::string& name,
                  const SceneState& demo)
{
    ordered out = {{"path", keys}, {"name", name}, {"label", fieldLabel(field, item)},
                   {"kind", kindWord(field.kind)}};
    if (field.form != nullptr) {
        ordered parts = ordered::array();
        const std::string form = field.form;
        for (std::string::size_type at = 1; at < form.size();) {
            const std::string::size_type to = std::min(form.find(',', at), form.size() - 1);
            parts.push_back(form.substr(at, to - at));
            at = to + 2;
        }
        out["parts"] = parts;
    }
    const bool ranged = field.kind == FieldKind::Whole || field.kind == FieldKind::Number;
    ordered values = ordered::array();
    for (int e = 0; e < field.count(); ++e) {
        ordered value = ordered::object();
        if (ranged) {
            const FieldRange& r = field.rangeOf(e);
            const bool also = !std::isnan(r.also);
            const double top = also ? r.also : r.max;
            value = {{"min", rangeEnd(r.min)},
                     {"max", rangeEnd(r.max)},
                     {"also", also ? ordered(r.also) : ordered(nullptr)},
                     {"slider", {std::isinf(r.min) ? -field.reach : r.min,
                                 std::isinf(top) ? field.reach : top}},
                     {"step", field.step}};
        }
        value["demo"] = writtenValue(field, fieldValue(field, demo, item, e));
        values.push_back(value);
    }
    out["values"] = values;
    if (field.names != nullptr) {
        ordered choices = ordered::array();
        for (int v = static_cast<int>(field.range.min); v <= static_cast<int>(field.range.max);
             ++v) {
            choices.push_back({{"value", writtenValue(field, v)}, {"name", field.names[v]}});
        }
        out["choices"] = choices;
    }
    if (field.allZero != nullptr) {
        out["not_all_zero"] = name + " " + field.allZero;
    }
    return out;
}

// Every field under `node`, in the order of a state file, of the first
// `lightsShown` lights.
void exportNode(const Node& node, const ordered& keys, const std::string& name, int item,
                const SceneState& demo, int lightsShown, ordered& fields)
{
    if (node.field != nullptr) {
        fields.push_back(fieldJson(*node.field, node.item >= 0 ? node.item : item, keys, name, demo));
        return;
    }
    if (node.lights) {
        for (int i = 0; i < lightsShown; ++i) {
            ordered at = keys;
            at.push_back(i);
            exportNode(node.children[0], at, name + "[" + std::to_string(i) + "]", i, demo,
                       lightsShown, fields);
        }
        return;
    }
    for (const Node& child : node.children) {
        ordered at = keys;
        at.push_back(child.key);
        exportNode(child, at, fieldPath(name, child.key), item, demo, lightsShown, fields);
    }
}

}  // namespace

std::string shownValue(const json& value)
{
    std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
    return text.size() > 40 ? text.substr(0, 37) + "..." : text;
}

std::string shownName(const std::string& name)
{
    const bool plain = !name.empty() && name.size() <= 40 &&
                       std::all_of(name.begin(), name.end(), [](char c) {
                           return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                       });
    return plain ? name : shownValue(json(name));
}

std::string fieldPath(const std::string& path, const std::string& name)
{
    return path.empty() ? name : path + "." + name;
}

SceneState startingSceneState()
{
    ViewerState view{};
    view.windowWidth = 300;
    view.windowHeight = 300;
    return demoSceneState(view);
}

std::string applySceneJson(const json& value, SceneState& state)
{
    SceneState changed = state;
    std::string problem = readNode(tree(), value, "", 0, changed);
    if (problem.empty()) {
        // The table's ranges are the mesh's; this holds them to it.
        problem = tessellationProblem(changed.tessellation);
    }
    if (problem.empty()) {
        state = changed;
    }
    return problem;
}

ordered sceneJson(const SceneState& state)
{
    return writeNode(tree(), state, 0, false);
}

ordered everyFieldJson(const SceneState& state)
{
    return writeNode(tree(), state, 0, true);
}

ordered sceneChanges(const SceneState& state, const SceneState& base)
{
    // A `mode` that differs is written, and read back it sets the lights'
    // switches before their own: those are held against what it sets.
    SceneState switched = base;
    if (state.view.lightingMode != base.view.lightingMode) {
        for (int i = 0; i < LIGHT_COUNT; ++i) {
            switched.lightOn[i] = lightEnabled(state.view.lightingMode, i);
        }
    }
    // Every field either way, so that one set in `base` and not in `state`
    // is written too.
    const ordered changes = changesFrom(everyFieldJson(state), everyFieldJson(switched));
    return changes.is_null() ? ordered::object() : changes;
}

ordered stateFieldsJson(int lights)
{
    ordered fields = ordered::array();
    const int shown = std::clamp(lights, 1, MAX_LIGHTS);
    exportNode(tree(), ordered::array(), "", 0, startingSceneState(), shown, fields);
    ordered names = ordered::array();
    for (int i = 0; i < shown; ++i) {
        names.push_back(i < LIGHT_COUNT ? std::string(LIGHT_NAMES[i])
                                        : "light " + std::to_string(i));
    }
    return {{"limits", {{"bytes", MOST_STATE_BYTES}, {"depth", MOST_STATE_DEPTH}}},
            {"most_lights", MAX_LIGHTS},
            {"lights", names},
            {"solids", SOLID_NAMES},
            {"fields", fields}};
}
