// The capture tool and the gallery, run as real programs: frames pixel for
// pixel equal to the demo's own window, refused command lines that leave no
// file behind, the grid that lays frames out, and the committed gallery
// being what the documented command produces today.
#include "model/lighting_model.h"
#include "model/projection.h"
#include "tests/support/e2e.h"
#include "tests/support/program_run.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>


namespace {

const std::string CAPTURE = ML_CAPTURE_PATH;
const std::string GRID = ML_GALLERY_GRID_PATH;
const std::string SOURCE_DIR = ML_SOURCE_DIR;
const std::string BINARY_DIR = ML_BINARY_DIR;
const std::string CMAKE = ML_CMAKE_COMMAND;

// A PNG as the test reads it, with libpng and no conversion: only 8-bit RGB
// is accepted, which is what the tools promise to write.
struct PngRead {
    bool ok = false;
    std::string problem;
    Image image;
};

PngRead readRgbPng(const std::string& path)
{
    PngRead result;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        result.problem = std::string("unreadable PNG: ") + png.message;
        return result;
    }
    if (png.format != PNG_FORMAT_RGB) {
        result.problem = "not 8-bit RGB: format " + std::to_string(png.format);
        png_image_free(&png);
        return result;
    }
    result.image.width = static_cast<int>(png.width);
    result.image.height = static_cast<int>(png.height);
    result.image.rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, result.image.rgb.data(), 0, nullptr)) {
        result.problem = std::string("unreadable PNG rows: ") + png.message;
        return result;
    }
    result.ok = true;
    return result;
}

// Bit depth and colour type as the file's header states them.
void pngHeader(const std::string& path, int& bitDepth, int& colourType)
{
    const std::string bytes = readText(path);
    ASSERT_GE(bytes.size(), 26u);
    ASSERT_EQ(bytes.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0);
    ASSERT_EQ(bytes.compare(12, 4, "IHDR"), 0);
    bitDepth = static_cast<unsigned char>(bytes[24]);
    colourType = static_cast<unsigned char>(bytes[25]);
}

int differingPixels(const Image& a, const Image& b)
{
    if (a.width != b.width || a.height != b.height) {
        return -1;
    }
    int count = 0;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            count += a.at(x, y) != b.at(x, y);
        }
    }
    return count;
}

int distinctColours(const Image& image)
{
    std::set<int> colours;
    for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) {
        colours.insert(image.rgb[i] << 16 | image.rgb[i + 1] << 8 | image.rgb[i + 2]);
    }
    return static_cast<int>(colours.size());
}

// One line on stderr, from the named program.
void expectOneLineFrom(const std::string& program, const std::string& err)
{
    EXPECT_EQ(err.rfind(program + ": ", 0), 0u) << err;
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.back(), '\n') << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

std::vector<std::string> stateArgs(int viewpoint, int mode, const std::string& output)
{
    return {"--viewpoint", std::to_string(viewpoint), "--mode", std::to_string(mode), "--output",
            output};
}

// ------------------------------------------- the demo's window, the tool's file

struct DemoState {
    const char* name;
    int width, height;               // the demo's window, resized when not 300 x 300
    std::vector<std::string> keys;   // pressed in the demo
    std::vector<std::string> args;   // the same state for the tool
};

const DemoState DEMO_STATES[] = {
    {"at_start", 300, 300, {}, {"--viewpoint", "0", "--mode", "0"}},
    {"side_spotlight", 300, 300, {"c", "l", "l"}, {"--viewpoint", "1", "--mode", "2"}},
    {"above_all_lights_turned",
     300,
     300,
     {"c", "c", "l", "l", "l", "Up", "Up", "Left", "Left", "Left", "Prior"},
     {"--viewpoint", "2", "--mode", "3", "--angles", "2,3,1"}},
    {"front_cyan_wide_window",
     480,
     240,
     {"l", "Down", "Down", "Down", "Next"},
     {"--viewpoint", "0", "--mode", "1", "--angles", "-3,0,-1", "--size", "480x240"}},
    {"side_white_tall_window",
     200,
     320,
     {"c", "Right", "Right", "Next", "Next", "Up"},
     {"--viewpoint", "1", "--mode", "0", "--angles", "1,-2,-2", "--size", "200x320"}},
};

void PrintTo(const DemoState& s, std::ostream* os)
{
    *os << s.name;
}

class CaptureLikeTheDemo : public ::testing::TestWithParam<DemoState> {};

TEST_P(CaptureLikeTheDemo, FileIsPixelForPixelTheDemosWindow)
{
    const DemoState& s = GetParam();
    DemoSession demo;
    Image shown = demo.waitForStill();
    if (s.width != 300 || s.height != 300) {
        demo.resize(s.width, s.height);
        shown = demo.waitForChange(shown);
        shown = demo.waitForStill(0.2);
    }
    for (const std::string& key : s.keys) {
        demo.key(key);
        shown = demo.waitForChange(shown);  // each of these keys changes the picture
    }
    shown = demo.waitForStill(0.3);
    const WindowInfo window = demo.windowInfo();
    ASSERT_EQ(window.width, s.width);
    ASSERT_EQ(window.height, s.height);

    TempDir dir;
    std::vector<std::string> args = s.args;
    args.insert(args.end(), {"--output", dir / "frame.png"});
    const ProgramRun r = runProgram(CAPTURE, args, demo.display());
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.status, 0) << r.err;
    const PngRead captured = readRgbPng(dir / "frame.png");
    ASSERT_TRUE(captured.ok) << captured.problem;

    keepForInspection(shown, std::string("capture_demo_") + s.name);
    keepForInspection(captured.image, std::string("capture_tool_") + s.name);
    EXPECT_EQ(captured.image, shown) << differingPixels(captured.image, shown)
                                     << " pixels differ";
    EXPECT_GT(distinctColours(shown), 20) << "the demo's window shows no scene";
    EXPECT_EQ(demo.out(), "");
}

