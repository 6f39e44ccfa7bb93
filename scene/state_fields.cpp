#include "scene/state_fields.h"

#include "scene/names.h"

#include <cmath>
#include <cstdio>

namespace {

// Colours: a learner's colour is a share of full intensity.
constexpr FieldRange SHARE{0, 1};
// The spot exponent and the shininess, as GL limits them.
constexpr FieldRange EXPONENT{0, 128};

// One row of the table, written as its kind and what differs from it.
struct Row {
    StateField f;

    Row& form(const char* words) { f.form = words; return *this; }
    Row& range(FieldRange r) { f.range = r; return *this; }
    Row& lastRange(FieldRange r) { f.lastRange = r; return *this; }
    Row& saying(const char* words) { f.rangeWords = words; return *this; }
    Row& step(double s) { f.step = s; return *this; }
    Row& reach(double r) { f.reach = r; return *this; }
    Row& notAllZero(const char* refusal) { f.allZero = refusal; return *this; }
    Row& named(const char* const* names) { f.names = names; return *this; }
    Row& words(const char* const* words) { f.words = words; return *this; }
    Row& then(void (*after)(SceneState&)) { f.then = after; return *this; }
    Row& is(unsigned traits) { f.traits = traits; return *this; }
    operator StateField() const { return f; }
};

Row row(const char* path, const char* label, FieldKind kind, FieldReach at)
{
    return Row{StateField{path, label, kind, at}};
}

Row colour(const char* path, const char* label, FieldReach at)
{
    return row(path, label, FieldKind::Number, at).form("[r, g, b, a]").range(SHARE).step(0.01);
}

Row cuts(const char* path, const char* label, int leastStacks, FieldReach at)
{
    return row(path, label, FieldKind::Whole, at)
        .form("[slices, stacks]")
        .range({MIN_SLICES, MAX_SLICES})
        .lastRange({static_cast<double>(leastStacks), MAX_STACKS})
        .is(FIELD_SETUP | FIELD_SURFACES);
}

// A number as a range's words give it: 8.59, 128, 0.
std::string shortNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

}  // namespace

