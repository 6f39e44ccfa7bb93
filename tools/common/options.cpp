#include "tools/common/options.h"

#include "scene/names.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

// Three finite numbers separated by commas. strtof rounds the decimal text
// straight to the float the viewer state holds.
std::string applyAngles(const std::string& value, StateOptions& state)
{
    const std::string problem =
        "--angles must be three finite numbers of degrees as X,Y,Z, not " + quoted(value);
    float* const fields[] = {&state.angleX, &state.angleY, &state.angleZ};
    const char* p = value.c_str();
    for (int i = 0; i < 3; ++i) {
        if (*p == '\0' || *p == ',' || std::isspace(static_cast<unsigned char>(*p))) {
            return problem;
        }
        errno = 0;
        char* end = nullptr;
        const float angle = std::strtof(p, &end);
        if (end == p || errno == ERANGE || !std::isfinite(angle)) {
            return problem;
        }
        if (*end != (i < 2 ? ',' : '\0')) {
            return problem;
        }
        *fields[i] = angle;
        p = end + (i < 2 ? 1 : 0);
    }
    return {};
}

std::string applySize(const std::string& value, StateOptions& state)
{
    const std::string::size_type x = value.find('x');
    int width = 0, height = 0;
    if (x == std::string::npos ||
        !parseInt(value.substr(0, x), 0, std::numeric_limits<int>::max(), width) ||
        !parseInt(value.substr(x + 1), 0, std::numeric_limits<int>::max(), height)) {
        return "--size must be WIDTHxHEIGHT in pixels, such as 300x300, not " + quoted(value);
    }
    if (width < 1 || height < 1) {
        return "--size must be at least 1x1 pixel, not " + quoted(value);
    }
    state.width = width;
    state.height = height;
    return {};
}

}  // namespace

bool parseInt(const std::string& text, long min, long max, int& result)
{
    if (text.empty() || !(text[0] == '-' || (text[0] >= '0' && text[0] <= '9'))) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < min || value > max) {
        return false;
    }
    result = static_cast<int>(value);
    return true;
}

std::string quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

ParseOutcome parseOptions(int argc, const char* const* argv, const std::vector<CommandOption>& accepted,
                          std::string& error)
{
    std::vector<bool> seen(accepted.size(), false);
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            return ParseOutcome::Help;
        }
    }
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::string::size_type equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        size_t index = 0;
        while (index < accepted.size() && name != accepted[index].name) {
            ++index;
        }
        if (index == accepted.size()) {
            error = arg.compare(0, 1, "-") == 0 ? "unknown option " + quoted(arg)
                                                : "unexpected argument " + quoted(arg);
            return ParseOutcome::Error;
        }
        const CommandOption& option = accepted[index];
        if (seen[index]) {
            error = name + " is given more than once";
            return ParseOutcome::Error;
        }
        seen[index] = true;
        for (size_t other = 0; other < accepted.size(); ++other) {
            const bool replaces = accepted[other].replacedBy == name ||
                                  option.replacedBy == accepted[other].name;
            if (seen[other] && replaces && other != index) {
                const bool first = accepted[other].replacedBy == name;
                error = (first ? accepted[other].name : name) + " cannot go with " +
                        (first ? name : accepted[other].name) + ", which sets the whole state";
                return ParseOutcome::Error;
            }
        }
        std::string value;
        if (!option.takesValue) {
            if (equals != std::string::npos) {
                error = name + " takes no value";
                return ParseOutcome::Error;
            }
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            error = name + " needs a value";
            return ParseOutcome::Error;
        }
        error = option.apply(value);
        if (!error.empty()) {
            return ParseOutcome::Error;
        }
    }
    for (size_t index = 0; index < accepted.size(); ++index) {
        const std::string& stand = accepted[index].replacedBy;
        bool replaced = false;
        for (size_t other = 0; other < accepted.size(); ++other) {
            replaced = replaced || (seen[other] && accepted[other].name == stand);
        }
        if (accepted[index].required && !seen[index] && !replaced) {
            error = "missing " + accepted[index].name +
                    (stand.empty() ? "" : " (or " + stand + ")") + " (see --help)";
            return ParseOutcome::Error;
        }
    }
    return ParseOutcome::Run;
}