INSTANTIATE_TEST_SUITE_P(States, CaptureLikeTheDemo, ::testing::ValuesIn(DEMO_STATES),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------- refused requests

// "@" in an argument stands for the case's own empty directory.
struct Refusal {
    const char* name;
    std::vector<std::string> args;
    const char* named;  // what the message must name
};

const std::string OUT = "--output=@/out.png";

const Refusal REFUSALS[] = {
    {"no_arguments", {}, "--viewpoint"},
    {"missing_viewpoint", {"--mode", "0", OUT}, "--viewpoint"},
    {"missing_mode", {"--viewpoint", "0", OUT}, "--mode"},
    {"missing_output", {"--viewpoint", "0", "--mode", "0"}, "--output"},
    {"viewpoint_3", {"--viewpoint", "3", "--mode", "0", OUT}, "--viewpoint"},
    {"viewpoint_negative", {"--viewpoint", "-1", "--mode", "0", OUT}, "--viewpoint"},
    {"viewpoint_word", {"--viewpoint", "front", "--mode", "0", OUT}, "--viewpoint"},
    {"viewpoint_fraction", {"--viewpoint", "1.5", "--mode", "0", OUT}, "--viewpoint"},
    {"viewpoint_empty", {"--viewpoint=", "--mode", "0", OUT}, "--viewpoint"},
    {"viewpoint_with_space", {"--viewpoint", " 1", "--mode", "0", OUT}, "--viewpoint"},
    {"mode_4", {"--viewpoint", "0", "--mode", "4", OUT}, "--mode"},
    {"mode_huge", {"--viewpoint", "0", "--mode", "99999999999999999999", OUT}, "--mode"},
    {"angles_two", {"--viewpoint", "0", "--mode", "0", "--angles", "1,2", OUT}, "--angles"},
    {"angles_four", {"--viewpoint", "0", "--mode", "0", "--angles", "1,2,3,4", OUT}, "--angles"},
    {"angles_word", {"--viewpoint", "0", "--mode", "0", "--angles", "a,0,0", OUT}, "--angles"},
    {"angles_gap", {"--viewpoint", "0", "--mode", "0", "--angles", "1,,3", OUT}, "--angles"},
    {"angles_trailing_comma", {"--viewpoint", "0", "--mode", "0", "--angles", "1,2,3,", OUT},
     "--angles"},
    {"angles_nan", {"--viewpoint", "0", "--mode", "0", "--angles", "nan,0,0", OUT}, "--angles"},
    {"angles_infinite", {"--viewpoint", "0", "--mode", "0", "--angles", "0,inf,0", OUT},
     "--angles"},
    {"angles_beyond_float", {"--viewpoint", "0", "--mode", "0", "--angles", "0,0,1e39", OUT},
     "--angles"},
    {"size_zero_width", {"--viewpoint", "0", "--mode", "0", "--size", "0x300", OUT}, "--size"},
    {"size_zero_height", {"--viewpoint", "0", "--mode", "0", "--size", "300x0", OUT}, "--size"},
    {"size_one_number", {"--viewpoint", "0", "--mode", "0", "--size", "300", OUT}, "--size"},
    {"size_negative", {"--viewpoint", "0", "--mode", "0", "--size", "-5x5", OUT}, "--size"},
    {"size_unit", {"--viewpoint", "0", "--mode", "0", "--size", "300x300px", OUT}, "--size"},
    {"size_overflow", {"--viewpoint", "0", "--mode", "0", "--size", "99999999999x1", OUT},
     "--size"},
    {"unknown_option", {"--viewpoint", "0", "--mode", "0", "--colour", "red", OUT}, "--colour"},
    {"value_missing_at_end", {"--viewpoint", "0", "--mode", "0", "--output"}, "--output"},
    {"stray_argument", {"--viewpoint", "0", "--mode", "0", OUT, "extra"}, "extra"},
    {"option_twice", {"--viewpoint", "0", "--mode", "0", "--mode", "1", OUT}, "--mode"},
    {"layers_with_overview", {"--viewpoint", "0", "--mode", "0", "--layers", "--overview", OUT},
     "--overview"},
    {"overview_with_layers", {"--overview", "--viewpoint", "1", "--mode", "3", OUT, "--layers"},
     "--layers"},
    {"layers_with_show_lights",
     {"--viewpoint", "0", "--mode", "2", "--show-lights", "--layers", OUT}, "--show-lights"},
    {"flag_given_a_value", {"--viewpoint", "0", "--mode", "0", "--show-lights=yes", OUT},
     "--show-lights"},
    {"flag_twice", {"--viewpoint", "0", "--mode", "0", "--overview", "--overview", OUT},
     "--overview"},
    {"layers_beyond_the_largest_picture",
     {"--viewpoint", "0", "--mode", "3", "--layers", "--size", "6000x6000", OUT},
     "--size 6000x6000"},
    {"renderer_unknown", {"--viewpoint", "0", "--mode", "0", "--renderer", "gouraud", OUT},
     "--renderer"},
    {"renderer_shader_with_overview",
     {"--viewpoint", "0", "--mode", "0", "--renderer=shader", "--overview", OUT}, "--overview"},
    {"renderer_shader_with_layers",
     {"--viewpoint", "0", "--mode", "3", "--layers", "--renderer", "shader", OUT}, "--layers"},
    {"output_empty", {"--viewpoint", "0", "--mode", "0", "--output", ""}, "--output"},
    {"output_in_missing_directory", {"--viewpoint", "0", "--mode", "0", "--output", "@/no/x.png"},
     "@/no/x.png"},
    {"output_under_a_file", {"--viewpoint", "0", "--mode", "0", "--output", "@/file/x.png"},
     "@/file/x.png"},
    {"output_is_a_directory", {"--viewpoint", "0", "--mode", "0", "--output", "@"}, "directory"},
    {"output_ends_in_slash", {"--viewpoint", "0", "--mode", "0", "--output", "@/new/"},
     "@/new/"},
    {"output_on_read_only_filesystem",
     {"--viewpoint", "0", "--mode", "0", "--output", "/proc/capture.png"},
     "/proc/capture.png"},
};

void PrintTo(const Refusal& r, std::ostream* os)
{
    *os << r.name;
}

std::string expand(std::string text, const std::string& dir)
{
    for (std::string::size_type at = text.find('@'); at != std::string::npos;
         at = text.find('@', at + dir.size())) {
        text.replace(at, 1, dir);
    }
    return text;
}

class RefusedCommandLine : public ::testing::TestWithParam<Refusal> {};

// Run without a display: every one of these is refused before the tool
// looks for one.
TEST_P(RefusedCommandLine, OneLineNamingTheProblemStatus2AndNoFile)
{
    const Refusal& c = GetParam();
    TempDir dir;
    writeText(dir / "file", "a regular file");
    std::vector<std::string> args;
    for (const std::string& a : c.args) {
        args.push_back(expand(a, dir.path()));
    }
    const ProgramRun r = runProgram(CAPTURE, args);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 2) << r.err;
    expectOneLineFrom("materials-lights-capture", r.err);
    EXPECT_NE(r.err.find(expand(c.named, dir.path())), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dir.entries(), std::set<std::string>{"file"});
}

