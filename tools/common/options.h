// Command lines of the tools, read by CLI11: the options that set the demo's
// state (--viewpoint, --mode, --angles, --size, or --state FILE), which every
// tool that draws a frame shares, and the tools' one-line refusals.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace CLI {
class App;
class Option;
}  // namespace CLI

// Exit statuses of the tools.
constexpr int EXIT_DONE = 0;
constexpr int EXIT_NO_DISPLAY_OR_GL = 1;
constexpr int EXIT_BAD_REQUEST = 2;

// Prints "PROGRAM: MESSAGE" on standard error and returns `status`.
int failWith(const char* program, int status, const std::string& message);

// A state of the demo, as the keys and the window would leave it.
struct StateOptions {
    int viewpoint = 0;
    int lightingMode = 0;
    float angleX = 0, angleY = 0, angleZ = 0;  // degrees
    int width = 300, height = 300;             // the demo's window
};

// "--name VALUE" or "--name=VALUE", at most once: `apply` stores the value
// and returns what is wrong with it, or an empty string.
CLI::Option* addValueOption(CLI::App& app, const std::string& name,
                            std::function<std::string(const std::string& value)> apply);

// A flag "--name", which takes no value, at most once.
CLI::Option* addFlag(CLI::App& app, const std::string& name, bool& set);

// The four state options, storing into `state`, --viewpoint and --mode
// required; and --state, storing the name into `file`: a whole scene state
// in JSON (scene/state_json.h), which goes with none of the four. Sizes are only
// checked to be positive: what the GL can draw is known once it runs.
void addStateOptions(CLI::App& app, StateOptions& state, std::string& file);

// The --help lines that describe them.
std::string stateOptionsUsage();

// A tool's whole command line (`argv[0]` its name): with --help or -h
// anywhere, prints `usage` and gives EXIT_DONE; with --version, prints
// "PROGRAM VERSION" and gives EXIT_DONE; with a bad command line, prints one
// line naming the problem and gives EXIT_BAD_REQUEST; nothing when the tool
// is to run.
std::optional<int> readCommandLine(const char* program, CLI::App& app, int argc,
                                   const char* const* argv, const std::string& usage);

// One line naming a state, for a PNG's description or a report's heading.
std::string describeState(const StateOptions& state);

// The values of --angles X,Y,Z (three finite numbers of degrees), --size WxH
// (at least 1x1) and --pixel X,Y (whole numbers, checked against the frame
// later): each stores what it reads and returns an empty string, or returns
// the line that refuses `value` and stores nothing.
std::string applyAngles(const std::string& value, StateOptions& state);
std::string applySize(const std::string& value, StateOptions& state);
std::string applyPixel(const std::string& value, int& x, int& y);

// Helpers for the tools' own options.
// A whole decimal integer in [min, max], nothing before or after it.
bool parseInt(const std::string& text, long min, long max, int& result);
std::string quoted(const std::string& text);
