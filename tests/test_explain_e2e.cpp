// materials-lights-explain run as a real program: refused command lines,
// no display, help, its JSON, and the explained pixels of docs/explain.md
// being what it prints today.
#include "tests/support/program_run.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace {

const std::string EXPLAIN = ML_EXPLAIN_PATH;
const std::string SOURCE_DIR = ML_SOURCE_DIR;
const std::string PROGRAM = "materials-lights-explain";

void expectOneLineNaming(const ProgramRun& r, const std::string& named)
{
    EXPECT_EQ(r.err.rfind(PROGRAM + ": ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

// ---------------------------------------------------------- refused requests

struct Refusal {
    const char* name;
    std::vector<std::string> args;
    const char* named;
};

const std::vector<std::string> STATE = {"--viewpoint", "0", "--mode", "2"};

std::vector<std::string> withState(std::vector<std::string> args)
{
    args.insert(args.begin(), STATE.begin(), STATE.end());
    return args;
}

const Refusal REFUSALS[] = {
    {"no_arguments", {}, "--viewpoint"},
    {"missing_pixel", withState({}), "--pixel"},
    {"missing_mode", {"--viewpoint", "0", "--pixel", "1,1"}, "--mode"},
    {"column_past_the_frame", withState({"--pixel", "300,5"}),
     "--pixel 300,5 is outside the 300x300"},
    {"row_past_the_frame", withState({"--pixel", "5,300"}), "--pixel 5,300 is outside"},
    {"negative_column", withState({"--pixel", "-1,5"}), "--pixel -1,5 is outside"},
    {"past_a_smaller_frame", withState({"--size", "120x80", "--pixel", "100,80"}),
     "outside the 120x80 frame"},
    {"one_number", withState({"--pixel", "150"}), "--pixel must be X,Y"},
    {"three_numbers", withState({"--pixel", "1,2,3"}), "\"1,2,3\""},
    {"words", withState({"--pixel", "left,top"}), "\"left,top\""},
    {"fraction", withState({"--pixel", "1.5,2"}), "\"1.5,2\""},
    {"missing_row", withState({"--pixel", "5,"}), "\"5,\""},
    {"leading_space", withState({"--pixel", " 5,5"}), "--pixel must be X,Y"},
    {"empty", withState({"--pixel="}), "--pixel must be X,Y"},
    {"beyond_int", withState({"--pixel", "99999999999,1"}), "--pixel must be X,Y"},
    {"value_missing_at_end", withState({"--pixel"}), "--pixel needs a value"},
    {"json_with_a_value", withState({"--pixel", "1,1", "--json=yes"}), "--json takes no value"},
    {"json_twice", withState({"--pixel", "1,1", "--json", "--json"}), "--json is given more"},
    {"unknown_option", withState({"--pixel", "1,1", "--output", "x.png"}), "\"--output\""},
    {"stray_argument", withState({"--pixel", "1,1", "extra"}), "\"extra\""},
    {"mode_out_of_range", {"--viewpoint", "0", "--mode", "4", "--pixel", "1,1"}, "--mode"},
    {"size_zero", withState({"--size", "0x300", "--pixel", "1,1"}), "--size"},
};

void PrintTo(const Refusal& r, std::ostream* os)
{
    *os << r.name;
}

class ExplainRefuses : public ::testing::TestWithParam<Refusal> {};

// Without a display: every one of these is refused before the tool looks
// for one.
TEST_P(ExplainRefuses, WithStatus2AndOneLineNamingTheProblem)
{
    const ProgramRun r = runProgram(EXPLAIN, GetParam().args);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 2) << r.err;
    expectOneLineNaming(r, GetParam().named);
}

INSTANTIATE_TEST_SUITE_P(Options, ExplainRefuses, ::testing::ValuesIn(REFUSALS),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExplainRefuses, NoDisplayWithStatus1AndTheCaptureToolsMessage)
{
    for (const char* display : {"", ":4271"}) {
        SCOPED_TRACE(display);
        const ProgramRun r = runProgram(EXPLAIN, withState({"--pixel", "1,1"}), display);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 1) << r.err;
        expectOneLineNaming(r, "no X display to draw on");
        EXPECT_NE(r.err.find("xvfb-run"), std::string::npos) << r.err;
    }
}

TEST(ExplainRefuses, FrameBeyondTheGlWithStatus2)
{
    XvfbServer server;
    const ProgramRun r = runProgram(
        EXPLAIN, withState({"--size", "100000x300", "--pixel", "1,1"}), server.display());
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 2) << r.err;
    expectOneLineNaming(r, "--size 100000x300 is beyond what this OpenGL can draw");
}