INSTANTIATE_TEST_SUITE_P(Options, RefusedCommandLine, ::testing::ValuesIn(REFUSALS),
                         [](const auto& info) { return std::string(info.param.name); });

// A size the GL cannot draw is only known once it runs, after the output's
// temporary file exists: it must go, and a file already there must stay as
// it was.
TEST(CaptureRefuses, SizeBeyondTheGlLeavesNoFileAndSparesTheOldOne)
{
    XvfbServer server;
    TempDir dir;
    for (bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "over an existing file" : "to a new file");
        if (existing) {
            writeText(dir / "out.png", "the old picture");
        }
        const ProgramRun r = runProgram(CAPTURE,
                          {"--viewpoint", "0", "--mode", "0", "--size", "100000x300", "--output",
                           dir / "out.png"},
                          server.display());
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 2) << r.err;
        expectOneLineFrom("materials-lights-capture", r.err);
        EXPECT_NE(r.err.find("--size 100000x300"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("at most"), std::string::npos) << r.err;
        if (existing) {
            EXPECT_EQ(dir.entries(), std::set<std::string>{"out.png"});
            EXPECT_EQ(readText(dir / "out.png"), "the old picture");
        } else {
            EXPECT_EQ(dir.entries(), std::set<std::string>{});
        }
    }
}

struct NoDisplay {
    const char* name;
    const char* display;  // "" leaves DISPLAY unset
    const char* named;
};

void PrintTo(const NoDisplay& c, std::ostream* os)
{
    *os << c.name;
}

class CaptureWithoutDisplay : public ::testing::TestWithParam<NoDisplay> {};

TEST_P(CaptureWithoutDisplay, SaysSoInOneLineAndLeavesNoFile)
{
    const NoDisplay& c = GetParam();
    TempDir dir;
    const ProgramRun r = runProgram(CAPTURE, stateArgs(0, 0, dir / "out.png"), c.display);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1) << r.err;
    expectOneLineFrom("materials-lights-capture", r.err);
    EXPECT_NE(r.err.find("no X display"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("xvfb-run"), std::string::npos) << r.err;
    EXPECT_EQ(dir.entries(), std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Display, CaptureWithoutDisplay,
    ::testing::Values(NoDisplay{"unset", "", "DISPLAY is not set"},
                      NoDisplay{"no_server_there", ":4271", "\":4271\" cannot be opened"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaptureHelp, PrintsUsageOnStdoutAndExits0WithoutADisplay)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"-h"}, {"--viewpoint", "1", "--help"}}) {
        SCOPED_TRACE(args.back());
        TempDir dir;
        const ProgramRun r = runProgram(CAPTURE, args);
        ASSERT_TRUE(r.exited);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind("Usage: materials-lights-capture ", 0), 0u) << r.out;
        for (const char* option : {"--viewpoint", "--mode", "--angles", "--size", "--output",
                                   "--help", "xvfb-run", "--show-lights", "--overview",
                                   "--layers"}) {
            EXPECT_NE(r.out.find(option), std::string::npos) << option;
        }
    }
}

// ---------------------------------------------------------------- good runs

struct GoodSize {
    const char* name;
    std::vector<std::string> sizeArgs;
    int width, height;
    int minColours;  // a frame with the scene in it has many
};

void PrintTo(const GoodSize& c, std::ostream* os)
{
    *os << c.name;
}

class CaptureWrites : public ::testing::TestWithParam<GoodSize> {};