int failWith(const char* program, int status, const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return status;
}

std::optional<int> readCommandLine(const char* program, int argc, const char* const* argv,
                                   const std::vector<CommandOption>& accepted, const std::string& usage)
{
    std::string error;
    switch (parseOptions(argc - 1, argv + 1, accepted, error)) {
    case ParseOutcome::Help:
        std::fputs(usage.c_str(), stdout);
        return std::fflush(stdout) == 0 ? EXIT_DONE : EXIT_NO_DISPLAY_OR_GL;
    case ParseOutcome::Error:
        return failWith(program, EXIT_BAD_REQUEST, error);
    case ParseOutcome::Run:
        break;
    }
    return std::nullopt;
}

std::vector<CommandOption> stateOptions(StateOptions& state)
{
    return {
        {"--viewpoint", true, true,
         [&state](const std::string& value) -> std::string {
             if (!parseInt(value, 0, VIEWPOINT_COUNT - 1, state.viewpoint)) {
                 return "--viewpoint must be 0, 1 or 2, not " + quoted(value);
             }
             return {};
         }},
        {"--mode", true, true,
         [&state](const std::string& value) -> std::string {
             if (!parseInt(value, 0, LIGHTING_MODE_COUNT - 1, state.lightingMode)) {
                 return "--mode must be 0, 1, 2 or 3, not " + quoted(value);
             }
             return {};
         }},
        {"--angles", false, true,
         [&state](const std::string& value) { return applyAngles(value, state); }},
        {"--size", false, true,
         [&state](const std::string& value) { return applySize(value, state); }},
    };
}

std::string stateOptionsUsage()
{
    std::string text = "  --viewpoint V    where the eye is:\n";
    for (int v = 0; v < VIEWPOINT_COUNT; ++v) {
        text += "                     " + std::to_string(v) + " " + VIEWPOINT_NAMES[v] + "\n";
    }
    text += "  --mode M         which lights are on:\n";
    for (int m = 0; m < LIGHTING_MODE_COUNT; ++m) {
        text += "                     " + std::to_string(m) + " " + LIGHTING_MODE_NAMES[m] + "\n";
    }
    text +=
        "  --angles X,Y,Z   turns of the scene about X, Y and Z in degrees, as the arrow\n"
        "                   and page keys set them (default 0,0,0)\n"
        "  --size WxH       frame size in pixels (default 300x300, the demo's window);\n"
        "                   the frame is drawn off screen, so it may exceed the screen\n";
    return text;
}

std::string describeState(const StateOptions& s)
{
    char angles[96];
    std::snprintf(angles, sizeof angles, "%.9g,%.9g,%.9g", static_cast<double>(s.angleX),
                  static_cast<double>(s.angleY), static_cast<double>(s.angleZ));
    return "Materiels et lumieres OpenGL: viewpoint " + std::to_string(s.viewpoint) + " (" +
           VIEWPOINT_NAMES[s.viewpoint] + "), lighting mode " + std::to_string(s.lightingMode) +
           " (" + LIGHTING_MODE_NAMES[s.lightingMode] + "), angles " + angles + " degrees";
}

void addStateFileOption(std::vector<CommandOption>& options, std::string& file)
{
    for (CommandOption& option : options) {
        if (option.name == "--viewpoint" || option.name == "--mode" || option.name == "--angles" ||
            option.name == "--size") {
            option.replacedBy = "--state";
        }
    }
    options.push_back({"--state", false, true, [&file](const std::string& value) {
                           file = value;
                           return value.empty() ? std::string("--state needs a file name, or -")
                                                : std::string();
                       }});
}

std::string stateFileUsage()
{
    return "  --state FILE     the whole state as one JSON object (- reads standard input):\n"
           "                   the view, every light, the material, the light model, the\n"
           "                   solids' tessellation and the shading; fields left out keep\n"
           "                   the demo's values. It replaces --viewpoint, --mode, --angles\n"
           "                   and --size, which cannot go with it\n";
}
