#include "options.h"

#include "state_names.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Each option takes one value, as "--name VALUE" or "--name=VALUE".
struct OptionSpec {
    const char* name;
    bool required;
    // Stores the value in `options`, or returns what is wrong with it.
    std::string (*apply)(const std::string& value, CaptureOptions& options);
};

// A whole decimal integer, nothing before or after it.
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

std::string applyViewpoint(const std::string& value, CaptureOptions& options)
{
    if (!parseInt(value, 0, VIEWPOINT_COUNT - 1, options.viewpoint)) {
        return "--viewpoint must be 0, 1 or 2, not " + quoted(value);
    }
    return {};
}

std::string applyMode(const std::string& value, CaptureOptions& options)
{
    if (!parseInt(value, 0, LIGHTING_MODE_COUNT - 1, options.lightingMode)) {
        return "--mode must be 0, 1, 2 or 3, not " + quoted(value);
    }
    return {};
}

// Three finite numbers separated by commas. strtof rounds the decimal text
// straight to the float the viewer state holds.
std::string applyAngles(const std::string& value, CaptureOptions& options)
{
    const std::string problem =
        "--angles must be three finite numbers of degrees as X,Y,Z, not " + quoted(value);
    float* const fields[] = {&options.angleX, &options.angleY, &options.angleZ};
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

std::string applySize(const std::string& value, CaptureOptions& options)
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
    options.width = width;
    options.height = height;
    return {};
}

std::string applyOutput(const std::string& value, CaptureOptions& options)
{
    if (value.empty()) {
        return "--output needs a file name";
    }
    options.output = value;
    return {};
}

constexpr OptionSpec OPTIONS[] = {
    {"--viewpoint", true, applyViewpoint},
    {"--mode", true, applyMode},
    {"--angles", false, applyAngles},
    {"--size", false, applySize},
    {"--output", true, applyOutput},
};
constexpr int OPTION_COUNT = sizeof OPTIONS / sizeof OPTIONS[0];

ParsedCommandLine failure(std::string error)
{
    ParsedCommandLine result;
    result.outcome = ParsedCommandLine::Outcome::Error;
    result.error = std::move(error);
    return result;
}

}  // namespace

ParsedCommandLine parseCommandLine(int argc, const char* const* argv)
{
    ParsedCommandLine result;
    bool seen[OPTION_COUNT] = {};
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            result.outcome = ParsedCommandLine::Outcome::Help;
            return result;
        }
        const std::string::size_type equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        int index = 0;
        while (index < OPTION_COUNT && name != OPTIONS[index].name) {
            ++index;
        }
        if (index == OPTION_COUNT) {
            return failure(arg.compare(0, 1, "-") == 0 ? "unknown option " + quoted(arg)
                                                       : "unexpected argument " + quoted(arg));
        }
        if (seen[index]) {
            return failure(name + " is given more than once");
        }
        seen[index] = true;
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return failure(name + " needs a value");
        }
        std::string error = OPTIONS[index].apply(value, result.options);
        if (!error.empty()) {
            return failure(std::move(error));
        }
    }
    for (int index = 0; index < OPTION_COUNT; ++index) {
        if (OPTIONS[index].required && !seen[index]) {
            return failure(std::string("missing ") + OPTIONS[index].name + " (see --help)");
        }
    }
    result.outcome = ParsedCommandLine::Outcome::Capture;
    return result;
}

std::string usage()
{
    std::string text =
        "Usage: materials-lights-capture --viewpoint V --mode M [--angles X,Y,Z] [--size WxH]\n"
        "                                --output FILE\n"
        "Draws one frame of the materials and lights demo, with the demo's own code, and\n"
        "writes it to a PNG file.\n"
        "\n";
    text += "  --viewpoint V    where the eye is:\n";
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
        "  --output FILE    the PNG file; it appears only once it is complete\n"
        "  --help           print this help and exit\n"
        "\n"
        "It needs an X display with GLX. Without one, give it a virtual screen:\n"
        "  xvfb-run -a -s \"-screen 0 1280x1024x24\" materials-lights-capture ...\n"
        "\n"
        "Exit status: 0 the file is written; 1 no display or no usable OpenGL;\n"
        "2 a bad option, a size the OpenGL cannot draw, or an output that cannot be written.\n";
    return text;
}