TEST_P(CaptureWrites, AnRgbPngOfTheSizeAsAnOrdinaryNewFile)
{
    const GoodSize& c = GetParam();
    XvfbServer server;
    TempDir dir;
    std::vector<std::string> args = stateArgs(2, 3, dir / "out.png");
    args.insert(args.end(), c.sizeArgs.begin(), c.sizeArgs.end());
    const ProgramRun r = runProgram(CAPTURE, args, server.display());
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(dir.entries(), std::set<std::string>{"out.png"}) << "a temporary file is left";

    int bitDepth = 0, colourType = 0;
    pngHeader(dir / "out.png", bitDepth, colourType);
    EXPECT_EQ(bitDepth, 8);
    EXPECT_EQ(colourType, PNG_COLOR_TYPE_RGB);
    const PngRead png = readRgbPng(dir / "out.png");
    ASSERT_TRUE(png.ok) << png.problem;
    EXPECT_EQ(png.image.width, c.width);
    EXPECT_EQ(png.image.height, c.height);
    EXPECT_GE(distinctColours(png.image), c.minColours) << "no scene in the frame";
    keepForInspection(png.image, std::string("capture_size_") + c.name);

    // Permissions of any new file (0666 less the umask), not the owner-only
    // ones of a temporary file.
    const mode_t mask = umask(0);
    umask(mask);
    struct stat info {};
    ASSERT_EQ(stat((dir / "out.png").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0666 & ~mask);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, CaptureWrites,
    ::testing::Values(GoodSize{"default_300x300", {}, 300, 300, 20},
                      GoodSize{"odd_123x45", {"--size", "123x45"}, 123, 45, 20},
                      GoodSize{"one_pixel", {"--size=1x1"}, 1, 1, 1},
                      // Off screen, so larger than the 1280 x 1024 virtual screen.
                      GoodSize{"beyond_the_screen_1900x1300", {"--size", "1900x1300"}, 1900, 1300,
                               20}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Capture, EachOptionChangesTheFrameAndBothSpellingsAgree)
{
    XvfbServer server;
    TempDir dir;
    auto capture = [&](const std::vector<std::string>& args) {
        std::vector<std::string> all = args;
        all.push_back("--output=" + (dir / "f.png"));
        const ProgramRun r = runProgram(CAPTURE, all, server.display());
        EXPECT_EQ(r.status, 0) << r.err;
        return readRgbPng(dir / "f.png").image;
    };
    const Image base = capture({"--viewpoint", "0", "--mode", "0"});
    const Image spelled =
        capture({"--viewpoint=0", "--mode=0", "--angles=0,0,0", "--size=300x300"});
    EXPECT_EQ(spelled, base);
    EXPECT_NE(capture({"--viewpoint", "1", "--mode", "0"}), base);
    EXPECT_NE(capture({"--viewpoint", "0", "--mode", "1"}), base);
    for (const char* angles : {"5,0,0", "0,5,0", "0,0,5"}) {
        EXPECT_NE(capture({"--viewpoint", "0", "--mode", "0", "--angles", angles}), base) << angles;
    }
    // Options in any order.
    EXPECT_EQ(capture({"--mode", "3", "--viewpoint", "2", "--angles", "10,20,30"}),
              capture({"--angles", "10,20,30", "--viewpoint", "2", "--mode", "3"}));
}

// The shader renderer's frame, with the lights marked on it, is the
// fixed-function one within a level; on a GL without GLSL ES 1.00 the tool
// fails with the GL's log and writes nothing.
TEST(Capture, ShaderRendererDrawsTheSameFrameOrFailsWithTheLog)
{
    XvfbServer server;
    TempDir dir;
    std::vector<std::string> args = {"--viewpoint", "1", "--mode", "2", "--angles", "0,30,0",
                                     "--show-lights", "--output"};
    const auto capture = [&](const std::string& renderer, const std::string& file) {
        std::vector<std::string> all = args;
        all.insert(all.end(), {dir / file, "--renderer", renderer});
        return runProgram(CAPTURE, all, server.display());
    };
    ASSERT_EQ(capture("fixed", "fixed.png").status, 0);
    ASSERT_EQ(capture("shader", "shader.png").status, 0);
    const Image fixed = readRgbPng(dir / "fixed.png").image;
    const Image shaded = readRgbPng(dir / "shader.png").image;
    ASSERT_EQ(shaded.rgb.size(), fixed.rgb.size());
    for (size_t i = 0; i < fixed.rgb.size(); ++i) {
        ASSERT_LE(std::abs(fixed.rgb[i] - shaded.rgb[i]), 1) << "byte " << i;
    }
    EXPECT_GT(distinctColours(shaded), 20);

    // Mesa without ES2 compatibility takes no #version 100 shader.
    setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_ES2_compatibility", 1);
    const ProgramRun failed = capture("shader", "never.png");
    unsetenv("MESA_EXTENSION_OVERRIDE");
    EXPECT_EQ(failed.status, 1) << failed.err;
    EXPECT_EQ(failed.err.rfind("materials-lights-capture: shader ", 0), 0u) << failed.err;
    EXPECT_GT(failed.err.size(), std::string("materials-lights-capture: shader ").size() + 20);
    EXPECT_FALSE(dir.entries().count("never.png"));
}

// --state: the demo's values give the demo's frame, pixel for pixel, from a
// file of the view alone and from one with every field; a changed material
// changes its solid and nothing else; the shader draws a changed state as
// the fixed-function pipeline does, within a level.
TEST(CaptureState, DemoValuesGiveTheDemosFrameAndAChangeShowsWhereExpected)
{
    XvfbServer server;
    TempDir dir;
    const auto capture = [&](std::vector<std::string> args) {
        args.insert(args.end(), {"--output", dir / "f.png"});
        const ProgramRun r = runProgram(CAPTURE, args, server.display());
        EXPECT_EQ(r.status, 0) << r.err;
        return readRgbPng(dir / "f.png").image;
    };
    const auto captureState = [&](const std::string& json, std::vector<std::string> more = {}) {
        writeText(dir / "state.json", json);
        more.insert(more.begin(), {"--state", dir / "state.json"});
        return capture(more);
    };
    const Image turned = capture({"--viewpoint", "2", "--mode", "3", "--angles", "10,20,30",
                                  "--size", "200x150"});
    EXPECT_EQ(captureState(R"({"viewpoint": 2, "mode": 3, "angles": [10, 20, 30],
                               "size": [200, 150]})"),
              turned);
    const std::string demo = R"({"viewpoint": 0, "mode": 0, "angles": [0, 0, 0], "size": [300, 300],
        "lights": [
          {"on": true, "position": [0, 0, 0, 1], "ambient": [0, 0, 0, 1], "diffuse": [1, 1, 1, 1],
           "specular": [1, 1, 1, 1], "spot_direction": [0, 0, -1], "spot_cutoff": 180,
           "spot_exponent": 0, "attenuation": [1, 0, 0]},
          {"on": false, "position": [1, 0, 0, 0], "ambient": [0, 0, 0, 1], "diffuse": [0, 1, 1, 1],
           "specular": [0, 1, 1, 1], "spot_direction": [0, 0, -1], "spot_cutoff": 180,
           "spot_exponent": 0, "attenuation": [1, 0, 0]},
          {"on": false, "position": [-12, 0, 10, 1], "ambient": [0, 0, 0, 1], "diffuse": [1, 1, 0, 1],
           "specular": [1, 1, 0, 1], "spot_direction": [1, 0, -1], "spot_cutoff": 8.59,
           "spot_exponent": 0, "attenuation": [1, 0, 0]}],
        "material": {"ambient": [0, 0, 0, 1], "diffuse": {"cube": [1, 0, 0, 1],
          "sphere": [0, 1, 0, 1], "cone": [0, 0, 1, 1], "cylinder": [1, 1, 0, 1]},
          "specular": [1, 1, 1, 1], "emission": [0, 0, 0, 1], "shininess": 50},
        "global_ambient": [0.2, 0.2, 0.2, 1], "local_viewer": false, "two_sided": false,
        "tessellation": {"cube": 1, "sphere": [72, 72], "cone": [72, 72], "cylinder": [72, 72]},
        "shading": "vertex"})";
    const Image front = capture({"--viewpoint", "0", "--mode", "0"});
    EXPECT_EQ(captureState(demo), front);

    // The sphere (lower right) red instead of green: its lit pixels turn
    // from green to red, the other three solids' stay as they were.
    const Image red = captureState(R"({"material": {"diffuse": {"sphere": [1, 0, 0, 1]}}})");
    int turnedRed = 0, elsewhere = 0;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            const Rgb a = front.at(x, y), b = red.at(x, y);
            if (x >= 150 && y >= 150) {
                turnedRed += a.g > a.r + 20 && b.r > b.g + 20 ? 1 : 0;
            } else {
                elsewhere += a != b ? 1 : 0;
            }
        }
    }
    EXPECT_GT(turnedRed, 500);
    EXPECT_EQ(elsewhere, 0);

    const std::string changed = R"({"viewpoint": 1, "mode": 3, "two_sided": true,
        "lights": [{"position": [1, 1, 3, 1], "attenuation": [1, 0.2, 0]}],
        "tessellation": {"sphere": [20, 10]}})";
    const Image fixed = captureState(changed);
    const Image shaded = captureState(changed, {"--renderer", "shader"});
    ASSERT_EQ(shaded.rgb.size(), fixed.rgb.size());
    EXPECT_NE(fixed, front);
    for (size_t i = 0; i < fixed.rgb.size(); ++i) {
        ASSERT_LE(std::abs(fixed.rgb[i] - shaded.rgb[i]), 1) << "byte " << i;
    }
}

