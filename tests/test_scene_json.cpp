// The scene state as JSON, without GL: each fault refused with its field's
// path and the state left as it was, fields merged as the format says, what
// is written read back as the same state; and the model's copy of the
// demo's values held against render/'s table.
#include "explain/explanation.h"
#include "scene/state_json.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string dumped(const SceneState& state)
{
    return sceneJson(state).dump();
}

// A state with something of every kind changed, so that a refused change
// that slipped through would show.
SceneState changedState()
{
    SceneState state = startingSceneState();
    const std::string problem = applySceneText(
        std::string(R"({"viewpoint": 2, "mode": 3, "angles": [10, -20.5, 0.1], "size": [640, 480],
            "lights": [{"position": [1, 2, 3, 2], "attenuation": [0.5, 0.25, 0]}, {"on": false},
                       {"spot_exponent": 8, "spot_cutoff": 30}],
            "material": {"shininess": 0, "diffuse": {"cone": [0.5, 0.5, 1, 1]}},
            "global_ambient": [0, 0.1, 0, 1], "two_sided": true,
            "tessellation": {"cube": 4, "sphere": [12, 6]}, "shading": "pixel"})"),
        state);
    EXPECT_EQ(problem, "");
    return state;
}

TEST(SceneJson, RefusesEachFaultNamingItsFieldAndKeepsTheState)
{
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {R"({"mode": 1,)", "not JSON: parse error at line 1, column 12"},
        {R"([1, 2])", "the state must be one JSON object, not [1,2]"},
        {R"({"mode": 1, "colour": 1})", "unknown field colour"},
        {R"({"lights": [{"colour": [1, 0, 0, 1]}]})", "unknown field lights[0].colour"},
        {R"({"material": {"diffuse": {"torus": [1, 0, 0, 1]}}})",
         "unknown field material.diffuse.torus"},
        {R"({"viewpoint": 3})", "viewpoint must be a whole number 0 to 2, not 3"},
        {R"({"mode": -1})", "mode must be a whole number 0 to 3, not -1"},
        {R"({"mode": 1.5})", "mode must be a whole number 0 to 3, not 1.5"},
        {R"({"mode": "1"})", "mode must be a whole number, 0 to 3, not \"1\""},
        {R"({"angles": [0, null, 0]})",
         "angles[1] must be a number, a finite number of degrees, not null"},
        {R"({"angles": [0, 0, 1e39]})", "angles[2] must be a finite number of degrees, not 1e+39"},
        {R"({"angles": [0, 0]})", "angles must be [x, y, z], 3 numbers, not [0,0]"},
        {R"({"size": [0, 300]})", "size[0] must be a whole number 1 to 4096, not 0"},
        {R"({"size": [300, 4097]})", "size[1] must be a whole number 1 to 4096, not 4097"},
        {R"({"lights": [{}, {}, {}, {}, {}, {}, {}, {}, {}]})",
         "lights must be an array of at most 8 lights, not [{},{},{},{},{},{},{},{},{}]"},
        {R"({"lights": [null]})", "lights[0] must be an object with the light's fields, not null"},
        {R"({"lights": [{"on": 1}]})", "lights[0].on must be true or false, not 1"},
        {R"({"lights": [{}, {}, {"spot_cutoff": 95}]})",
         "lights[2].spot_cutoff must be 0 to 90, or 180, not 95"},
        {R"({"lights": [{"spot_cutoff": -0.5}]})",
         "lights[0].spot_cutoff must be 0 to 90, or 180, not -0.5"},
        {R"({"lights": [{"spot_cutoff": 180.5}]})",
         "lights[0].spot_cutoff must be 0 to 90, or 180, not 180.5"},
        {R"({"lights": [{"spot_exponent": 128.5}]})",
         "lights[0].spot_exponent must be 0 to 128, not 128.5"},
        {R"({"lights": [{"spot_exponent": -1}]})", "lights[0].spot_exponent must be 0 to 128, not -1"},
        {R"({"lights": [{"spot_direction": [0, 0, 0]}]})",
         "lights[0].spot_direction must be a direction (not all 0), not [0,0,0]"},
        {R"({"lights": [{"spot_direction": [0, 1e-50, 0]}]})",
         "lights[0].spot_direction must be a direction (not all 0), not [0,1e-50,0]"},
        {R"({"lights": [{"position": [0, 0, 0, 0]}]})",
         "lights[0].position must be a point (w not 0) or a direction (x, y, z not all 0), not "
         "[0,0,0,0]"},
        {R"({"lights": [{}, {"attenuation": [0, 0, 0]}]})",
         "lights[1].attenuation must have a factor above 0, not [0,0,0]"},
        {R"({"lights": [{"attenuation": [1, -0.1, 0]}]})",
         "lights[0].attenuation[1] must be a finite number, at least 0, not -0.1"},
        {R"({"lights": [{"ambient": [1.5, 0, 0, 1]}]})", "lights[0].ambient[0] must be 0 to 1, not 1.5"},
        {R"({"lights": [{"diffuse": [0, 0, 0, -0.01]}]})",
         "lights[0].diffuse[3] must be 0 to 1, not -0.01"},
        {R"({"material": {"shininess": 128.01}})", "material.shininess must be 0 to 128, not 128.01"},
        {R"({"material": {"emission": [0, 0, 0]}})",
         "material.emission must be [r, g, b, a], 4 numbers, not [0,0,0]"},
        {R"({"global_ambient": [0, 0, 1.01, 1]})", "global_ambient[2] must be 0 to 1, not 1.01"},
        {R"({"local_viewer": "yes"})", "local_viewer must be true or false, not \"yes\""},
        {R"({"tessellation": {"cube": 65}})", "tessellation.cube must be a whole number 1 to 64, not 65"},
        {R"({"tessellation": {"sphere": [72, 1]}})",
         "tessellation.sphere[1] must be a whole number 2 to 256, not 1"},
        {R"({"tessellation": {"cylinder": [240, 1]}})",
         "tessellation.cylinder[0] must be a whole number 3 to 239, not 240"},
        {R"({"shading": "gouraud"})", "shading must be \"vertex\", \"pixel\" or \"flat\", not \"gouraud\""},
        {R"({"mode": 1, "viewpoint": 2, "mode": 3})", "mode is given twice"},
        {R"({"lights": [{"\n": 1, "\n": 2}]})", R"(lights[0]."\n" is given twice)"},
        {R"({"a b\u0001": 1})", R"(unknown field "a b\u0001")"},
        {R"({"mode": 1} x)", "not JSON: parse error at line 1, column 13"},
        {std::string("{\"mode\": 1}\0 x", 14), "not JSON: a NUL byte at byte 12"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SceneState state = changedState();
        const std::string before = dumped(state);
        const std::string problem = applySceneText(c.text, state);
        EXPECT_EQ(problem.substr(0, std::string(c.message).size()), c.message);
        EXPECT_EQ(dumped(state), before);
    }
}

