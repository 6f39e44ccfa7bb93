#include "scene/state_json.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <set>
#include <vector>

namespace {

using json = nlohmann::json;

constexpr const char* SOLID_KEYS[SOLID_COUNT] = {"cube", "sphere", "cone", "cylinder"};

// Where the lights' and material's colours go; GL takes any value, but a
// learner's colour is a share of full intensity.
constexpr double COLOUR_MIN = 0, COLOUR_MAX = 1;
constexpr double MOST_EXPONENT = 128;  // spot exponent and shininess, as GL limits them
constexpr double NO_SPOT = 180, WIDEST_SPOT = 90;
// Doubles below this in size round to a finite float (FLT_MAX at most);
// from it on they round to infinity.
constexpr double FLOAT_ROUNDING_LIMIT = 0x1.ffffffp127;

// The value as the message quotes it, cut short when long.
std::string shown(const json& value)
{
    std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
    return text.size() > 40 ? text.substr(0, 37) + "..." : text;
}

std::string must(const std::string& path, const std::string& what, const json& value)
{
    return path + " must be " + what + ", not " + shown(value);
}

// A field's name as a message shows it: as it is when it is a plain word,
// else as a JSON string (quoted, escaped), cut short when long.
std::string shownName(const std::string& name)
{
    const bool plain = !name.empty() && name.size() <= 40 &&
                       std::all_of(name.begin(), name.end(), [](char c) {
                           return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                       });
    return plain ? name : shown(json(name));
}

// Fields of `object` outside `known`, the first one named by its path.
std::string unknownField(const json& object, const std::string& path,
                         std::initializer_list<const char*> known)
{
    for (const auto& item : object.items()) {
        bool found = false;
        for (const char* name : known) {
            found = found || item.key() == name;
        }
        if (!found) {
            return "unknown field " + (path.empty() ? "" : path + ".") + shownName(item.key());
        }
    }
    return {};
}

std::string fieldPath(const std::string& path, const std::string& name)
{
    return path.empty() ? name : path + "." + name;
}

// One JSON object's fields: what is not an object, or holds a field not in
// `known`, is refused at once; then each field present goes to its reader,
// in the order asked, until one refuses. `problem` says what was wrong.
class ObjectFields {
public:
    ObjectFields(const json& value, const std::string& path, const std::string& what,
                 std::initializer_list<const char*> known)
        : value_(value), path_(path)
    {
        problem = value.is_object() ? unknownField(value, path, known) : refusal(what);
    }

    template <typename Read>
    void read(const char* name, const Read& reader)
    {
        if (problem.empty() && value_.contains(name)) {
            problem = reader(value_[name], fieldPath(path_, name));
        }
    }

    std::string problem;

private:
    std::string refusal(const std::string& what) const
    {
        return path_.empty() ? "the state must be " + what + ", not " + shown(value_)
                             : must(path_, what, value_);
    }