TEST(ExplainHelp, PrintsUsageAndExits0WithoutADisplay)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"-h"}, {"--pixel", "bad", "--help"}}) {
        SCOPED_TRACE(args.front());
        const ProgramRun r = runProgram(EXPLAIN, args);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind("Usage: materials-lights-explain ", 0), 0u) << r.out;
        for (const char* option :
             {"--viewpoint", "--mode", "--angles", "--size", "--pixel", "--json", "xvfb-run"}) {
            EXPECT_NE(r.out.find(option), std::string::npos) << option;
        }
    }
}

// ------------------------------------------------------------------- output

TEST(ExplainOutput, TextAndJsonTellTheSamePixel)
{
    XvfbServer server;
    const std::vector<std::string> args = {"--viewpoint", "1", "--mode", "3", "--angles",
                                           "0,20,0",      "--size", "240x200", "--pixel",
                                           "158,140"};
    const ProgramRun text = runProgram(EXPLAIN, args, server.display());
    std::vector<std::string> jsonArgs = args;
    jsonArgs.push_back("--json");
    const ProgramRun json = runProgram(EXPLAIN, jsonArgs, server.display());
    ASSERT_EQ(text.status, 0) << text.err;
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(text.err + json.err, "");

    const nlohmann::json j = nlohmann::json::parse(json.out);
    EXPECT_EQ(j["pixel"], nlohmann::json({158, 140}));
    EXPECT_EQ(j["state"]["size"], nlohmann::json({240, 200}));
    ASSERT_TRUE(j["surface"].is_object()) << json.out;
    for (const char* field : {"solid", "point", "normal", "part"}) {
        EXPECT_TRUE(j["surface"].contains(field)) << field;
    }
    ASSERT_EQ(j["lights"].size(), 3u);
    for (const auto& light : j["lights"]) {
        EXPECT_TRUE(light["on"].get<bool>());
        for (const char* field : {"n_dot_l", "diffuse", "specular"}) {
            EXPECT_TRUE(light.contains(field)) << field;
        }
    }
    EXPECT_EQ(j["surface"]["solid"], "sphere");
    EXPECT_TRUE(j["lights"][2].contains("spot"));
    EXPECT_EQ(j["equation"].size(), 3u);
    ASSERT_EQ(j["vertices"].size(), 3u);
    for (const auto& vertex : j["vertices"]) {
        EXPECT_EQ(vertex["window"].size(), 3u);
        EXPECT_EQ(vertex["colour"].size(), 3u);
    }
    EXPECT_EQ(j["interpolated"].size(), 3u);
    EXPECT_FALSE(j["verdict"].get<std::string>().empty());

    // The text names the same solid, drawn colour and verdict.
    const std::string drawn = "(" + std::to_string(j["drawn"][0].get<int>()) + ", " +
                              std::to_string(j["drawn"][1].get<int>()) + ", " +
                              std::to_string(j["drawn"][2].get<int>()) + ")";
    EXPECT_NE(text.out.find("  drawn         " + drawn), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(j["surface"]["solid"].get<std::string>()), std::string::npos);
    EXPECT_NE(text.out.find("Verdict: " + j["verdict"].get<std::string>()), std::string::npos);
}

// --------------------------------------------------------- docs/explain.md

struct ReadmeExample {
    std::vector<std::string> args;
    std::string shown;
};