TEST(SceneJson, ModeSwitchesTheLightsAndAPartialLightChangesOnlyItsFields)
{
    SceneState state = startingSceneState();
    ASSERT_EQ(applySceneText(std::string(R"({"lights": [{"on": false}, {"diffuse": [1, 0, 0, 1]}],
                                             "mode": 3})"),
                             state),
              "");
    // Mode 3 switches all three on; the light's own switch comes after.
    EXPECT_FALSE(state.lightOn[0]);
    EXPECT_TRUE(state.lightOn[1]);
    EXPECT_TRUE(state.lightOn[2]);
    const LightSetup& cyan = state.setup.lights[1];
    EXPECT_EQ(cyan.diffuse[0], 1.0f);
    EXPECT_EQ(cyan.diffuse[1], 0.0f);
    EXPECT_EQ(cyan.specular[1], DEMO_SETUP.lights[1].specular[1]);
    EXPECT_EQ(cyan.position[0], DEMO_SETUP.lights[1].position[0]);
    ASSERT_EQ(applySceneText(std::string(R"({"mode": 1})"), state), "");
    EXPECT_FALSE(state.lightOn[0] || state.lightOn[2]);
}

TEST(SceneJson, WrittenStateReadsBackAsTheSameStateWithFloatsAsGiven)
{
    const SceneState changed = changedState();
    SceneState read = startingSceneState();
    ASSERT_EQ(applySceneText(sceneJson(changed).dump(), read), "");
    EXPECT_EQ(dumped(read), dumped(changed));
    EXPECT_EQ(read.view.angleY, -20.5f);
    EXPECT_EQ(read.view.angleZ, 0.1f);
    EXPECT_EQ(read.tessellation.sphereSlices, 12);
    EXPECT_EQ(read.shading, ShadingMode::PerPixel);
    // The spotlight's float cut-off is written as it was given.
    EXPECT_EQ(sceneJson(startingSceneState())["lights"][2]["spot_cutoff"].dump(), "8.59");
    EXPECT_EQ(sceneJson(changed)["angles"].dump(), "[10,-20.5,0.1]");
    // Just below FLT_MAX: written 3.4028235e+38, above FLT_MAX as a double.
    ASSERT_EQ(applySceneText(std::string(R"({"angles": [3.4028234663582886e38, 0, 0]})"), read), "");
    EXPECT_EQ(applySceneText(sceneJson(read).dump(), read), "");
}

