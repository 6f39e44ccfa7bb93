// libFuzzer target: the tools' command lines, read by CLI11 as the explain
// tool reads its own, and the value parsers behind them on each argument
// alone. The input is the arguments, each ended by a NUL as in argv. A
// command line taken has every value in range; a refused value is stored
// nowhere.
#include "scene/names.h"
#include "tools/common/options.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

void check(bool holds)
{
    if (!holds) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::string> args{"materials-lights-explain"};
    for (std::string arg; std::getline(input, arg, '\0');) {
        args.push_back(arg);
    }

    const StateOptions given{2, 3, 1, 2, 3, 40, 50};
    std::vector<const char*> argv;
    for (const std::string& arg : args) {
        StateOptions angles = given, frame = given;  // ints and floats: compared bit for bit
        int x = 7, y = 8, number = 9;
        check(applyAngles(arg, angles).empty() || std::memcmp(&angles, &given, sizeof given) == 0);
        check(applySize(arg, frame).empty() || std::memcmp(&frame, &given, sizeof given) == 0);
        check(applyPixel(arg, x, y).empty() || (x == 7 && y == 8));
        check(parseInt(arg, -3, 5, number) ? number >= -3 && number <= 5 : number == 9);
        argv.push_back(arg.c_str());
    }

    StateOptions s;
    std::string file;
    int x = 0, y = 0;
    bool json = false;
    CLI::App app;
    addStateOptions(app, s, file);
    addValueOption(app, "--pixel", [&](const std::string& value) {
        return applyPixel(value, x, y);
    })->required();
    addFlag(app, "--json", json);
    check(readCommandLine(args[0].c_str(), app, static_cast<int>(argv.size()), argv.data(), "") ||
          (s.viewpoint >= 0 && s.viewpoint < VIEWPOINT_COUNT && s.lightingMode >= 0 &&
           s.lightingMode < LIGHTING_MODE_COUNT && std::isfinite(s.angleX) &&
           std::isfinite(s.angleY) && std::isfinite(s.angleZ) && s.width >= 1 && s.height >= 1));
    return 0;
}