    const json& value_;
    const std::string& path_;
};

// A number in [min, max] that a float holds; `range` says so in words.
std::string readNumber(const json& value, const std::string& path, double min, double max,
                       const std::string& range, float& out)
{
    if (!value.is_number()) {
        return must(path, "a number, " + range, value);
    }
    const double number = value.get<double>();
    if (!std::isfinite(number) || number < min || number > max ||
        !(std::abs(number) < FLOAT_ROUNDING_LIMIT)) {
        return must(path, range, value);
    }
    out = static_cast<float>(number);
    return {};
}

std::string readInteger(const json& value, const std::string& path, int min, int max, int& out)
{
    const std::string range = std::to_string(min) + " to " + std::to_string(max);
    if (!value.is_number()) {
        return must(path, "a whole number, " + range, value);
    }
    const double number = value.get<double>();
    if (!(number >= min && number <= max) || number != std::floor(number)) {
        return must(path, "a whole number " + range, value);
    }
    out = static_cast<int>(number);
    return {};
}

std::string readBool(const json& value, const std::string& path, bool& out)
{
    if (!value.is_boolean()) {
        return must(path, "true or false", value);
    }
    out = value.get<bool>();
    return {};
}

// `count` numbers, each checked as readNumber checks one; `form` names them
// ("[r, g, b, a]").
std::string readNumbers(const json& value, const std::string& path, const char* form, int count,
                        double min, double max, const std::string& range, float* out)
{
    if (!value.is_array() || value.size() != static_cast<size_t>(count)) {
        return must(path, std::string(form) + ", " + std::to_string(count) + " numbers", value);
    }
    float read[4] = {0, 0, 0, 0};
    for (int i = 0; i < count; ++i) {
        const std::string at = path + "[" + std::to_string(i) + "]";
        if (std::string problem = readNumber(value[static_cast<size_t>(i)], at, min, max, range,
                                             read[i]);
            !problem.empty()) {
            return problem;
        }
    }
    std::copy(read, read + count, out);
    return {};
}

std::string readColour(const json& value, const std::string& path, float out[4])
{
    return readNumbers(value, path, "[r, g, b, a]", 4, COLOUR_MIN, COLOUR_MAX, "0 to 1", out);
}

std::string readAny(const json& value, const std::string& path, const char* form, int count,
                    float* out)
{
    return readNumbers(value, path, form, count, -DBL_MAX, DBL_MAX, "a finite number", out);
}

// Zero in every one of the first `count` values, as the floats hold them.
bool allZero(const float* values, int count)
{
    for (int i = 0; i < count; ++i) {
        if (values[i] != 0.0f) {
            return false;
        }
    }
    return true;
}

std::string readLight(const json& value, const std::string& path, LightSetup& light, bool& on)
{
    ObjectFields fields(value, path, "an object with the light's fields",
                        {"on", "position", "ambient", "diffuse", "specular", "spot_direction",
                         "spot_cutoff", "spot_exponent", "attenuation"});
    const auto field = [&fields](const char* name, const auto& read) { fields.read(name, read); };
    field("on", [&](const json& v, const std::string& p) { return readBool(v, p, on); });
    field("position", [&](const json& v, const std::string& p) {
        if (std::string wrong = readAny(v, p, "[x, y, z, w]", 4, light.position); !wrong.empty()) {
            return wrong;
        }
        return allZero(light.position, 4)
                   ? must(p, "a point (w not 0) or a direction (x, y, z not all 0)", v)
                   : std::string();
    });
    field("ambient", [&](const json& v, const std::string& p) { return readColour(v, p, light.ambient); });
    field("diffuse", [&](const json& v, const std::string& p) { return readColour(v, p, light.diffuse); });
    field("specular", [&](const json& v, const std::string& p) { return readColour(v, p, light.specular); });
    field("spot_direction", [&](const json& v, const std::string& p) {
        if (std::string wrong = readAny(v, p, "[x, y, z]", 3, light.spotDirection); !wrong.empty()) {
            return wrong;
        }
        return allZero(light.spotDirection, 3) ? must(p, "a direction (not all 0)", v)
                                               : std::string();
    });
    field("spot_cutoff", [&](const json& v, const std::string& p) {
        const std::string range = "0 to 90, or 180";
        if (std::string wrong = readNumber(v, p, 0, NO_SPOT, range, light.spotCutoff);
            !wrong.empty()) {
            return wrong;
        }
        return light.spotCutoff > WIDEST_SPOT && light.spotCutoff != NO_SPOT ? must(p, range, v)
                                                                              : std::string();
    });
    field("spot_exponent", [&](const json& v, const std::string& p) {
        return readNumber(v, p, 0, MOST_EXPONENT, "0 to 128", light.spotExponent);
    });
    field("attenuation", [&](const json& v, const std::string& p) {
        if (std::string wrong = readNumbers(v, p, "[constant, linear, quadratic]", 3, 0, DBL_MAX,
                                            "a finite number, at least 0", light.attenuation);
            !wrong.empty()) {
            return wrong;
        }
        // 1 / (k0 + k1 d + k2 d^2) would divide by zero.
        return allZero(light.attenuation, 3) ? p + " must have a factor above 0, not " + shown(v)
                                             : std::string();
    });
    return fields.problem;
}

std::string readLights(const json& value, SceneState& state)
{
    if (!value.is_array() || value.size() > LIGHT_COUNT) {
        return must("lights", "an array of at most 3 lights", value);
    }
    for (size_t i = 0; i < value.size(); ++i) {
        const std::string path = "lights[" + std::to_string(i) + "]";
        if (std::string problem =
                readLight(value[i], path, state.setup.lights[i], state.lightOn[i]);
            !problem.empty()) {
            return problem;
        }
    }
    return {};
}

std::string readMaterial(const json& value, MaterialSetup& material)
{
    const std::string path = "material";
    ObjectFields fields(value, path, "an object with the material's fields",
                        {"ambient", "diffuse", "specular", "emission", "shininess"});
    const auto field = [&fields](const char* name, const auto& read) { fields.read(name, read); };
    field("ambient", [&](const json& v, const std::string& p) { return readColour(v, p, material.ambient); });
    field("diffuse", [&](const json& v, const std::string& p) {
        ObjectFields solids(v, p, "an object with the solids' colours",
                            {"cube", "sphere", "cone", "cylinder"});
        for (int s = 0; s < SOLID_COUNT; ++s) {
            solids.read(SOLID_KEYS[s], [&](const json& colour, const std::string& at) {
                return readColour(colour, at, material.diffuse[s]);
            });
        }
        return solids.problem;
    });
    field("specular", [&](const json& v, const std::string& p) { return readColour(v, p, material.specular); });
    field("emission", [&](const json& v, const std::string& p) { return readColour(v, p, material.emission); });
    field("shininess", [&](const json& v, const std::string& p) {
        return readNumber(v, p, 0, MOST_EXPONENT, "0 to 128", material.shininess);
    });
    return fields.problem;
}

// [slices, stacks] of one solid, in the ranges mesh/ draws exactly.
std::string readCuts(const json& value, const std::string& path, int leastStacks, int& slices,
                     int& stacks)
{
    if (!value.is_array() || value.size() != 2) {
        return must(path, "[slices, stacks], 2 whole numbers", value);
    }
    int read[2] = {0, 0};
    if (std::string problem = readInteger(value[0], path + "[0]", MIN_SLICES, MAX_SLICES, read[0]);
        !problem.empty()) {
        return problem;
    }
    if (std::string problem = readInteger(value[1], path + "[1]", leastStacks, MAX_STACKS, read[1]);
        !problem.empty()) {
        return problem;
    }
    slices = read[0];
    stacks = read[1];
    return {};
}

std::string readTessellation(const json& value, Tessellation& t)
{
    const std::string path = "tessellation";
    ObjectFields fields(value, path, "an object with the solids' counts",
                        {"cube", "sphere", "cone", "cylinder"});
    const auto field = [&fields](const char* name, const auto& read) { fields.read(name, read); };
    field("cube", [&](const json& v, const std::string& p) {
        return readInteger(v, p, 1, MAX_CUBE_DIVISIONS, t.cube);
    });
    field("sphere", [&](const json& v, const std::string& p) {
        return readCuts(v, p, 2, t.sphereSlices, t.sphereStacks);
    });
    field("cone", [&](const json& v, const std::string& p) {
        return readCuts(v, p, 1, t.coneSlices, t.coneStacks);
    });
    field("cylinder", [&](const json& v, const std::string& p) {
        return readCuts(v, p, 1, t.cylinderSlices, t.cylinderStacks);
    });
    return fields.problem.empty() ? tessellationProblem(t) : fields.problem;
}

// The top level, field by field in the format's order, so that `mode`
// comes before the lights' own switches whatever order the text has.
std::string readState(const json& value, SceneState& state)
{
    const std::string top;
    ObjectFields fields(value, top, "one JSON object",
                        {"viewpoint", "mode", "angles", "size", "lights", "material",
                         "global_ambient", "local_viewer", "two_sided", "tessellation",
                         "shading"});
    const auto field = [&fields](const char* name, const auto& read) { fields.read(name, read); };
    ViewerState& view = state.view;
    field("viewpoint", [&](const json& v, const std::string& p) {
        return readInteger(v, p, 0, VIEWPOINT_COUNT - 1, view.viewpoint);
    });
    field("mode", [&](const json& v, const std::string& p) {
        if (std::string wrong = readInteger(v, p, 0, LIGHTING_MODE_COUNT - 1, view.lightingMode);
            !wrong.empty()) {
            return wrong;
        }
        for (int i = 0; i < LIGHT_COUNT; ++i) {
            state.lightOn[i] = lightEnabled(view.lightingMode, i);
        }
        return std::string();
    });
    field("angles", [&](const json& v, const std::string& p) {
        float angles[3] = {0, 0, 0};
        if (std::string wrong = readNumbers(v, p, "[x, y, z]", 3, -DBL_MAX, DBL_MAX,
                                            "a finite number of degrees", angles);
            !wrong.empty()) {
            return wrong;
        }
        view.angleX = angles[0];
        view.angleY = angles[1];
        view.angleZ = angles[2];
        return std::string();
    });
    field("size", [&](const json& v, const std::string& p) {
        if (!v.is_array() || v.size() != 2) {
            return must(p, "[width, height], 2 whole numbers", v);
        }
        int size[2] = {0, 0};
        for (int i = 0; i < 2; ++i) {
            if (std::string wrong = readInteger(v[static_cast<size_t>(i)],
                                                p + "[" + std::to_string(i) + "]", 1,
                                                MOST_STATE_PIXELS, size[i]);
                !wrong.empty()) {
                return wrong;
            }
        }
        view.windowWidth = size[0];
        view.windowHeight = size[1];
        return std::string();
    });
    field("lights", [&](const json& v, const std::string&) { return readLights(v, state); });
    field("material", [&](const json& v, const std::string&) {
        return readMaterial(v, state.setup.material);
    });
    field("global_ambient", [&](const json& v, const std::string& p) {
        return readColour(v, p, state.setup.lightModel.ambient);
    });
    field("local_viewer", [&](const json& v, const std::string& p) {
        return readBool(v, p, state.setup.lightModel.localViewer);
    });
    field("two_sided", [&](const json& v, const std::string& p) {
        return readBool(v, p, state.setup.lightModel.twoSided);
    });
    field("tessellation", [&](const json& v, const std::string&) {
        return readTessellation(v, state.tessellation);
    });
    field("shading", [&](const json& v, const std::string& p) {
        if (v == "vertex" || v == "pixel") {
            state.shading = v == "vertex" ? ShadingMode::PerVertex : ShadingMode::PerPixel;
            return std::string();
        }
        return must(p, "\"vertex\" or \"pixel\"", v);
    });
    return fields.problem;
}

std::string quotedName(const std::string& file)
{
    return "\"" + file + "\"";
}

// nlohmann's tree builder held to the limits as the parser goes (the parser
// itself does not recurse): a level past MOST_STATE_DEPTH is refused before
// it is opened, and a key that its object already has is refused by its
// path. The parser's first error is kept instead of thrown.
class LimitedTreeBuilder : public nlohmann::detail::json_sax_dom_parser<json> {
public:
    explicit LimitedTreeBuilder(json& root) : json_sax_dom_parser(root, false) {}