TEST(Capture, ReplacesAnExistingFile)
{
    XvfbServer server;
    TempDir dir;
    writeText(dir / "out.png", "the old picture");
    const ProgramRun r = runProgram(CAPTURE, stateArgs(1, 1, dir / "out.png"), server.display());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(readRgbPng(dir / "out.png").ok);
    EXPECT_EQ(dir.entries(), std::set<std::string>{"out.png"});
}

// ------------------------------------------------------------------ gallery

// Frame i: its own blue level (none of them the grid's background or ink
// grey), red and green following x and y so that any flip or shift shows.
Image syntheticFrame(int i, int width, int height)
{
    Image frame;
    frame.width = width;
    frame.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            frame.rgb.push_back(static_cast<unsigned char>(x * 6));
            frame.rgb.push_back(static_cast<unsigned char>(y * 8));
            frame.rgb.push_back(static_cast<unsigned char>(40 + 15 * i));
        }
    }
    return frame;
}

TEST(GalleryGrid, PutsEachFrameUnchangedInItsRowAndColumnUnderHeadings)
{
    constexpr int W = 40, H = 30;
    TempDir dir;
    std::vector<std::string> args{dir / "grid.png"};
    for (int i = 0; i < 12; ++i) {
        args.push_back(dir / ("f" + std::to_string(i) + ".png"));
        ASSERT_TRUE(writePng(syntheticFrame(i, W, H), args.back()));
    }
    const ProgramRun r = runProgram(GRID, args);
    ASSERT_EQ(r.status, 0) << r.err;
    const PngRead grid = readRgbPng(dir / "grid.png");
    ASSERT_TRUE(grid.ok) << grid.problem;
    keepForInspection(grid.image, "gallery_grid_synthetic");

    // Where each frame landed: the box of the pixels with its blue level.
    int left[12], top[12];
    for (int i = 0; i < 12; ++i) {
        const int blue = 40 + 15 * i;
        int x0 = grid.image.width, y0 = grid.image.height, x1 = -1, y1 = -1, count = 0;
        for (int y = 0; y < grid.image.height; ++y) {
            for (int x = 0; x < grid.image.width; ++x) {
                if (grid.image.at(x, y).b == blue) {
                    x0 = std::min(x0, x);
                    y0 = std::min(y0, y);
                    x1 = std::max(x1, x);
                    y1 = std::max(y1, y);
                    ++count;
                }
            }
        }
        ASSERT_EQ(count, W * H) << "frame " << i;
        ASSERT_EQ(x1 - x0 + 1, W) << "frame " << i;
        ASSERT_EQ(y1 - y0 + 1, H) << "frame " << i;
        const Image expected = syntheticFrame(i, W, H);
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                ASSERT_EQ(grid.image.at(x0 + x, y0 + y), expected.at(x, y))
                    << "frame " << i << " at " << x << "," << y;
            }
        }
        left[i] = x0;
        top[i] = y0;
    }
    // Rows are viewpoints (top to bottom), columns lighting modes (left to
    // right), each with a heading above it.
    auto inkBetween = [&](int x0, int x1, int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                if (grid.image.at(x, y) == Rgb{235, 235, 235}) {
                    return true;
                }
            }
        }
        return false;
    };
    for (int v = 0; v < 3; ++v) {
        for (int m = 0; m < 4; ++m) {
            const int i = v * 4 + m;
            EXPECT_EQ(top[i], top[v * 4]) << "frame " << i;
            EXPECT_EQ(left[i], left[m]) << "frame " << i;
            if (m > 0) {
                EXPECT_GT(left[i], left[i - 1] + W - 1) << "frame " << i;
            }
            if (v > 0) {
                EXPECT_GT(top[i], top[i - 4] + H - 1) << "frame " << i;
            }
        }
        const int above = v == 0 ? 0 : top[(v - 1) * 4] + H;
        EXPECT_TRUE(inkBetween(0, grid.image.width, above, top[v * 4])) << "viewpoint " << v;
    }
    for (int m = 0; m < 4; ++m) {
        EXPECT_TRUE(inkBetween(left[m], left[m] + W, 0, top[0])) << "mode " << m;
    }
}

TEST(GalleryGrid, RefusesMissingOrMismatchedFramesAndWritesNothing)
{
    TempDir dir;
    std::vector<std::string> frames;
    for (int i = 0; i < 12; ++i) {
        frames.push_back(dir / ("f" + std::to_string(i) + ".png"));
        ASSERT_TRUE(writePng(syntheticFrame(i, i == 7 ? 41 : 40, 30), frames.back()));
    }
    writeText(dir / "text.png", "not a picture");
    const std::string out = dir / "grid.png";

    std::vector<std::string> eleven(frames.begin(), frames.begin() + 11);
    std::vector<std::string> unreadable = frames;
    unreadable[3] = dir / "text.png";
    std::vector<std::string> mismatched = frames;  // frame 7 is 41 wide
    const std::vector<std::string>* cases[] = {&eleven, &unreadable, &mismatched};
    const char* named[] = {"11 given", "text.png", "f7.png"};
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(named[c]);
        std::vector<std::string> args{out};
        args.insert(args.end(), cases[c]->begin(), cases[c]->end());
        const ProgramRun r = runProgram(GRID, args);
        EXPECT_EQ(r.status, 2);
        expectOneLineFrom("gallery-grid", r.err);
        EXPECT_NE(r.err.find(named[c]), std::string::npos) << r.err;
        EXPECT_EQ(access(out.c_str(), F_OK), -1) << "an output was written";
    }
}

// The gallery and the icons in the source tree are what the documented
// command makes from today's program. When the picture changes on purpose,
// rerun `cmake --build <build> --target gallery` and commit the result.
TEST(Gallery, CommittedPicturesAreWhatTheGalleryCommandMakesNow)
{
    XvfbServer server;
    TempDir dir;
    const ProgramRun r = runProgram(SOURCE_DIR + "/docs/make-gallery.sh",
                      {"--display", server.display(), "--into", dir.path(), CAPTURE, GRID});
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.status, 0) << r.err;

    for (const std::string& picture :
         {std::string("docs/gallery.png"), std::string("data/icons/materials-lights-48.png"),
          std::string("data/icons/materials-lights-128.png"),
          std::string("data/icons/materials-lights-256.png"),
          std::string("docs/lights-overview.png"), std::string("docs/lights-mode-0.png"),
          std::string("docs/lights-mode-1.png"), std::string("docs/lights-mode-2.png"),
          std::string("docs/lights-mode-3.png"), std::string("docs/lights-layers.png")}) {
        SCOPED_TRACE(picture);
        const PngRead made = readRgbPng(dir / picture);
        const PngRead committed = readRgbPng(SOURCE_DIR + "/" + picture);
        ASSERT_TRUE(made.ok) << made.problem;
        ASSERT_TRUE(committed.ok) << committed.problem;
        EXPECT_EQ(made.image, committed.image)
            << differingPixels(made.image, committed.image)
            << " pixels differ: the committed picture is out of date; run"
               " `cmake --build <build> --target gallery`";
    }
    // Twelve states in a 4 x 3 grid of 300 x 300 frames.
    const PngRead gallery = readRgbPng(dir / "docs/gallery.png");
    EXPECT_GT(gallery.image.width, 4 * 300);
    EXPECT_GT(gallery.image.height, 3 * 300);
}