// The blocks of docs/explain.md's "Why a pixel has its colour" section that
// start with "$ materials-lights-explain": the command and what it printed.
std::vector<ReadmeExample> readmeExamples()
{
    std::ifstream readme(SOURCE_DIR + "/docs/explain.md");
    std::vector<ReadmeExample> examples;
    bool inSection = false, inBlock = false;
    ReadmeExample* current = nullptr;
    for (std::string line; std::getline(readme, line);) {
        if (line.rfind("## ", 0) == 0) {
            inSection = line == "## Why a pixel has its colour";
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (line.rfind("```", 0) == 0) {
            inBlock = !inBlock;
            current = nullptr;
            continue;
        }
        if (!inBlock) {
            continue;
        }
        if (current == nullptr && line.rfind("$ " + PROGRAM + " ", 0) == 0) {
            examples.emplace_back();
            current = &examples.back();
            std::istringstream words(line.substr(2 + PROGRAM.size()));
            for (std::string word; words >> word;) {
                current->args.push_back(word);
            }
        } else if (current != nullptr) {
            current->shown += line + "\n";
        }
    }
    return examples;
}

TEST(Readme, ExplainedPixelsAreWhatTheToolPrintsNow)
{
    const std::vector<ReadmeExample> examples = readmeExamples();
    ASSERT_EQ(examples.size(), 3u) << "docs/explain.md's section names three explained pixels";
    XvfbServer server;
    for (const ReadmeExample& example : examples) {
        std::string command;
        for (const std::string& arg : example.args) {
            command += " " + arg;
        }
        SCOPED_TRACE(command);
        const ProgramRun r = runProgram(EXPLAIN, example.args, server.display());
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, example.shown)
            << "docs/explain.md is out of date: run materials-lights-explain" << command;
    }
}

}  // namespace

// ------------------------------------------------------------- state files