    bool null() { return value() && json_sax_dom_parser::null(); }
    bool boolean(bool v) { return value() && json_sax_dom_parser::boolean(v); }
    bool number_integer(json::number_integer_t v)
    {
        return value() && json_sax_dom_parser::number_integer(v);
    }
    bool number_unsigned(json::number_unsigned_t v)
    {
        return value() && json_sax_dom_parser::number_unsigned(v);
    }
    bool number_float(json::number_float_t v, const std::string& text)
    {
        return value() && json_sax_dom_parser::number_float(v, text);
    }
    bool string(std::string& v) { return value() && json_sax_dom_parser::string(v); }
    bool binary(json::binary_t& v) { return value() && json_sax_dom_parser::binary(v); }

    bool start_object(std::size_t size)
    {
        return open(false) && json_sax_dom_parser::start_object(size);
    }
    bool start_array(std::size_t size)
    {
        return open(true) && json_sax_dom_parser::start_array(size);
    }
    bool end_object()
    {
        levels_.pop_back();
        return json_sax_dom_parser::end_object();
    }
    bool end_array()
    {
        levels_.pop_back();
        return json_sax_dom_parser::end_array();
    }

    bool key(std::string& name)
    {
        Level& object = levels_.back();
        if (!object.keys.insert(name).second) {
            refusal = fieldPath(path(levels_.size() - 1), shownName(name)) + " is given twice";
            return false;
        }
        object.key = name;
        return json_sax_dom_parser::key(name);
    }

