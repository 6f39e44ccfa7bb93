// The layering: which folder's code may include which. Every `#include "..."`
// of the project's own sources is read and held against the table below; a
// folder always includes its own headers. A new folder, or a new arrow
// between folders, is a change to this table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Layer {
    const char* folder;
    const char* mayInclude;  // folders, separated by spaces
};

// From the bottom up. model/ is the independent oracle: it includes nothing
// of the program, so it cannot share a fault with what it checks.
constexpr Layer LAYERS[] = {
    {"mesh", ""},
    {"model", ""},
    {"scene", "mesh"},
    {"render", "scene mesh"},
    {"shading", "scene mesh"},
    {"explain", "model scene mesh"},
    {"app", "render scene mesh"},
    {"tools/common", "render scene mesh"},
    {"tools/capture", "tools/common shading render scene mesh"},
    {"tools/explain", "tools/common explain shading render model scene mesh"},
    // The pages: the demo page runs the demo's own callbacks.
    {"web", "app explain shading render model scene mesh"},
    {"bench", "tests tools/common tools/explain app explain shading render model scene mesh"},
    {"tests", "tools/common tools/capture tools/explain app explain shading render model scene mesh"},
};

// The table's folder that holds `path` (relative to the project), or
// nullptr: the longest folder that is a prefix of it.
const Layer* layerOf(const std::string& path)
{
    const Layer* found = nullptr;
    size_t longest = 0;
    for (const Layer& layer : LAYERS) {
        const std::string folder = std::string(layer.folder) + "/";
        if (path.compare(0, folder.size(), folder) == 0 && folder.size() > longest) {
            found = &layer;
            longest = folder.size();
        }
    }
    return found;
}

// Why `file` may not include `header`, or an empty string.
std::string forbidden(const std::string& file, const std::string& header)
{
    const Layer* from = layerOf(file);
    if (from == nullptr) {
        return file + " is in no folder of the layering table";
    }
    if (header.find('/') == std::string::npos) {
        return file + " includes \"" + header + "\" without naming its folder";
    }
    const Layer* to = layerOf(header);
    if (to == nullptr) {
        return file + " includes \"" + header + "\", which is in no folder of the table";
    }
    if (to == from) {
        return {};
    }
    std::istringstream allowed(from->mayInclude);
    for (std::string folder; allowed >> folder;) {
        if (folder == to->folder) {
            return {};
        }
    }
    return file + " (" + from->folder + "/) may not include " + header + " (" + to->folder + "/)";
}

// The header a line includes with quotes (`#include "scene/state.h"`), or an
// empty string.
std::string includedHeader(const std::string& line)
{
    std::istringstream words(line);
    std::string directive, header;
    words >> directive;
    if (directive == "#") {
        words >> directive;
        directive = "#" + directive;
    }
    if (directive != "#include" || !(words >> header) || header.size() < 3 || header[0] != '"') {
        return {};
    }
    return header.substr(1, header.find('"', 1) - 1);
}

TEST(Layering, TheRuleRefusesWhatTheTableDoesNotAllow)
{
    struct Case {
        const char* file;
        const char* header;
        bool allowed;
    };
    const Case cases[] = {
        {"scene/state.h", "mesh/mesh.h", true},
        {"scene/state.h", "render/gl.h", false},
        {"render/frame.cpp", "app/callbacks.h", false},
        {"model/lighting_model.cpp", "scene/state.h", false},
        {"tools/capture/pictures.cpp", "tools/common/options.h", true},
        {"tools/common/options.cpp", "tools/capture/pictures.h", false},
        {"explain/report.cpp", "shading/shading.h", false},
        {"explain/report.cpp", "explain/explanation.h", true},
        {"web/lab_main.cpp", "explanation.h", false},
        {"docs/x.cpp", "scene/state.h", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(forbidden(c.file, c.header).empty(), c.allowed) << c.file << " -> " << c.header;
    }
}

TEST(Layering, EveryIncludeOfTheSourcesKeepsToTheTable)
{
    const fs::path root = ML_SOURCE_DIR;
    int read = 0;
    std::vector<std::string> wrong;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const std::string name = it->path().filename().string();
        if (it->is_directory() &&
            (name.rfind("build", 0) == 0 || name == "node_modules" || name[0] == '.')) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string ext = it->path().extension().string();
        if (!it->is_regular_file() || (ext != ".h" && ext != ".cpp" && ext != ".c")) {
            continue;
        }
        const std::string file = it->path().lexically_relative(root).generic_string();
        std::ifstream in(it->path());
        for (std::string line; std::getline(in, line);) {
            if (const std::string header = includedHeader(line); !header.empty()) {
                ++read;
                if (std::string why = forbidden(file, header); !why.empty()) {
                    wrong.push_back(why);
                }
            }
        }
    }
    // The project has a few hundred: far fewer means the walk missed them.
    EXPECT_GT(read, 200);
    for (const std::string& why : wrong) {
        ADD_FAILURE() << why;
    }
}

}  // namespace