namespace {

const std::string CAPTURE = ML_CAPTURE_PATH;

struct StateRefusal {
    const char* name;
    const char* text;  // the file's text; null: the file is not there
    std::vector<std::string> more;
    const char* named;
};

const StateRefusal STATE_REFUSALS[] = {
    {"not_json", R"({"mode": )", {}, "not JSON: parse error"},
    {"unknown_field", R"({"mode": 1, "colour": 1})", {}, "unknown field colour"},
    {"wrong_type", R"({"lights": [{"on": "yes"}]})", {}, "lights[0].on must be true or false"},
    {"nan_as_null", R"({"angles": [null, 0, 0]})", {}, "angles[0] must be a number"},
    {"cutoff_past_90", R"({"lights": [{}, {}, {"spot_cutoff": 90.5}]})", {},
     "lights[2].spot_cutoff must be 0 to 90, or 180, not 90.5"},
    {"zero_spot_direction", R"({"lights": [{"spot_direction": [0, 0, 0]}]})", {},
     "lights[0].spot_direction"},
    {"size_past_4096", R"({"size": [4097, 10]})", {}, "size[0] must be a whole number 1 to 4096"},
    {"missing_file", nullptr, {}, "cannot be read: No such file"},
    {"with_mode", R"({})", {"--mode", "1"}, "--mode cannot go with --state"},
    {"pixel_shading_fixed", R"({"shading": "pixel"})", {"--renderer", "fixed"},
     "shades per pixel, which only --renderer shader draws"},
    {"phong_fixed", R"({"highlight": "phong"})", {}, "takes Phong's highlight, which only"},
};

void PrintTo(const StateRefusal& r, std::ostream* os)
{
    *os << r.name;
}

class StateFileRefused : public ::testing::TestWithParam<StateRefusal> {};

// Both tools, without a display: refused before they look for one, with
// one line naming the file and the problem, and no picture written.
TEST_P(StateFileRefused, ByBothToolsWithStatus2AndOneLine)
{
    const StateRefusal& c = GetParam();
    TempDir dir;
    const std::string file = dir / "state.json";
    if (c.text != nullptr) {
        writeText(file, c.text);
    }
    for (const auto& [tool, last] :
         {std::pair<std::string, std::vector<std::string>>{EXPLAIN, {"--pixel", "1,1"}},
          {CAPTURE, {"--output", dir / "out.png"}}}) {
        std::vector<std::string> args = {"--state", file};
        args.insert(args.end(), c.more.begin(), c.more.end());
        args.insert(args.end(), last.begin(), last.end());
        const ProgramRun r = runProgram(tool, args);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
        const bool namesFile = r.err.find(file) != std::string::npos;
        EXPECT_TRUE(namesFile || (!c.more.empty() && c.more[0] == "--mode")) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(dir.entries().count("out.png"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, StateFileRefused, ::testing::ValuesIn(STATE_REFUSALS),
                         [](const auto& info) { return std::string(info.param.name); });

// Hostile states and the limits' edges: past a limit, a refusal at once in bounded memory;
// within it (1 MiB exactly, depth 16, a byte-order mark) the text is read and its bad field
// refused. "-": standard input, an endless pipe.
std::string nested(int depth)  // the object, `lights` and arrays in it
{
    return "{\"lights\":" + std::string(depth - 1, '[') + std::string(depth - 1, ']') + "}";
}

TEST(StateLimits, BothToolsRefuseHostileStatesQuicklyInBoundedMemory)
{
    const std::string bad = R"({"viewpoint": 5})", mib(1 << 20, ' ');
    const struct {
        const char* name;
        std::string file, text;
        const char* named;
    } cases[] = {
        {"deep_200000", "", nested(200001), "nests arrays and objects more than 16 deep"},
        {"dev_zero", "/dev/zero", "", "larger than 1 MiB"},
        {"endless_pipe", "-", "", "larger than 1 MiB"},
        {"one_mib", "", bad + mib.substr(bad.size()), "viewpoint must be"},
        {"one_mib_and_one", "", bad + mib.substr(bad.size() - 1), "larger than 1 MiB"},
        {"depth_16", "", nested(16), "lights[0] must be an object"},
        {"depth_17", "", nested(17), "more than 16 deep"},
        {"field_twice", "", R"({"lights": [{}, {"on": true, "on": false}]})",
         "lights[1].on is given twice"},
        {"byte_order_mark", "", "\xEF\xBB\xBF" + bad, "viewpoint must be"},
        {"nul_then_garbage", "", std::string("{\"mode\":2}\0garbage", 18), "a NUL byte at byte 11"},
        {"garbage_after", "", "{\"mode\":2} garbage", "not JSON: parse error at line 1, column 12"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        writeText(dir / c.name, c.text);
        for (const auto& [tool, last] :
             {std::pair<std::string, std::vector<std::string>>{EXPLAIN, {"--pixel", "1,1"}},
              {CAPTURE, {"--output", dir / "out.png"}}}) {
            std::vector<std::string> args = {"--state", c.file.empty() ? dir / c.name : c.file};
            args.insert(args.end(), last.begin(), last.end());
            FILE* endless = popen("exec yes", "r");
            const ProgramRun r = runProgram(tool, args, RunSetup{"", "", -1, 10, fileno(endless)});
            pclose(endless);
            std::printf("%-16s exit %d %.3f s %5ld KiB  %s", c.name, r.status, r.seconds,
                        r.maxRssKiB, r.err.c_str());
            EXPECT_TRUE(r.exited && r.status == 2 && r.out.empty()) << c.name << " " << tool;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
            EXPECT_TRUE(r.seconds < 5 && r.maxRssKiB < 100 * 1024) << r.err;
        }
    }
    EXPECT_EQ(dir.entries().count("out.png"), 0u);
}

// A state from standard input, shaded per pixel by the shader: the JSON
// carries the state and says the pixel is the fragment's equation.
TEST(ExplainState, FromStandardInputShadedPerPixel)
{
    XvfbServer server;
    TempDir dir;
    writeText(dir / "state.json", R"({"viewpoint": 1, "mode": 3, "size": [200, 160],
        "lights": [{"position": [1, 1, 3, 1]}], "local_viewer": true, "shading": "pixel"})");
    const ProgramRun r = runProgram(
        "/bin/sh",
        {"-c", EXPLAIN + " --state - --renderer shader --pixel 132,110 --json < " +
                   (dir / "state.json")},
        server.display());
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["state"]["size"], nlohmann::json({200, 160}));
    EXPECT_EQ(j["state"]["lights"][0]["position"], nlohmann::json({1, 1, 3, 1}));
    EXPECT_EQ(j["renderer"], "shader");
    EXPECT_EQ(j["interpolated_from"], "fragment");
    ASSERT_TRUE(j["surface"].is_object()) << r.out;
    for (int c = 0; c < 3; ++c) {
        EXPECT_LE(std::abs(j["difference"][c].get<int>()), 1) << r.out;
    }
    EXPECT_EQ(j["verdict"].get<std::string>().rfind("The drawn colour is the equation the shader", 0),
              0u);
}

}  // namespace