// A light beyond the state's starts as OpenGL starts GL_LIGHT1 to
// GL_LIGHT7, and stays when a file names fewer; the fields the format
// gained are written where they are set, and a state without them is
// written as it always was.
TEST(SceneJson, MoreLightsStartAsGlsAndTheNewFieldsAreWrittenWhereSet)
{
    SceneState state = startingSceneState();
    const std::string demo = dumped(state);
    ASSERT_EQ(applySceneText(R"({"separate_specular": false, "highlight": "blinn", "shading": "vertex",
        "lights": [{}, {}, {}], "material": {"back": {"ambient": [0.2, 0.2, 0.2, 1], "shininess": 0}}})", state), "");
    EXPECT_EQ(dumped(state), demo);
    EXPECT_EQ(everyFieldJson(state)["material"]["back"].dump(),
              R"({"ambient":[0.2,0.2,0.2,1],"diffuse":[0.8,0.8,0.8,1],"specular":[0,0,0,1],)"
              R"("emission":[0,0,0,1],"shininess":0})");
    ASSERT_EQ(applySceneText(R"({"lights": [{}, {}, {}, {}, {"on": true, "diffuse": [1, 0, 0, 1]}],
        "material": {"back": {"shininess": 5}}})", state), "");
    ASSERT_EQ(applySceneText(R"({"lights": [{"on": false}]})", state), "");
    const nlohmann::ordered_json written = sceneJson(state);
    ASSERT_EQ(written["lights"].size(), 5u);
    EXPECT_EQ(written["lights"][3].dump(),
              R"({"on":false,"position":[0,0,1,0],"ambient":[0,0,0,1],"diffuse":[0,0,0,1],)"
              R"("specular":[0,0,0,1],"spot_direction":[0,0,-1],"spot_cutoff":180,"spot_exponent":0,)"
              R"("attenuation":[1,0,0]})");
    EXPECT_EQ(written["lights"][4]["on"], true);
    EXPECT_EQ(written["lights"][0]["on"], false);
    EXPECT_EQ(written["material"]["back"].dump(), R"({"shininess":5})");
    EXPECT_FALSE(sameFields(state, startingSceneState(), FIELD_SETUP));
    SceneState read = startingSceneState();
    ASSERT_EQ(applySceneJson(written, read), "");
    EXPECT_EQ(dumped(read), dumped(state));
}