    template <class Exception>
    bool parse_error(std::size_t, const std::string&, const Exception& exception)
    {
        const std::string error = exception.what();
        const std::string::size_type tag = error.find("] ");
        std::string message = tag == std::string::npos ? error : error.substr(tag + 2);
        // It quotes all it read of the token it stopped in, which may be
        // most of the text: the quote is cut short as values are.
        const std::string opening = "last read: '";
        const std::string::size_type from = message.find(opening), to = message.rfind('\'');
        if (from != std::string::npos && to > from + opening.size() + 40) {
            message.replace(from + opening.size() + 37, to - (from + opening.size() + 37), "...");
        }
        refusal = "not JSON: " + message;
        return false;
    }

    std::string refusal;

private:
    // An open array or object: how many values the array has begun, or
    // the object's keys so far and the last one.
    struct Level {
        bool array = false;
        std::size_t values = 0;
        std::string key;
        std::set<std::string> keys;
    };

    bool value()
    {
        if (!levels_.empty() && levels_.back().array) {
            ++levels_.back().values;
        }
        return true;
    }

    bool open(bool array)
    {
        value();
        if (levels_.size() == MOST_STATE_DEPTH) {
            refusal = "the state nests arrays and objects more than " +
                      std::to_string(MOST_STATE_DEPTH) + " deep";
            return false;
        }
        levels_.push_back({array, 0, {}, {}});
        return true;
    }