const std::vector<StateField>& stateFields()
{
    using K = FieldKind;
    constexpr unsigned VIEW = FIELD_SURFACES;  // the view: no part of the setup
    constexpr unsigned LIGHT = FIELD_SETUP;     // a light's or the material's
    constexpr unsigned LATER = FIELD_SETUP | FIELD_WRITTEN_WHEN_SET;
    static const std::vector<StateField> fields = {
        row("viewpoint", "viewpoint", K::Whole,
            [](SceneState& s, int, int) { return placeOf(s.view.viewpoint); })
            .range({0, VIEWPOINT_COUNT - 1})
            .named(VIEWPOINT_NAMES)
            .is(VIEW),
        row("mode", "lighting mode", K::Whole,
            [](SceneState& s, int, int) { return placeOf(s.view.lightingMode); })
            .range({0, LIGHTING_MODE_COUNT - 1})
            .named(LIGHTING_MODE_NAMES)
            .then(followMode),
        row("angles", "scene turned about x, y and z, degrees", K::Number,
            [](SceneState& s, int, int e) {
                return placeOf(e == 0 ? s.view.angleX : e == 1 ? s.view.angleY : s.view.angleZ);
            })
            .form("[x, y, z]")
            .saying("a finite number of degrees")
            .reach(180)
            .is(VIEW),
        row("size", "frame size, pixels", K::Whole,
            [](SceneState& s, int, int e) {
                return placeOf(e == 0 ? s.view.windowWidth : s.view.windowHeight);
            })
            .form("[width, height]")
            .range({1, MOST_STATE_PIXELS})
            .is(VIEW),

        row("lights[].on", "light # on", K::Switch,
            [](SceneState& s, int i, int) { return placeOf(s.lightOn[i]); }),
        row("lights[].position", "light # position, w 0 for a direction", K::Number,
            [](SceneState& s, int i, int e) { return placeOf(s.setup.lights[i].position[e]); })
            .form("[x, y, z, w]")
            .step(0.1)
            .reach(20)
            .notAllZero("must be a point (w not 0) or a direction (x, y, z not all 0)")
            .is(LIGHT),
        colour("lights[].ambient", "light # ambient colour",
               [](SceneState& s, int i, int e) { return placeOf(s.setup.lights[i].ambient[e]); })
            .is(LIGHT),
        colour("lights[].diffuse", "light # diffuse colour",
               [](SceneState& s, int i, int e) { return placeOf(s.setup.lights[i].diffuse[e]); })
            .is(LIGHT),
        colour("lights[].specular", "light # specular colour",
               [](SceneState& s, int i, int e) { return placeOf(s.setup.lights[i].specular[e]); })
            .is(LIGHT),
        row("lights[].spot_direction", "light # spot direction", K::Number,
            [](SceneState& s, int i, int e) {
                return placeOf(s.setup.lights[i].spotDirection[e]);
            })
            .form("[x, y, z]")
            .step(0.01)
            .reach(1)
            .notAllZero("must be a direction (not all 0)")
            .is(LIGHT),
        // 180: no spot, a light all round.
        row("lights[].spot_cutoff", "light # spot cut-off, degrees", K::Number,
            [](SceneState& s, int i, int) { return placeOf(s.setup.lights[i].spotCutoff); })
            .range({0, 90, 180})
            .step(0.01)
            .is(LIGHT),
        row("lights[].spot_exponent", "light # spot exponent", K::Number,
            [](SceneState& s, int i, int) { return placeOf(s.setup.lights[i].spotExponent); })
            .range(EXPONENT)
            .step(0.1)
            .is(LIGHT),
        // 1 / (k0 + k1 d + k2 d^2) would divide by zero with all three 0.
        row("lights[].attenuation", "light # attenuation, constant, linear and quadratic",
            K::Number,
            [](SceneState& s, int i, int e) { return placeOf(s.setup.lights[i].attenuation[e]); })
            .form("[constant, linear, quadratic]")
            .range({0, NO_END})
            .step(0.01)
            .reach(2)
            .notAllZero("must have a factor above 0")
            .is(LIGHT),

        colour("material.ambient", "material ambient colour",
               [](SceneState& s, int, int e) { return placeOf(s.setup.material.ambient[e]); })
            .is(LIGHT),
        colour("material.diffuse.*", "material diffuse colour of the *",
               [](SceneState& s, int k, int e) { return placeOf(s.setup.material.diffuse[k][e]); })
            .is(LIGHT),
        colour("material.specular", "material specular colour",
               [](SceneState& s, int, int e) { return placeOf(s.setup.material.specular[e]); })
            .is(LIGHT),
        colour("material.emission", "material emission colour",
               [](SceneState& s, int, int e) { return placeOf(s.setup.material.emission[e]); })
            .is(LIGHT),
        row("material.shininess", "material shininess", K::Number,
            [](SceneState& s, int, int) { return placeOf(s.setup.material.shininess); })
            .range(EXPONENT)
            .step(0.5)
            .is(LIGHT),
        // What two-sided lighting lights the back faces with.
        colour("material.back.ambient", "back material ambient colour",
               [](SceneState& s, int, int e) { return placeOf(s.setup.back.ambient[e]); })
            .is(LATER),
        colour("material.back.diffuse", "back material diffuse colour",
               [](SceneState& s, int, int e) { return placeOf(s.setup.back.diffuse[e]); })
            .is(LATER),
        colour("material.back.specular", "back material specular colour",
               [](SceneState& s, int, int e) { return placeOf(s.setup.back.specular[e]); })
            .is(LATER),
        colour("material.back.emission", "back material emission colour",
               [](SceneState& s, int, int e) { return placeOf(s.setup.back.emission[e]); })
            .is(LATER),
        row("material.back.shininess", "back material shininess", K::Number,
            [](SceneState& s, int, int) { return placeOf(s.setup.back.shininess); })
            .range(EXPONENT)
            .step(0.5)
            .is(LATER),

        colour("global_ambient", "global ambient light",
               [](SceneState& s, int, int e) { return placeOf(s.setup.lightModel.ambient[e]); })
            .is(LIGHT),
        row("local_viewer", "local viewer, at the eye rather than at infinity", K::Switch,
            [](SceneState& s, int, int) { return placeOf(s.setup.lightModel.localViewer); })
            .is(LIGHT | FIELD_SURFACES),
        row("two_sided", "two-sided lighting", K::Switch,
            [](SceneState& s, int, int) { return placeOf(s.setup.lightModel.twoSided); })
            .is(LIGHT | FIELD_SURFACES),
        row("separate_specular", "separate specular colour, added after the clamp", K::Switch,
            [](SceneState& s, int, int) { return placeOf(s.setup.lightModel.separateSpecular); })
            .is(LATER),

        row("tessellation.cube", "cube faces cut N x N", K::Whole,
            [](SceneState& s, int, int) { return placeOf(s.tessellation.cube); })
            .range({1, MAX_CUBE_DIVISIONS})
            .is(FIELD_SETUP | FIELD_SURFACES),
        cuts("tessellation.sphere", "sphere slices and stacks", MIN_SPHERE_STACKS,
             [](SceneState& s, int, int e) {
                 return placeOf(e == 0 ? s.tessellation.sphereSlices : s.tessellation.sphereStacks);
             }),
        cuts("tessellation.cone", "cone slices and stacks", MIN_STACKS,
             [](SceneState& s, int, int e) {
                 return placeOf(e == 0 ? s.tessellation.coneSlices : s.tessellation.coneStacks);
             }),
        cuts("tessellation.cylinder", "cylinder slices and stacks", MIN_STACKS,
             [](SceneState& s, int, int e) {
                 return placeOf(e == 0 ? s.tessellation.cylinderSlices
                                       : s.tessellation.cylinderStacks);
             }),

        row("shading", "shading", K::Word,
            [](SceneState& s, int, int) { return placeOf(s.shading); })
            .range({0, SHADING_MODE_COUNT - 1})
            .words(SHADING_WORDS)
            .named(SHADING_NAMES)
            .is(FIELD_SETUP | FIELD_SURFACES),
        row("highlight", "highlight", K::Word,
            [](SceneState& s, int, int) { return placeOf(s.highlight); })
            .range({0, HIGHLIGHT_COUNT - 1})
            .words(HIGHLIGHT_WORDS)
            .named(HIGHLIGHT_NAMES)
            .is(LATER),
    };
    return fields;
}

