// Runs a command-line program to its end and collects what it printed and
// its exit status, for tests of the tools; and the scratch directories and
// files those tests work in.
#pragma once

#include <set>
#include <string>
#include <vector>

struct ProgramRun {
    bool exited = false;  // false: killed after the timeout or by a signal
    int status = -1;      // exit status when it exited
    int signal = 0;       // the signal that ended it, if one did
    std::string out, err;
    double seconds = 0;  // from start to end
    long maxRssKiB = 0;  // its largest resident set, as getrusage gives it
};

struct RunSetup {
    std::string display;         // DISPLAY; unset when empty
    std::string directory;       // working directory; empty: this process's
    int standardOutput = -1;     // descriptor given as its standard output; -1: read into `out`
    double timeoutSeconds = 60;  // then it is killed
    int standardInput = -1;      // descriptor given as its standard input; -1: this process's
};

ProgramRun runProgram(const std::string& program, std::vector<std::string> args,
                      const RunSetup& setup);

// Runs `program` with `args`, with DISPLAY set to `display`, or unset when
// it is empty.
inline ProgramRun runProgram(const std::string& program, std::vector<std::string> args,
                             const std::string& display = "", double timeoutSeconds = 60)
{
    return runProgram(program, std::move(args), RunSetup{display, "", -1, timeoutSeconds});
}

// A fresh directory under /tmp, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Every name in the directory, hidden ones included.
    std::set<std::string> entries() const;

private:
    std::string path_;
};

std::string readText(const std::string& path);
void writeText(const std::string& path, const std::string& text);