    // The path of the value the first `count` levels lead to: "lights[0]".
    std::string path(std::size_t count) const
    {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            const Level& level = levels_[i];
            text = level.array ? text + "[" + std::to_string(level.values - 1) + "]"
                               : fieldPath(text, shownName(level.key));
        }
        return text;
    }

    std::vector<Level> levels_;
};

// A float as the shortest decimal that reads back as the same float, so
// that 8.59f is written 8.59; whole numbers as integers.
json written(float value)
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

json written(const float* values, int count)
{
    json array = json::array();
    for (int i = 0; i < count; ++i) {
        array.push_back(written(values[i]));
    }
    return array;
}

bool same(const float* a, const float* b, int count)
{
    return std::equal(a, a + count, b);
}

bool sameLight(const LightSetup& a, const LightSetup& b)
{
    return same(a.position, b.position, 4) && same(a.ambient, b.ambient, 4) &&
           same(a.diffuse, b.diffuse, 4) && same(a.specular, b.specular, 4) &&
           same(a.spotDirection, b.spotDirection, 3) && a.spotCutoff == b.spotCutoff &&
           a.spotExponent == b.spotExponent && same(a.attenuation, b.attenuation, 3);
}

// What of `now` differs from `was` (two sceneJson trees, or parts of them):
// an object's fields that differ, each cut down the same way; a list of
// objects (the lights) up to its last one that differs, {} for those
// before; any other value whole. Null when nothing differs.
nlohmann::ordered_json difference(const nlohmann::ordered_json& now,
                                  const nlohmann::ordered_json& was)
{
    using ordered = nlohmann::ordered_json;
    if (now == was) {
        return nullptr;
    }
    if (now.is_object() && was.is_object()) {
        ordered out = ordered::object();
        for (const auto& [key, value] : now.items()) {
            ordered part = difference(value, was.at(key));
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
            ordered part = difference(now[i], was[i]);
            out.push_back(part.is_null() ? ordered::object() : part);
        }
        while (!out.empty() && out.back().empty()) {
            out.erase(out.size() - 1);
        }
        return out;
    }
    return now;
}

}  // namespace