// ------------------------------------------- pictures that explain the frame

const Rgb WHITE{255, 255, 255};
const Rgb CYAN{0, 255, 255};
const Rgb YELLOW{255, 255, 0};
const Rgb LIGHT_INK[3] = {WHITE, CYAN, YELLOW};
const double PI = std::acos(-1.0);

// Whether a solid may stand between the viewpoint's eye and a scene point:
// the sight line passes through a box around a solid (the solids lie in
// boxes of half-size 1 around their centres).
bool possiblyHidden(const View& view, Vec3 point)
{
    const Vec3 eyes[] = {{0, 0, 10}, {10, 0, 10}, {10, 10, 10}};
    const Vec3 eye = unturnScene(view, eyes[view.viewpoint]);
    for (int i = 0; i < 400; ++i) {
        const Vec3 q = point + (i / 400.0) * (eye - point);
        for (const SolidPlace& solid : SOLIDS) {
            const Vec3 d = q - solid.centre;
            if (std::fabs(d.x) < 1.05 && std::fabs(d.y) < 1.05 && std::fabs(d.z) < 1.05) {
                return true;
            }
        }
    }
    return false;
}

bool inside(const Image& image, double x, double y, int margin)
{
    return x >= margin && y >= margin && x < image.width - margin && y < image.height - margin;
}

struct Explained {
    const char* name;
    int viewpoint, mode;
    float angleX, angleY, angleZ;
};

void PrintTo(const Explained& c, std::ostream* os)
{
    *os << c.name;
}

std::vector<std::string> explainedArgs(const Explained& c, const std::string& output)
{
    char angles[64];
    std::snprintf(angles, sizeof angles, "%g,%g,%g", double(c.angleX), double(c.angleY),
                  double(c.angleZ));
    std::vector<std::string> args = stateArgs(c.viewpoint, c.mode, output);
    args.insert(args.end(), {"--angles", angles});
    return args;
}

View viewOf(const Explained& c)
{
    return View{c.viewpoint, c.angleX, c.angleY, c.angleZ};
}

const Explained MARKED[] = {
    {"front_white", 0, 0, 0, 0, 0},
    {"front_white_turned", 0, 0, 30, -45, 10},
    {"front_white_turned_about_y", 0, 0, 0, 90, 0},
    {"side_white_turned", 1, 0, -20, 70, 0},
    {"above_white_turned", 2, 0, -40, 0, 25},
    {"front_cyan", 0, 1, 0, 0, 0},
    {"side_cyan_turned", 1, 1, 15, 20, -5},
    {"front_spot", 0, 2, 0, 0, 0},
    {"front_spot_turned", 0, 2, 0, -60, 0},
    {"side_spot_turned", 1, 2, 10, -30, 0},
    {"above_spot", 2, 2, 0, 0, 0},
    {"front_all", 0, 3, 0, 0, 0},
    {"above_all_turned", 2, 3, 20, 30, -10},
};

class ShowLights : public ::testing::TestWithParam<Explained> {};

TEST_P(ShowLights, MarksTheLightsWhereTheyAreAndChangesNothingElse)
{
    const Explained& c = GetParam();
    const View view = viewOf(c);
    XvfbServer server;
    TempDir dir;
    ProgramRun r = runProgram(CAPTURE, explainedArgs(c, dir / "plain.png"), server.display());
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> args = explainedArgs(c, dir / "marked.png");
    args.push_back("--show-lights");
    r = runProgram(CAPTURE, args, server.display());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "") << "OpenGL reported an error";
    const PngRead plain = readRgbPng(dir / "plain.png");
    const PngRead marked = readRgbPng(dir / "marked.png");
    ASSERT_TRUE(plain.ok && marked.ok) << plain.problem << marked.problem;
    keepForInspection(marked.image, std::string("show_lights_") + c.name);
    const Image& image = marked.image;

    // Every pixel that differs from the demo's is ink of a light the mode
    // switches on, and each of them leaves some.
    int changed = 0, foreign = 0;
    int inked[3] = {0, 0, 0};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.at(x, y) == plain.image.at(x, y)) {
                continue;
            }
            ++changed;
            bool known = false;
            for (int light = 0; light < 3; ++light) {
                if (modelLightOn(c.mode, light) && image.at(x, y) == LIGHT_INK[light]) {
                    known = true;
                    ++inked[light];
                }
            }
            foreign += known ? 0 : 1;
        }
    }
    EXPECT_EQ(foreign, 0) << "pixels changed to something other than a light's mark";
    EXPECT_LT(changed, image.width * image.height / 8);
    for (int light = 0; light < 3; ++light) {
        EXPECT_EQ(inked[light] > 0, modelLightOn(c.mode, light)) << "light " << light;
    }

    // The point light's dot is centred on the pixel its place projects to.
    // It sits inside the spot's beam: with the spotlight on too, the cone's
    // near side may cross it.
    if (modelLightOn(c.mode, 0) && !possiblyHidden(view, {0, 0, 0})) {
        const ScreenPoint at = project(view, {0, 0, 0});
        ASSERT_TRUE(inside(image, at.x, at.y, 3));
        const int px = static_cast<int>(at.x), py = static_cast<int>(at.y);
        int white = 0;
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                const Rgb p = image.at(px + dx, py + dy);
                white += p == WHITE ? 1 : 0;
                EXPECT_TRUE(p == WHITE || (modelLightOn(c.mode, 2) && p == YELLOW))
                    << "at " << px + dx << "," << py + dy << ", the light at " << at.x << ","
                    << at.y;
            }
        }
        EXPECT_GE(white, modelLightOn(c.mode, 2) ? 15 : 25);
    }

    // The spot's cone: drawn along its axis, from the light to the point
    // (-2, 0, 0) it passes through, and round the cone's section there.
    if (c.mode == 2) {
        const SceneLight& spot = SCENE_LIGHTS[2];
        const Vec3 apex{spot.position[0], spot.position[1], spot.position[2]};
        const Vec3 aim{-2, 0, 0};
        const Vec3 axis = normalized(spot.spotDirection);
        ASSERT_LT(length((aim - apex) - dot(aim - apex, axis) * axis), 1e-9);
        const double reach = length(aim - apex);
        const double radius = reach * std::tan(spot.cutoffDegrees * PI / 180.0);
        const Vec3 u{0, 1, 0};
        const Vec3 w = normalized({axis.y * u.z - axis.z * u.y, axis.z * u.x - axis.x * u.z,
                                   axis.x * u.y - axis.y * u.x});
        std::vector<Vec3> samples;
        for (int i = 0; i <= 200; ++i) {
            samples.push_back(apex + (reach * i / 200.0) * axis);
        }
        for (int i = 0; i < 120; ++i) {
            const double a = 2 * PI * i / 120;
            samples.push_back(aim + (radius * std::cos(a)) * u + (radius * std::sin(a)) * w);
        }
        int checked = 0, missed = 0;
        for (const Vec3& sample : samples) {
            if (toEye(view, sample).z >= 0) {
                continue;  // level with the eye or behind it: nowhere on screen
            }
            const ScreenPoint at = project(view, sample);
            if (at.depth <= 0 || at.depth >= 1 || !inside(image, at.x, at.y, 2) ||
                possiblyHidden(view, sample)) {
                continue;
            }
            ++checked;
            bool drawn = false;
            for (int dy = -1; dy <= 1 && !drawn; ++dy) {
                for (int dx = -1; dx <= 1 && !drawn; ++dx) {
                    const int x = static_cast<int>(at.x) + dx, y = static_cast<int>(at.y) + dy;
                    drawn = image.at(x, y) == YELLOW && plain.image.at(x, y) != YELLOW;
                }
            }
            if (!drawn && missed++ == 0) {
                ADD_FAILURE() << "no mark near " << at.x << "," << at.y << " where the cone's"
                              << " point " << sample.x << "," << sample.y << "," << sample.z
                              << " lands";
            }
        }
        EXPECT_EQ(missed, 0);
        EXPECT_GT(checked, 40);
    }
}