const std::vector<FieldGroup>& fieldGroups()
{
    static const std::vector<FieldGroup> groups = {
        {"", "one JSON object"},
        {"lights", "an array of at most " + std::to_string(MAX_LIGHTS) + " lights"},
        {"lights[]", "an object with the light's fields"},
        {"material", "an object with the material's fields"},
        {"material.diffuse", "an object with the solids' colours"},
        {"material.back", "an object with the back material's fields"},
        {"tessellation", "an object with the solids' counts"},
    };
    return groups;
}

int StateField::count() const
{
    int values = 1;
    for (const char* c = form; c != nullptr && *c != '\0'; ++c) {
        values += *c == ',' ? 1 : 0;
    }
    return values;
}

bool StateField::ofEachLight() const
{
    return std::string(path).find("[]") != std::string::npos;
}

int StateField::items() const
{
    return ofEachLight()                                 ? MAX_LIGHTS
           : std::string(path).find('*') != std::string::npos ? SOLID_COUNT
                                                               : 1;
}

const FieldRange& StateField::rangeOf(int element) const
{
    return element == count() - 1 && lastRange.min <= lastRange.max ? lastRange : range;
}

std::string StateField::rangeText(int element) const
{
    const FieldRange& r = rangeOf(element);
    if (rangeWords != nullptr) {
        return rangeWords;
    }
    if (r.min == -NO_END) {
        return "a finite number";
    }
    if (r.max == NO_END) {
        return "a finite number, at least " + shortNumber(r.min);
    }
    return shortNumber(r.min) + " to " + shortNumber(r.max) +
           (std::isnan(r.also) ? "" : ", or " + shortNumber(r.also));
}

double fieldValue(const StateField& field, const SceneState& state, int item, int element)
{
    // Only read: the table's one way to a value serves both.
    const FieldPlace at = field.at(const_cast<SceneState&>(state), item, element);
    return at.number    ? static_cast<double>(*at.number)
           : at.whole   ? *at.whole
           : at.flag    ? (*at.flag ? 1 : 0)
           : at.shading ? static_cast<int>(*at.shading)
                        : static_cast<int>(*at.highlight);
}

void setFieldValue(const StateField& field, SceneState& state, int item, int element,
                   double value)
{
    const FieldPlace at = field.at(state, item, element);
    if (at.number) {
        *at.number = static_cast<float>(value);
    } else if (at.whole) {
        *at.whole = static_cast<std::int32_t>(value);
    } else if (at.flag) {
        *at.flag = value != 0;
    } else if (at.shading) {
        *at.shading = static_cast<ShadingMode>(static_cast<int>(value));
    } else {
        *at.highlight = static_cast<Highlight>(static_cast<int>(value));
    }
}

std::string fieldLabel(const StateField& field, int item)
{
    std::string label;
    for (const char* c = field.label; *c != '\0'; ++c) {
        label += *c == '#'   ? std::to_string(item)
                 : *c == '*' ? std::string(SOLID_NAMES[item])
                             : std::string(1, *c);
    }
    return label;
}

bool sameFields(const SceneState& a, const SceneState& b, unsigned traits)
{
    if ((traits & FIELD_SETUP) != 0 && a.setup.lightCount != b.setup.lightCount) {
        return false;
    }
    for (const StateField& field : stateFields()) {
        if ((field.traits & traits) == 0) {
            continue;
        }
        for (int item = 0; item < field.items(); ++item) {
            for (int e = 0; e < field.count(); ++e) {
                if (fieldValue(field, a, item, e) != fieldValue(field, b, item, e)) {
                    return false;
                }
            }
        }
    }
    return true;
}

bool hasDemoSetup(const SceneState& state)
{
    return sameFields(state, demoSceneState(state.view), FIELD_SETUP);
}