// The fields that differ, read back onto the base, give the state again;
// a state one field away writes that field alone.
TEST(SceneJson, ChangesReadBackOntoTheirBase)
{
    const SceneState start = startingSceneState();
    const struct {
        const char* text;
        const char* changes;  // against the demo's values, or "" for any
    } cases[] = {
        {"{}", "{}"},
        {R"({"mode": 2})", R"({"mode":2})"},
        {R"({"mode": 2, "lights": [{"on": true}]})", R"({"mode":2,"lights":[{"on":true}]})"},
        {R"({"lights": [{}, {}, {"spot_cutoff": 20}], "material": {"diffuse": {"cone": [1, 1, 1, 1]}}})",
         R"({"lights":[{},{},{"spot_cutoff":20}],"material":{"diffuse":{"cone":[1,1,1,1]}}})"},
        {R"({"angles": [0, 0.1, 0], "tessellation": {"sphere": [8, 72]}})",
         R"({"angles":[0,0.1,0],"tessellation":{"sphere":[8,72]}})"},
        {R"({"material": {"back": {"shininess": 5}}, "separate_specular": true, "highlight": "phong"})",
         R"({"material":{"back":{"shininess":5}},"separate_specular":true,"highlight":"phong"})"},
        {nullptr, ""},  // changedState()
    };
    for (const auto& c : cases) {
        SceneState state = start;
        if (c.text) {
            ASSERT_EQ(applySceneText(c.text, state), "") << c.text;
        } else {
            state = changedState();
        }
        const nlohmann::ordered_json changes = sceneChanges(state, start);
        if (*c.changes) {
            EXPECT_EQ(changes.dump(), c.changes);
        }
        // Onto the demo's values, and onto the changed state the other way.
        SceneState read = start;
        ASSERT_EQ(applySceneJson(changes, read), "") << changes.dump();
        EXPECT_EQ(dumped(read), dumped(state)) << changes.dump();
        SceneState back = state;
        ASSERT_EQ(applySceneJson(sceneChanges(start, state), back), "");
        EXPECT_EQ(dumped(back), dumped(start));
    }
}

// `value` at `path` (the exported keys) of a state that is the demo's
// elsewhere: {"lights": [{}, {}, {"spot_cutoff": 95}]}.
nlohmann::json stateWith(const nlohmann::json& path, size_t at, const nlohmann::json& value)
{
    if (at == path.size()) {
        return value;
    }
    if (path[at].is_number()) {
        nlohmann::json list(path[at].get<size_t>() + 1, nlohmann::json::object());
        list.back() = stateWith(path, at + 1, value);
        return list;
    }
    return {{path[at].get<std::string>(), stateWith(path, at + 1, value)}};
}

// Every range the reader takes is the exported table's: each value is read
// at the ends of its range and at the value beyond it, and refused just
// outside them; and the table names every field the writer writes.
TEST(SceneJson, TheExportedTableHoldsEveryRangeTheReaderTakes)
{
    const nlohmann::ordered_json table = stateFieldsJson();
    const nlohmann::ordered_json written = everyFieldJson(startingSceneState());
    size_t leaves = 0;
    const auto count = [&leaves](const auto& self, const nlohmann::ordered_json& v) -> void {
        if (v.is_object() || (v.is_array() && !v.empty() && v[0].is_object())) {
            for (const auto& item : v) {
                self(self, item);
            }
        } else {
            ++leaves;
        }
    };
    count(count, written);
    ASSERT_EQ(table["fields"].size(), leaves);
    for (const auto& field : table["fields"]) {
        const std::string name = field["name"];
        SCOPED_TRACE(name);
        const nlohmann::json& keys = field["path"];
        nlohmann::ordered_json demo = written;
        for (const auto& key : keys) {
            demo = key.is_number() ? demo.at(key.get<size_t>()) : demo.at(key.get<std::string>());
        }
        const bool array = field.contains("parts");
        // Each value tried with the others at the demo's, or at 1 where
        // zeros are refused.
        const auto reads = [&](size_t element, const nlohmann::json& value) {
            nlohmann::json given = demo;
            if (field.contains("not_all_zero")) {
                std::fill(given.begin(), given.end(), 1);
            }
            (array ? given[element] : given) = value;
            SceneState state = startingSceneState();
            return applySceneJson(stateWith(keys, 0, given), state).empty();
        };
        const std::string kind = field["kind"];
        for (size_t e = 0; e < field["values"].size(); ++e) {
            const auto& v = field["values"][e];
            EXPECT_EQ(array ? demo[e] : demo, v["demo"]);
            if (kind == "switch") {
                EXPECT_TRUE(reads(e, true) && reads(e, false) && !reads(e, 0));
                continue;
            }
            if (kind == "word") {
                for (const auto& choice : field["choices"]) {
                    EXPECT_TRUE(reads(e, choice["value"])) << choice;
                }
                EXPECT_FALSE(reads(e, "none"));
                continue;
            }
            const double beyond = kind == "whole" ? 1 : 1e-3;
            for (const char* end : {"min", "max"}) {
                const double sign = std::string(end) == "min" ? -1 : 1;
                if (v[end].is_null()) {
                    EXPECT_TRUE(reads(e, sign * 1e30)) << end;
                    continue;
                }
                EXPECT_TRUE(reads(e, v[end])) << end;
                const bool gap = !v["also"].is_null() && sign > 0;
                EXPECT_FALSE(reads(e, v[end].get<double>() + sign * beyond)) << end;
                if (gap) {
                    EXPECT_TRUE(reads(e, v["also"]));
                    EXPECT_FALSE(reads(e, v["also"].get<double>() + beyond));
                }
            }
        }
        if (field.contains("not_all_zero")) {
            SceneState state = startingSceneState();
            const std::string refusal = applySceneJson(
                stateWith(keys, 0, nlohmann::json(field["values"].size(), 0)), state);
            EXPECT_EQ(refusal.rfind(field["not_all_zero"].get<std::string>(), 0), 0u) << refusal;
        }
    }
}

