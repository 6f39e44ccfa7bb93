// Runs a command-line program to its end and collects what it printed and
// its exit status, for tests of the tools.
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
    bool exited = false;  // false: killed after the timeout or by a signal
    int status = -1;
    std::string out, err;
};

// Runs `program` with `args`, with DISPLAY set to `display`, or unset when
// it is empty.
ProgramRun runProgram(const std::string& program, std::vector<std::string> args,
                      const std::string& display = "", double timeoutSeconds = 60);