SceneState startingSceneState()
{
    ViewerState view{};
    view.windowWidth = 300;
    view.windowHeight = 300;
    return demoSceneState(view);
}

std::string applySceneJson(const nlohmann::json& value, SceneState& state)
{
    SceneState changed = state;
    std::string problem = readState(value, changed);
    if (problem.empty()) {
        state = changed;
    }
    return problem;
}

std::string applySceneText(const std::string& text, SceneState& state)
{
    if (text.size() > MOST_STATE_BYTES) {
        return "the state is larger than " + std::to_string(MOST_STATE_BYTES >> 20) + " MiB (" +
               std::to_string(MOST_STATE_BYTES) + " bytes)";
    }
    // nlohmann's lexer takes a NUL byte for the end of the text, and would
    // never read what follows one: a state is the whole of its text, and
    // JSON text holds no NUL byte.
    const std::string::size_type nul = text.find('\0');
    if (nul != std::string::npos) {
        return "not JSON: a NUL byte at byte " + std::to_string(nul + 1);
    }
    // Parsed without exceptions (WebAssembly builds cannot catch them); the
    // parser's own message says where the text stops being JSON. It skips
    // a byte-order mark.
    json value;
    LimitedTreeBuilder builder(value);
    if (!json::sax_parse(text, &builder) || !builder.refusal.empty()) {
        return builder.refusal;
    }
    return applySceneJson(value, state);
}

nlohmann::ordered_json sceneJson(const SceneState& state)
{
    using ordered = nlohmann::ordered_json;
    const ViewerState& view = state.view;
    const SceneSetup& setup = state.setup;
    ordered out;
    out["viewpoint"] = view.viewpoint;
    out["mode"] = view.lightingMode;
    out["angles"] = {written(view.angleX), written(view.angleY), written(view.angleZ)};
    out["size"] = {view.windowWidth, view.windowHeight};
    ordered lights = ordered::array();
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        const LightSetup& light = setup.lights[i];
        ordered one;
        one["on"] = state.lightOn[i];
        one["position"] = written(light.position, 4);
        one["ambient"] = written(light.ambient, 4);
        one["diffuse"] = written(light.diffuse, 4);
        one["specular"] = written(light.specular, 4);
        one["spot_direction"] = written(light.spotDirection, 3);
        one["spot_cutoff"] = written(light.spotCutoff);
        one["spot_exponent"] = written(light.spotExponent);
        one["attenuation"] = written(light.attenuation, 3);
        lights.push_back(one);
    }
    out["lights"] = lights;
    const MaterialSetup& m = setup.material;
    ordered diffuse;
    for (int s = 0; s < SOLID_COUNT; ++s) {
        diffuse[SOLID_KEYS[s]] = written(m.diffuse[s], 4);
    }
    out["material"] = {{"ambient", written(m.ambient, 4)},
                       {"diffuse", diffuse},
                       {"specular", written(m.specular, 4)},
                       {"emission", written(m.emission, 4)},
                       {"shininess", written(m.shininess)}};
    out["global_ambient"] = written(setup.lightModel.ambient, 4);
    out["local_viewer"] = setup.lightModel.localViewer;
    out["two_sided"] = setup.lightModel.twoSided;
    const Tessellation& t = state.tessellation;
    out["tessellation"] = {{"cube", t.cube},
                           {"sphere", {t.sphereSlices, t.sphereStacks}},
                           {"cone", {t.coneSlices, t.coneStacks}},
                           {"cylinder", {t.cylinderSlices, t.cylinderStacks}}};
    out["shading"] = state.shading == ShadingMode::PerPixel ? "pixel" : "vertex";
    return out;
}

