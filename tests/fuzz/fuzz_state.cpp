// libFuzzer target: the state reader on any bytes, as --state and the lab's
// import hand it a file. A refusal is one short line and changes nothing;
// an accepted state is all the text (no NUL, nothing after its brace but
// whitespace), and written with sceneJson and read back, is the same.
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
    const std::string text(reinterpret_cast<const char*>(data), size);
    SceneState state = startingSceneState();
    const std::string problem = applySceneText(text, state);
    if (!problem.empty()) {
        check(problem.find('\n') == std::string::npos && problem.size() < 1000);
        check(sceneJson(state) == sceneJson(startingSceneState()));
        return 0;
    }
    check(text.find('\0') == std::string::npos && text.find_last_not_of(" \t\r\n") == text.rfind('}'));
    SceneState read = startingSceneState();
    check(applySceneText(sceneJson(state).dump(), read).empty());
    check(sceneJson(read) == sceneJson(state));
    return 0;
}
