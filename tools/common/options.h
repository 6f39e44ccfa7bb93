// Command lines of the tools: one parser for every tool, and the options
// that set the demo's state (--viewpoint, --mode, --angles, --size), which
// every tool that draws a frame shares.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

// One option: "--name VALUE" or "--name=VALUE", or a flag "--name" that
// takes no value. `apply` stores the value (empty for a flag) and returns
// what is wrong with it, or an empty string.
struct CommandOption {
    using Apply = std::function<std::string(const std::string& value)>;

    CommandOption(std::string name, bool required, bool takesValue, Apply apply,
                  std::string replacedBy = {})
        : name(std::move(name)), required(required), takesValue(takesValue),
          apply(std::move(apply)), replacedBy(std::move(replacedBy))
    {
    }

    std::string name;
    bool required = false;
    bool takesValue = true;
    Apply apply;
    // The option that stands in for this one: given, this one is neither
    // required nor allowed.
    std::string replacedBy;
};

enum class ParseOutcome { Run, Help, Error };

// Reads the arguments after the program name against `accepted`. "--help" or
// "-h" anywhere gives Help. An unknown option, a repeated one, a missing
// value, a value given to a flag or a missing required option gives Error,
// with one line (no newline) in `error`.
ParseOutcome parseOptions(int argc, const char* const* argv, const std::vector<CommandOption>& accepted,
                          std::string& error);

// A tool's whole command line (`argv[0]` its name): with --help, prints
// `usage` and gives EXIT_DONE; with a bad command line, prints one line
// naming the problem and gives EXIT_BAD_REQUEST; nothing when the tool is to
// run.
std::optional<int> readCommandLine(const char* program, int argc, const char* const* argv,
                                   const std::vector<CommandOption>& accepted, const std::string& usage);

// The four state options, storing into `state`; --viewpoint and --mode are
// required. Sizes are only checked to be positive here: what the GL can
// draw is known once it is running.
std::vector<CommandOption> stateOptions(StateOptions& state);

// The --help lines that describe them.
std::string stateOptionsUsage();

// --state FILE, storing the name into `file`: a whole scene state in JSON
// (scene_json.h), which replaces the four state options in `options`.
void addStateFileOption(std::vector<CommandOption>& options, std::string& file);

// Its --help lines.
std::string stateFileUsage();

// One line naming a state, for a PNG's description or a report's heading.
std::string describeState(const StateOptions& state);

// Helpers for the tools' own options.
// A whole decimal integer in [min, max], nothing before or after it.
bool parseInt(const std::string& text, long min, long max, int& result);
std::string quoted(const std::string& text);
