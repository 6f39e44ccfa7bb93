// libFuzzer target: the state reader on any bytes, as --state and the lab's
// import hand it a file. A refusal is one short line and changes nothing;
// an accepted state, written with sceneJson and read back, is the same.
#include "scene/state_json.h"

#include <cstdint>
#include <cstdlib>
#include <string>

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
    SceneState state = startingSceneState();
    const std::string problem =
        applySceneText(std::string(reinterpret_cast<const char*>(data), size), state);
    if (!problem.empty()) {
        check(problem.find('\n') == std::string::npos && problem.size() < 1000);
        check(sceneJson(state) == sceneJson(startingSceneState()));
        return 0;
    }
    SceneState read = startingSceneState();
    check(applySceneText(sceneJson(state).dump(), read).empty());
    check(sceneJson(read) == sceneJson(state));
    return 0;
}
