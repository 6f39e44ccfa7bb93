#include "tools/common/options.h"

#include "scene/names.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

// What CLI11 refused, in the tools' words. The options' own checks throw
// their message; what CLI11 finds repeated, missing or excluded is named
// from the options' counts, in the order CLI11 goes through them.
std::string describeRefusal(const CLI::App& app, const CLI::ParseError& error,
                            const std::string& lastArgument)
{
    const bool mismatch = dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr;
    const bool missing = dynamic_cast<const CLI::RequiredError*>(&error) != nullptr;
    const bool excluded = dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr;
    // CLI11 refuses unknown arguments last; they go before a missing option,
    // which they may misspell.
    const std::vector<std::string> extra = app.remaining();
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr || (missing && !extra.empty())) {
        return (extra[0].rfind('-', 0) == 0 ? "unknown option " : "unexpected argument ") +
               quoted(extra[0]);
    }
    for (const CLI::Option* option : app.get_options()) {
        // Only --state and the four state options exclude each other.
        const CLI::Option* other =
            option->get_excludes().empty() ? nullptr : *option->get_excludes().begin();
        if (mismatch && option->count() > 1) {
            return option->get_name() + " is given more than once";
        }
        if (missing && option->get_required() && option->count() == 0) {
            return "missing " + option->get_name() +
                   (other != nullptr ? " (or " + other->get_name() + ")" : "") + " (see --help)";
        }
        if (excluded && option->count() > 0 && other != nullptr && other->count() > 0) {
            return option->get_name() + " cannot go with " + other->get_name() +
                   ", which sets the whole state";
        }
    }
    // Values are taken whatever they look like: only the last argument can
    // lack one.
    return mismatch ? lastArgument + " needs a value" : error.what();
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

// Three finite numbers separated by commas. strtof rounds the decimal text
// straight to the float the viewer state holds.
std::string applyAngles(const std::string& value, StateOptions& state)
{
    const std::string problem =
        "--angles must be three finite numbers of degrees as X,Y,Z, not " + quoted(value);
    float angles[3] = {0, 0, 0};
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
        angles[i] = angle;
        p = end + (i < 2 ? 1 : 0);
    }
    state.angleX = angles[0];
    state.angleY = angles[1];
    state.angleZ = angles[2];
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

std::string applyPixel(const std::string& value, int& x, int& y)
{
    const std::string::size_type comma = value.find(',');
    int column = 0, row = 0;
    if (comma == std::string::npos ||
        !parseInt(value.substr(0, comma), INT_MIN, INT_MAX, column) ||
        !parseInt(value.substr(comma + 1), INT_MIN, INT_MAX, row)) {
        return "--pixel must be X,Y (column, row, whole numbers), such as 150,120, not " +
               quoted(value);
    }
    x = column;
    y = row;
    return {};
}

int failWith(const char* program, int status, const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return status;
}

CLI::Option* addValueOption(CLI::App& app, const std::string& name,
                            std::function<std::string(const std::string& value)> apply)
{
    // Thrown from the callback, the message reaches describeRefusal as it is.
    return app.add_option_function<std::string>(name, [apply](const std::string& value) {
        if (const std::string problem = apply(value); !problem.empty()) {
            throw CLI::ValidationError(problem);
        }
    });
}

CLI::Option* addFlag(CLI::App& app, const std::string& name, bool& set)
{
    return app.add_flag(name, set)->multi_option_policy(CLI::MultiOptionPolicy::Throw);
}

void addStateOptions(CLI::App& app, StateOptions& state, std::string& file)
{
    CLI::Option* const view[] = {
        addValueOption(app, "--viewpoint", [&state](const std::string& value) {
            return parseInt(value, 0, VIEWPOINT_COUNT - 1, state.viewpoint)
                       ? std::string()
                       : "--viewpoint must be 0, 1 or 2, not " + quoted(value);
        })->required(),
        addValueOption(app, "--mode", [&state](const std::string& value) {
            return parseInt(value, 0, LIGHTING_MODE_COUNT - 1, state.lightingMode)
                       ? std::string()
                       : "--mode must be 0, 1, 2 or 3, not " + quoted(value);
        })->required(),
        addValueOption(app, "--angles",
                       [&state](const std::string& value) { return applyAngles(value, state); }),
        addValueOption(app, "--size",
                       [&state](const std::string& value) { return applySize(value, state); }),
    };
    CLI::Option* const whole = addValueOption(app, "--state", [&file, view](const std::string& value) {
        file = value;
        // Callbacks run before CLI11 checks what is required: the file
        // gives the view, so --viewpoint and --mode are no longer needed.
        for (CLI::Option* option : view) {
            option->required(false);
        }
        return value.empty() ? std::string("--state needs a file name, or -") : std::string();
    });
    for (CLI::Option* option : view) {
        option->excludes(whole);
    }
}

std::optional<int> readCommandLine(const char* program, CLI::App& app, int argc,
                                   const char* const* argv, const std::string& usage)
{
    // Anywhere, even where an option would take it as its value.
    if (std::any_of(argv + 1, argv + argc,
                    [](const std::string& arg) { return arg == "--help" || arg == "-h"; })) {
        std::fputs(usage.c_str(), stdout);
        return std::fflush(stdout) == 0 ? EXIT_DONE : EXIT_NO_DISPLAY_OR_GL;
    }
    app.set_help_flag();  // none of CLI11's own
    // Answered as soon as it is read, before the other options' checks.
    app.set_version_flag("--version", std::string(program) + " " + ML_VERSION)
        ->trigger_on_parse();
    // CLI11 reads "--name=" as "--name" waiting for the next argument, and
    // takes "--flag=true" for "--flag": an empty value goes on as an
    // argument of its own, for the option's check to refuse, and a flag's
    // value is refused here.
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i], name = arg.substr(0, arg.find('='));
        const CLI::Option* option = name != arg ? app.get_option_no_throw(name) : nullptr;
        if (option != nullptr && option->get_items_expected_max() == 0) {
            return failWith(program, EXIT_BAD_REQUEST, name + " takes no value");
        }
        if (option != nullptr && name.size() + 1 == arg.size()) {
            args.insert(args.end(), {name, ""});
        } else {
            args.push_back(arg);
        }
    }
    std::reverse(args.begin(), args.end());  // CLI11 takes them last first
    try {
        app.parse(args);
        if (!app.remaining().empty()) {  // only a lone "--", which CLI11 lets by
            throw CLI::ExtrasError(app.remaining());
        }
    } catch (const CLI::CallForVersion& version) {
        std::printf("%s\n", version.what());
        return std::fflush(stdout) == 0 ? EXIT_DONE : EXIT_NO_DISPLAY_OR_GL;
    } catch (const CLI::ParseError& error) {
        return failWith(program, EXIT_BAD_REQUEST, describeRefusal(app, error, argv[argc - 1]));
    }
    return std::nullopt;
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
        "                   the frame is drawn off screen, so it may exceed the screen\n"
        "  --state FILE     the whole state as one JSON object (- reads standard input)\n"
        "                   of at most 1 MiB, nested at most 16 deep, each field once:\n"
        "                   the view, every light, the material, the light model, the\n"
        "                   solids' tessellation and the shading; fields left out keep\n"
        "                   the demo's values. It replaces --viewpoint, --mode, --angles\n"
        "                   and --size, which cannot go with it\n";
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