nlohmann::ordered_json sceneChanges(const SceneState& state, const SceneState& base)
{
    // A `mode` that differs is written, and read back it sets the lights'
    // switches before their own: those are held against what it sets.
    SceneState switched = base;
    if (state.view.lightingMode != base.view.lightingMode) {
        for (int i = 0; i < LIGHT_COUNT; ++i) {
            switched.lightOn[i] = lightEnabled(state.view.lightingMode, i);
        }
    }
    const nlohmann::ordered_json changes = difference(sceneJson(state), sceneJson(switched));
    return changes.is_null() ? nlohmann::ordered_json::object() : changes;
}

bool hasDemoSetup(const SceneState& state)
{
    const SceneSetup& s = state.setup;
    const SceneSetup& demo = DEMO_SETUP;
    bool lights = true;
    for (int i = 0; i < LIGHT_COUNT; ++i) {
        lights = lights && sameLight(s.lights[i], demo.lights[i]);
    }
    bool diffuse = true;
    for (int k = 0; k < SOLID_COUNT; ++k) {
        diffuse = diffuse && same(s.material.diffuse[k], demo.material.diffuse[k], 4);
    }
    const Tessellation& t = state.tessellation;
    const Tessellation d{};
    return lights && diffuse && same(s.material.ambient, demo.material.ambient, 4) &&
           same(s.material.specular, demo.material.specular, 4) &&
           same(s.material.emission, demo.material.emission, 4) &&
           s.material.shininess == demo.material.shininess &&
           same(s.lightModel.ambient, demo.lightModel.ambient, 4) &&
           s.lightModel.localViewer == demo.lightModel.localViewer &&
           s.lightModel.twoSided == demo.lightModel.twoSided && t.cube == d.cube &&
           t.sphereSlices == d.sphereSlices && t.sphereStacks == d.sphereStacks &&
           t.coneSlices == d.coneSlices && t.coneStacks == d.coneStacks &&
           t.cylinderSlices == d.cylinderSlices && t.cylinderStacks == d.cylinderStacks &&
           state.shading == ShadingMode::PerVertex;
}

std::string readStateFile(const std::string& file, SceneState& state)
{
    // C streams: a directory or an unreadable device is an error to report,
    // never an exception.
    std::FILE* in = file == "-" ? stdin : std::fopen(file.c_str(), "rb");
    std::string text;
    int failure = in == nullptr ? errno : 0;
    if (in != nullptr) {
        // One byte past the limit is enough for the reader to refuse: an
        // endless input is never read to its end.
        char block[4096];
        for (size_t got = 1; got > 0 && text.size() <= MOST_STATE_BYTES;) {
            const size_t wanted = std::min(sizeof block, MOST_STATE_BYTES + 1 - text.size());
            got = std::fread(block, 1, wanted, in);
            text.append(block, got);
        }
        failure = std::ferror(in) ? errno : 0;
        if (in != stdin) {
            std::fclose(in);
        }
    }
    const std::string name = file == "-" ? std::string("- (standard input)") : quotedName(file);
    if (failure != 0) {
        return "--state " + name + " cannot be read: " + std::strerror(failure);
    }
    state = startingSceneState();
    const std::string problem = applySceneText(text, state);
    return problem.empty() ? problem : "--state " + name + ": " + problem;
}
