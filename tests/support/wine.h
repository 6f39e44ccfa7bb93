// The Windows build of the demo under Wine, for the tests labelled
// `windows`: where the program and the run's Wine prefix are, whether all
// they need is there, and demo sessions of the program under Wine.
#pragma once

#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The cross-built materials-lights.exe, and the Wine prefix the test run
// makes for it inside the build tree (the `wine_prefix` CTest fixture).
const char* windowsExePath();
const char* winePrefixPath();

// Full path of the program `name` on PATH; empty when there is none.
std::string findOnPath(const std::string& name);

// Succeeds when wine and wineserver are on PATH, the program exists and the
// prefix has been made; otherwise fails with the one reason why.
::testing::AssertionResult wineReady();

// The variables every Wine process of the tests gets: the run's own prefix
// (Wine's default is in the home directory) with a home directory inside it,
// so that nothing is written to the user's, and no Wine diagnostics.
std::vector<std::string> wineEnvironment();

struct CommandResult {
    bool finished = false;  // false: killed at the timeout
    int status = -1;        // exit status when it finished
    std::string output;     // standard output and standard error, merged
};

// Runs a program (argv[0], searched on PATH) to its end with `env`
// (NAME=VALUE) added to this process's environment.
CommandResult runCommand(const std::vector<std::string>& argv,
                         const std::vector<std::string>& env = {}, double timeoutSeconds = 60.0);

// Ends every process Wine runs in the prefix and waits until its server has
// gone, so that nothing is left holding a session's output or the prefix.
void endWineProcesses();

// A DemoSession of the Windows program under wine, with the run's prefix.
// Ending it ends every Wine process of the prefix (the CTest tests under
// Wine never run two at once: they share one prefix and its server).
class WineDemo {
public:
    // `env`: NAME=VALUE entries added to the Wine environment.
    explicit WineDemo(std::vector<std::string> env = {});
    ~WineDemo();
    WineDemo(const WineDemo&) = delete;
    WineDemo& operator=(const WineDemo&) = delete;

    DemoSession* operator->() { return &session_; }
    DemoSession& operator*() { return session_; }

    // Waits for the program to end by itself, then ends Wine's helper
    // processes, which hold its standard error open, so that out() and
    // err() are complete when this returns.
    ExitResult waitForExit(double timeoutSeconds = 10.0);

private:
    DemoSession session_;
};
