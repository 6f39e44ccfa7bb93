// The Wine prefix of one test run (the `wine_prefix` CTest fixture):
//
//   make-wine-prefix create   makes it afresh with `wineboot -i` on a
//                             private Xvfb, after checking that Wine and
//                             the Windows program are there
//   make-wine-prefix remove   ends its Wine processes and deletes it
//
// The prefix is the one the tests use (winePrefixPath(), in the build tree).
// Any failure is one line on standard error and exit status 1.
#include "tests/support/wine.h"
#include "tests/support/xvfb.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

int fail(const std::string& reason)
{
    std::fprintf(stderr, "make-wine-prefix: %s\n", reason.c_str());
    return 1;
}

// Deletes the prefix, but only what looks like a Wine prefix (or nothing),
// never another directory that happens to have its name.
int removePrefix(const fs::path& prefix)
{
    std::error_code error;
    if (!fs::exists(prefix, error)) {
        return 0;
    }
    if (!fs::exists(prefix / "system.reg", error) && !fs::is_empty(prefix, error)) {
        return fail(prefix.string() + " is not a Wine prefix: left alone");
    }
    if (!findOnPath("wineserver").empty()) {
        endWineProcesses();
    }
    fs::remove_all(prefix, error);
    if (error) {
        return fail("cannot remove " + prefix.string() + ": " + error.message());
    }
    return 0;
}

int createPrefix(const fs::path& prefix)
{
    for (const char* program : {"wine", "wineboot", "wineserver"}) {
        if (findOnPath(program).empty()) {
            return fail(std::string(program) +
                        " is not on PATH: install Wine (Debian: apt-get install wine wine64,"
                        " or run ./setup.sh windows test)");
        }
    }
    if (!fs::is_regular_file(windowsExePath())) {
        return fail(std::string("no Windows program at ") + windowsExePath() +
                    ": build it with ./setup.sh windows");
    }
    if (const int removed = removePrefix(prefix); removed != 0) {
        return removed;
    }

    const auto start = std::chrono::steady_clock::now();
    std::error_code error;
    fs::create_directories(prefix / "home", error);
    if (error) {
        return fail("cannot make " + (prefix / "home").string() + ": " + error.message());
    }
    XvfbServer server;
    std::vector<std::string> env{"DISPLAY=" + server.display()};
    for (const std::string& variable : wineEnvironment()) {
        if (variable.rfind("WINEDLLOVERRIDES=", 0) != 0) {
            env.push_back(variable);
        }
    }
    // No Mono or Gecko either: the demo needs neither, and their installers
    // would wait for a click or the network.
    env.push_back("WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d");
    const CommandResult boot = runCommand({"wineboot", "-i"}, env, 300.0);
    const CommandResult settled = runCommand({"wineserver", "-w"}, env, 60.0);
    if (!boot.finished || boot.status != 0 || !settled.finished ||
        !fs::exists(prefix / "system.reg")) {
        return fail("wineboot -i did not make " + prefix.string() +
                    " (status " + std::to_string(boot.status) + "): " + boot.output);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("make-wine-prefix: %s made in %.1f s\n", prefix.c_str(), seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string action = argc == 2 ? argv[1] : "";
    try {
        if (action == "create") {
            return createPrefix(winePrefixPath());
        }
        if (action == "remove") {
            return removePrefix(winePrefixPath());
        }
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return fail("usage: make-wine-prefix create|remove");
}