INSTANTIATE_TEST_SUITE_P(States, ShowLights, ::testing::ValuesIn(MARKED),
                         [](const auto& info) { return std::string(info.param.name); });

// The overview's camera worked out here: far outside the rig, looking at
// (2.5, 0.5, 2) from (-28, 20, 42), +Y up, 32 degrees across the narrower
// side of the picture.
ScreenPoint overviewProjection(Vec3 world, int width, int height)
{
    const Vec3 eye{-28, 20, 42};
    const Vec3 forward = normalized(Vec3{2.5, 0.5, 2} - eye);
    const Vec3 side = normalized({forward.y * 0 - forward.z * 1, forward.z * 0 - forward.x * 0,
                                  forward.x * 1 - forward.y * 0});
    const Vec3 up{side.y * forward.z - side.z * forward.y, side.z * forward.x - side.x * forward.z,
                  side.x * forward.y - side.y * forward.x};
    const Vec3 v = world - eye;
    const double aspect = static_cast<double>(width) / height;
    const double tanHalf = std::tan(16.0 * PI / 180.0) / std::min(aspect, 1.0);
    const double distance = dot(forward, v);
    const double ndcX = dot(side, v) / (distance * tanHalf * aspect);
    const double ndcY = dot(up, v) / (distance * tanHalf);
    return {(ndcX + 1) * 0.5 * width, (1 - ndcY) * 0.5 * height, distance};
}

struct OverviewCase {
    Explained state;
    int width, height;
};

void PrintTo(const OverviewCase& c, std::ostream* os)
{
    *os << c.state.name;
}

const OverviewCase OVERVIEWS[] = {
    {{"front_all_lights", 0, 3, 0, 0, 0}, 600, 600},
    {{"side_white_turned", 1, 0, 0, 40, 0}, 300, 300},
    {{"above_spot_turned_wide", 2, 2, -30, 0, 20}, 480, 300},
    {{"front_cyan_turned_tall", 0, 1, 10, 10, 10}, 300, 450},
    {{"side_all_lights_turned_over", 1, 3, 170, 0, 0}, 400, 400},
};

class Overview : public ::testing::TestWithParam<OverviewCase> {};

