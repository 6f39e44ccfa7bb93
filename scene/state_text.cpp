// A state's text made into a tree by nlohmann's parser, through its public
// SAX interface, held to the limits as it goes; and a state file read.
#include "scene/state_json.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

namespace {

using json = nlohmann::json;

// Builds the tree as the parser reads the text (the parser itself does not
// recurse): a level past MOST_STATE_DEPTH is refused before it is opened,
// and a key that its object already has is refused by its path. The
// parser's first error is kept instead of thrown.
class LimitedTree {
public:
    explicit LimitedTree(json& root) : root_(root) {}

    bool null() { return put(nullptr); }
    bool boolean(bool v) { return put(v); }
    bool number_integer(json::number_integer_t v) { return put(v); }
    bool number_unsigned(json::number_unsigned_t v) { return put(v); }
    bool number_float(json::number_float_t v, const json::string_t&) { return put(v); }
    bool string(json::string_t& v) { return put(std::move(v)); }
    bool binary(json::binary_t& v) { return put(json::binary(std::move(v))); }

    bool start_object(std::size_t) { return open(json::object(), false); }
    bool start_array(std::size_t) { return open(json::array(), true); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }

    bool key(json::string_t& name)
    {
        Level& object = levels_.back();
        if (!object.keys.insert(name).second) {
            refusal = fieldPath(path(levels_.size() - 1), shownName(name)) + " is given twice";
            return false;
        }
        object.key = name;
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const json::exception& exception)
    {
        const std::string error = exception.what();
        const std::string::size_type tag = error.find("] ");
        std::string message = tag == std::string::npos ? error : error.substr(tag + 2);
        // It quotes all it read of the token it stopped in, which may be
        // most of the text: the quote is cut short as values are.
        const std::string opening = "last read: '";
        const std::string::size_type from = message.find(opening), to = message.rfind('\'');
        if (from != std::string::npos && to > from + opening.size() + 40) {
            message.replace(from + opening.size() + 37, to - (from + opening.size() + 37), "...");
        }
        refusal = "not JSON: " + message;
        return false;
    }

    std::string refusal;

private:
    // An open array or object: its value in the tree, how many values the
    // array has begun, or the object's keys so far and the last one.
    struct Level {
        json* value;
        bool array = false;
        std::size_t values = 0;
        std::string key;
        std::set<std::string> keys;
    };

    // The value goes where the parser is: the root, the open array's end,
    // or the open object's last key. Returns where it went.
    json* place(json value)
    {
        if (levels_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Level& level = levels_.back();
        if (level.array) {
            ++level.values;
            level.value->push_back(std::move(value));
            return &level.value->back();
        }
        return &((*level.value)[level.key] = std::move(value));
    }

    bool put(json value)
    {
        place(std::move(value));
        return true;
    }

    bool open(json value, bool array)
    {
        if (levels_.size() == MOST_STATE_DEPTH) {
            refusal = "the state nests arrays and objects more than " +
                      std::to_string(MOST_STATE_DEPTH) + " deep";
            return false;
        }
        json* at = place(std::move(value));
        levels_.push_back({at, array, 0, {}, {}});
        return true;
    }

    bool close()
    {
        levels_.pop_back();
        return true;
    }

    // The path of the value the first `count` levels lead to: "lights[0]".
    std::string path(std::size_t count) const
    {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            const Level& level = levels_[i];
            text = level.array ? text + "[" + std::to_string(level.values - 1) + "]"
                               : fieldPath(text, shownName(level.key));
        }
        return text;
    }

    json& root_;
    std::vector<Level> levels_;
};

std::string quotedName(const std::string& file)
{
    return "\"" + file + "\"";
}

}  // namespace

std::string applySceneText(const std::string& text, SceneState& state)
{
    if (text.size() > MOST_STATE_BYTES) {
        return "the state is larger than " + std::to_string(MOST_STATE_BYTES >> 20) + " MiB (" +
               std::to_string(MOST_STATE_BYTES) + " bytes)";
    }
    // The parser takes a NUL byte for the end of the text: what follows it
    // would be left unread. It refuses anything else after the value.
    if (const std::string::size_type nul = text.find('\0'); nul != std::string::npos) {
        return "not JSON: a NUL byte at byte " + std::to_string(nul + 1);
    }
    // Parsed without exceptions (WebAssembly builds cannot catch them); the
    // parser's own message says where the text stops being JSON. It skips
    // a byte-order mark.
    json value;
    LimitedTree tree(value);
    if (!json::sax_parse(text, &tree) || !tree.refusal.empty()) {
        return tree.refusal;
    }
    return applySceneJson(value, state);
}

std::string readStateFile(const std::string& file, SceneState& state)
{
    // C streams: a directory or an unreadable device is an error to report,
    // never an exception.
    std::FILE* in = file == "-" ? stdin : std::fopen(file.c_str(), "rb");
    std::string text;
    int failure = in == nullptr ? errno : 0;
    if (in != nullptr) {
        // One byte past the limit is enough for the reader to refuse: an
        // endless input is never read to its end.
        char block[4096];
        for (size_t got = 1; got > 0 && text.size() <= MOST_STATE_BYTES;) {
            const size_t wanted = std::min(sizeof block, MOST_STATE_BYTES + 1 - text.size());
            got = std::fread(block, 1, wanted, in);
            text.append(block, got);
        }
        failure = std::ferror(in) ? errno : 0;
        if (in != stdin) {
            std::fclose(in);
        }
    }
    const std::string name = file == "-" ? std::string("- (standard input)") : quotedName(file);
    if (failure != 0) {
        return "--state " + name + " cannot be read: " + std::strerror(failure);
    }
    state = startingSceneState();
    const std::string problem = applySceneText(text, state);
    return problem.empty() ? problem : "--state " + name + ": " + problem;
}