// render/'s table of the demo and the model's own copy of it.
TEST(ModelTable, DemoLightingIsRendersTable)
{
    for (int mode = 0; mode < LIGHTING_MODE_COUNT; ++mode) {
        ViewerState view{300, 300, mode, 0, 0, 0, 0, 0};
        const LightingSetup fromRender = lightingOf(demoSceneState(view));
        const LightingSetup model = demoLighting(mode);
        const auto same = [](double a, double b) { return static_cast<float>(a) == static_cast<float>(b); };
        const auto sameColour = [&](Colour a, Colour b) {
            return same(a.r, b.r) && same(a.g, b.g) && same(a.b, b.b);
        };
        for (int i = 0; i < MODEL_LIGHT_COUNT; ++i) {
            SCOPED_TRACE("light " + std::to_string(i));
            const ModelLight& a = fromRender.lights[i];
            const ModelLight& b = model.lights[i];
            EXPECT_EQ(fromRender.on[i], model.on[i]);
            for (int k = 0; k < 4; ++k) {
                EXPECT_TRUE(same(a.position[k], b.position[k]));
            }
            EXPECT_TRUE(sameColour(a.ambient, b.ambient) && sameColour(a.diffuse, b.diffuse) &&
                        sameColour(a.specular, b.specular));
            EXPECT_TRUE(same(a.spotCutoff, b.spotCutoff) && same(a.spotExponent, b.spotExponent));
            EXPECT_TRUE(!a.isSpot() || (same(a.spotDirection.x, b.spotDirection.x) &&
                                        same(a.spotDirection.y, b.spotDirection.y) &&
                                        same(a.spotDirection.z, b.spotDirection.z)));
            for (int k = 0; k < 3; ++k) {
                EXPECT_TRUE(same(a.attenuation[k], b.attenuation[k]));
            }
        }
        for (int s = 0; s < 4; ++s) {
            const Material& a = fromRender.front[s];
            const Material& b = model.front[s];
            EXPECT_TRUE(sameColour(a.ambient, b.ambient) && sameColour(a.diffuse, b.diffuse) &&
                        sameColour(a.specular, b.specular) && sameColour(a.emission, b.emission) &&
                        same(a.shininess, b.shininess))
                << "solid " << s;
        }
        EXPECT_TRUE(sameColour(fromRender.globalAmbient, model.globalAmbient));
        EXPECT_EQ(fromRender.localViewer, model.localViewer);
        EXPECT_EQ(fromRender.twoSided, model.twoSided);
    }
    const BackMaterialSetup& back = GL_DEFAULT_MATERIAL;
    const Material& model = OPENGL_INITIAL_MATERIAL;
    EXPECT_TRUE(static_cast<float>(model.ambient.r) == back.ambient[0] &&
                static_cast<float>(model.diffuse.g) == back.diffuse[1] &&
                static_cast<float>(model.specular.b) == back.specular[2] &&
                static_cast<float>(model.shininess) == back.shininess);
}

}  // namespace