TEST_P(Overview, ShowsEachSolidWhereItsCentreProjectsAndHighlightsTheViewpoint)
{
    const OverviewCase& c = GetParam();
    const View view = viewOf(c.state);
    XvfbServer server;
    TempDir dir;
    std::vector<std::string> args = explainedArgs(c.state, dir / "overview.png");
    args.insert(args.end(), {"--overview", "--size",
                             std::to_string(c.width) + "x" + std::to_string(c.height)});
    ProgramRun r = runProgram(CAPTURE, args, server.display());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "") << "OpenGL reported an error";
    const PngRead png = readRgbPng(dir / "overview.png");
    ASSERT_TRUE(png.ok) << png.problem;
    const Image& image = png.image;
    ASSERT_EQ(image.width, c.width);
    ASSERT_EQ(image.height, c.height);
    keepForInspection(image, std::string("overview_") + c.state.name);

    // Each solid covers a disc a third of a unit wide round the point its
    // turned centre projects to; lines alone could not fill it. Where the
    // disc is lit, most of it is in the solid's own colour: its strongest
    // channel is one of the solid's diffuse channels (so another solid
    // turned into the place would not do).
    const Rgb background = image.at(0, 0);
    for (const SolidPlace& solid : SOLIDS) {
        SCOPED_TRACE(solid.name);
        const ScreenPoint at = overviewProjection(turnScene(view, solid.centre), c.width,
                                                  c.height);
        const double pixelsPerUnit = 0.5 * std::min(c.width, c.height) /
                                     (at.depth * std::tan(16.0 * PI / 180.0));
        const int radius = static_cast<int>(0.3 * pixelsPerUnit);
        ASSERT_GE(radius, 2);
        ASSERT_TRUE(inside(image, at.x, at.y, radius));
        int disc = 0, empty = 0, lit = 0, own = 0;
        for (int dy = -radius; dy <= radius; ++dy) {
            for (int dx = -radius; dx <= radius; ++dx) {
                if (dx * dx + dy * dy > radius * radius) {
                    continue;
                }
                const Rgb p = image.at(static_cast<int>(at.x) + dx, static_cast<int>(at.y) + dy);
                ++disc;
                empty += p == background ? 1 : 0;
                const int channels[3] = {p.r, p.g, p.b};
                const double diffuse[3] = {solid.diffuse.r, solid.diffuse.g, solid.diffuse.b};
                int ownBest = 0, otherBest = 0;
                for (int k = 0; k < 3; ++k) {
                    (diffuse[k] > 0 ? ownBest : otherBest) =
                        std::max(diffuse[k] > 0 ? ownBest : otherBest, channels[k]);
                }
                // The marks' flat inks (lights, the highlighted frustum, grey
                // frusta) say nothing of the solid under them.
                const bool mark = p == WHITE || p == CYAN || p == YELLOW ||
                                  p == Rgb{255, 89, 255} || (p.r == p.g && p.g == p.b);
                if (!mark && std::max(ownBest, otherBest) >= 40) {
                    ++lit;
                    own += ownBest >= otherBest ? 1 : 0;
                }
            }
        }
        EXPECT_EQ(empty, 0) << "at " << at.x << "," << at.y;
        if (lit >= disc / 4) {
            EXPECT_GE(2 * own, lit) << "at " << at.x << "," << at.y << ": " << own << " of "
                                    << lit << " lit pixels in the solid's colour";
        }
    }

    // The eyes stay where they are in the world whatever the scene's turns;
    // the captured one is magenta, the others grey.
    const Vec3 eyes[] = {{0, 0, 10}, {10, 0, 10}, {10, 10, 10}};
    for (int v = 0; v < 3; ++v) {
        const ScreenPoint at = overviewProjection(eyes[v], c.width, c.height);
        ASSERT_TRUE(inside(image, at.x, at.y, 3)) << "eye " << v;
        const Rgb p = image.at(static_cast<int>(at.x), static_cast<int>(at.y));
        if (v == c.state.viewpoint) {
            EXPECT_TRUE(p.r > 200 && p.g < 130 && p.b > 200) << "eye " << v << ": " << p.r << " "
                                                             << p.g << " " << p.b;
        } else {
            EXPECT_TRUE(std::abs(p.r - p.g) <= 2 && std::abs(p.g - p.b) <= 2 && p.r > 100 &&
                        p.r < 160)
                << "eye " << v << ": " << p.r << " " << p.g << " " << p.b;
        }
    }

    // The overview marks the lights already: --show-lights changes nothing.
    args.push_back("--show-lights");
    args[5] = dir / "with-marks.png";
    r = runProgram(CAPTURE, args, server.display());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readRgbPng(dir / "with-marks.png").image, image);
}

INSTANTIATE_TEST_SUITE_P(States, Overview, ::testing::ValuesIn(OVERVIEWS),
                         [](const auto& info) { return std::string(info.param.state.name); });

TEST(Layers, PictureHoldsTheDemosFrameUnchangedAndLeavesNoOtherFile)
{
    XvfbServer server;
    TempDir dir;
    const std::vector<std::string> state{"--viewpoint", "1", "--mode",  "3",
                                         "--angles",    "0,20,0", "--size", "200x150"};
    std::vector<std::string> args = state;
    args.insert(args.end(), {"--output", dir / "frame.png"});
    ProgramRun r = runProgram(CAPTURE, args, server.display());
    ASSERT_EQ(r.status, 0) << r.err;
    args = state;
    args.insert(args.end(), {"--layers", "--output", dir / "layers.png"});
    r = runProgram(CAPTURE, args, server.display());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "") << "OpenGL reported an error";
    EXPECT_EQ(dir.entries(), (std::set<std::string>{"frame.png", "layers.png"}));
    const PngRead frame = readRgbPng(dir / "frame.png");
    const PngRead layers = readRgbPng(dir / "layers.png");
    ASSERT_TRUE(frame.ok && layers.ok) << frame.problem << layers.problem;
    keepForInspection(layers.image, "layers_side_turned");

    // Somewhere in the grid, the demo's frame pixel for pixel.
    int found = 0;
    for (int top = 0; top + frame.image.height <= layers.image.height; ++top) {
        for (int left = 0; left + frame.image.width <= layers.image.width; ++left) {
            bool same = true;
            for (int y = 0; y < frame.image.height && same; ++y) {
                for (int x = 0; x < frame.image.width && same; ++x) {
                    same = layers.image.at(left + x, top + y) == frame.image.at(x, y);
                }
            }
            found += same ? 1 : 0;
        }
    }
    EXPECT_EQ(found, 1);
}

// ------------------------------------------------------------------ install

std::string desktopValue(const std::string& entry, const std::string& key)
{
    std::istringstream lines(entry);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return {};
}

TEST(Install, PutsTheProgramsTheDesktopEntryAndItsIconsUnderThePrefix)
{
    TempDir prefix;
    const ProgramRun r = runProgram(CMAKE, {"--install", BINARY_DIR, "--prefix", prefix.path()});
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.status, 0) << r.err;

    EXPECT_EQ(access((prefix / "bin/materials-lights").c_str(), X_OK), 0);
    for (const char* tool : {"bin/materials-lights-capture", "bin/materials-lights-explain"}) {
        const ProgramRun help = runProgram(prefix / tool, {"--help"});
        EXPECT_EQ(help.status, 0) << "the installed " << tool << " does not run";
    }

    // The entry starts the installed demo and names the installed icon.
    const std::string entry = readText(prefix / "share/applications/materials-lights.desktop");
    EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u) << entry;
    EXPECT_EQ(desktopValue(entry, "Type"), "Application");
    EXPECT_EQ(desktopValue(entry, "Exec"), "materials-lights");
    EXPECT_EQ(desktopValue(entry, "Terminal"), "false");
    EXPECT_FALSE(desktopValue(entry, "Name").empty());
    const std::string icon = desktopValue(entry, "Icon");
    ASSERT_EQ(icon, "materials-lights");

    // One square frame of the demo per hicolor size, as large as its folder says.
    for (int size : {48, 128, 256}) {
        const std::string dims = std::to_string(size) + "x" + std::to_string(size);
        const PngRead png =
            readRgbPng(prefix / ("share/icons/hicolor/" + dims + "/apps/" + icon + ".png"));
        ASSERT_TRUE(png.ok) << dims << ": " << png.problem;
        EXPECT_EQ(png.image.width, size);
        EXPECT_EQ(png.image.height, size);
        EXPECT_GT(distinctColours(png.image), 20) << dims;
    }
}

}  // namespace
