// What people meet when something goes wrong, on the real program: no X
// display, the window closed through the window manager, an OpenGL error in
// one frame; and the README's run command on a machine without a display.
#include "scene/viewer.h"
#include "tests/support/e2e.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const char* const ERROR_LINE = "Erreur OpenGL\n";

int countOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// This process's environment without the variables named in `removed`,
// followed by `added` (NAME=VALUE).
std::vector<std::string> environmentWith(const std::vector<std::string>& removed,
                                         const std::vector<std::string>& added = {})
{
    std::vector<std::string> result;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool drop = false;
        for (const std::string& r : removed) {
            drop = drop || r == name;
        }
        for (const std::string& a : added) {
            drop = drop || a.compare(0, name.size() + 1, name + "=") == 0;
        }
        if (!drop) {
            result.push_back(entry);
        }
    }
    result.insert(result.end(), added.begin(), added.end());
    return result;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Finished {
    ExitResult exit;
    std::string out, err;
};

// Runs a program that is expected to end by itself (no window to drive),
// with `env` as its whole environment; kills it after the timeout.
Finished runToEnd(std::vector<std::string> argv, std::vector<std::string> env,
                  double timeoutSeconds = 20.0)
{
    char outPath[] = "/tmp/ml-run-out-XXXXXX";
    char errPath[] = "/tmp/ml-run-err-XXXXXX";
    const int outFd = mkstemp(outPath);
    const int errFd = mkstemp(errPath);
    if (outFd < 0 || errFd < 0) {
        throw std::runtime_error("mkstemp failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    std::vector<char*> args, envp;
    for (std::string& a : argv) {
        args.push_back(a.data());
    }
    args.push_back(nullptr);
    for (std::string& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outFd);
    close(errFd);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(spawned));
    }

    Finished finished;
    const auto start = Clock::now();
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (secondsSince(start) > timeoutSeconds) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            finished.exit.signal = SIGKILL;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (finished.exit.signal == 0) {
        finished.exit.exited = true;
        if (WIFEXITED(status)) {
            finished.exit.status = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            finished.exit.signal = WTERMSIG(status);
        }
    }
    finished.out = readFile(outPath);
    finished.err = readFile(errPath);
    unlink(outPath);
    unlink(errPath);
    return finished;
}

// A display name no X server answers at: no socket for it exists here, and
// the private servers tests start listen on no TCP port.
std::string unusedDisplay()
{
    for (int number = 4711;; ++number) {
        struct stat st;
        if (stat(("/tmp/.X11-unix/X" + std::to_string(number)).c_str(), &st) != 0) {
            return ":" + std::to_string(number);
        }
    }
}

struct NoDisplayCase {
    const char* name;
    std::vector<std::string> args;
    std::string display;  // DISPLAY's value; empty: unset
    std::string shownName;  // the display the message must name
};

TEST(NoDisplay, EndsWithStatusOneAndAMessageThatSaysWhatIsWrong)
{
    const std::string nowhere = unusedDisplay();
    const NoDisplayCase cases[] = {
        {"DISPLAY unset", {}, "", ""},
        {"DISPLAY names no running server", {}, nowhere, nowhere},
        {"DISPLAY is no display name", {}, "nowhere", "nowhere"},
        {"-display names no running server", {"-display", nowhere}, "", nowhere},
    };
    for (const NoDisplayCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> argv{demoPath()};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const Finished run =
            runToEnd(argv, c.display.empty() ? environmentWith({"DISPLAY"})
                                             : environmentWith({}, {"DISPLAY=" + c.display}));
        EXPECT_TRUE(run.exit.exited);
        EXPECT_EQ(run.exit.signal, 0) << "ended by a signal, not an exit: " << run.err;
        EXPECT_EQ(run.exit.status, 1);
        EXPECT_EQ(run.out, "");
        // Which display, why it matters and what to do instead.
        EXPECT_NE(run.err.find("failed to open display '" + c.shownName + "'"), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("no X display to open the window on"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("DISPLAY"), std::string::npos);
        EXPECT_NE(run.err.find("xvfb-run"), std::string::npos);
        EXPECT_EQ(run.err.find("Sanitizer"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("runtime error"), std::string::npos) << run.err;
    }
}

TEST(NoDisplay, GlutDisplayOptionStillOpensTheWindowWithoutDISPLAY)
{
    DemoSession demo({}, {}, demoPath(), DisplayVia::GlutOption);
    EXPECT_EQ(demo.windowInfo().title, "Materiels et lumieres OpenGL");
    EXPECT_EQ(demo.windowInfo().width, 300);
    demo.waitForStill();
    demo.key("Escape");
    const ExitResult result = demo.waitForExit();
    EXPECT_TRUE(exitedWith(result, 0));
    EXPECT_EQ(demo.err(), "");
}

TEST(NoDisplay, SetupRunCommandSaysHowToRunTheDemoAnyway)
{
    // setup.sh's own steps stand in for the real tools: every package counts
    // as installed and cmake does nothing, so only what it says without a
    // display is left to check.
    char dir[] = "/tmp/ml-fake-tools-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string bin = dir;
    const std::pair<const char*, const char*> tools[] = {
        {"dpkg-query", "#!/bin/sh\nprintf 'install ok installed'\n"},
        {"apt-get", "#!/bin/sh\necho 'apt-get must not run' >&2\nexit 3\n"},
        {"cmake", "#!/bin/sh\nexit 0\n"},
    };
    for (const auto& tool : tools) {
        const std::string path = bin + "/" + tool.first;
        std::ofstream(path) << tool.second;
        chmod(path.c_str(), 0755);
    }
    const Finished run =
        runToEnd({"/bin/bash", ML_SOURCE_DIR "/setup.sh"},
                 environmentWith({"DISPLAY", "CI"}, {"PATH=" + bin + ":/usr/bin:/bin"}));
    for (const auto& tool : tools) {
        unlink((bin + "/" + tool.first).c_str());
    }
    rmdir(dir);

    EXPECT_EQ(run.exit.status, 1) << run.err;
    EXPECT_NE(run.err.find("there is no display"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("xvfb-run -a -s \"-screen 0 1280x1024x24\" build/materials-lights"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("apt-get must not run"), std::string::npos);
}

TEST(CloseWindow, WindowManagerCloseEndsTheProcessWithStatusZeroAndNothingPrinted)
{
    for (const bool spinning : {false, true}) {
        SCOPED_TRACE(spinning ? "spin on" : "spin off");
        DemoSession demo;
        demo.waitForStill();
        if (spinning) {
            demo.key("Return");
            demo.waitForChange(demo.screenshot());
        }
        demo.closeWindow();
        const ExitResult result = demo.waitForExit(10.0);
        EXPECT_TRUE(exitedWith(result, 0));
        EXPECT_EQ(demo.out(), "");
        EXPECT_EQ(demo.err(), "");
    }
}

// The demo with the GL error injector preloaded, making frame `frame` leave
// an OpenGL error. A sanitized program needs its runtime loaded first.
std::vector<std::string> injectedErrorAt(int frame)
{
    std::string preload = ML_GL_ERROR_INJECTOR;
    if (std::strlen(ML_ASAN_RUNTIME) > 0) {
        preload = std::string(ML_ASAN_RUNTIME) + ":" + preload;
    }
    return {"LD_PRELOAD=" + preload, "ML_INJECT_GL_ERROR_FRAME=" + std::to_string(frame)};
}

TEST(ErrorLine, InjectedErrorIsPrintedOnceAndAtOnceAndTheNextCleanFrameIsSilent)
{
    // The start-up frames stay clean; then every "l" draws exactly one frame,
    // and one of them (frame 4) leaves an error.
    constexpr int ERROR_FRAME = 4;
    DemoSession demo({}, injectedErrorAt(ERROR_FRAME));
    Image before = demo.waitForStill();
    ASSERT_EQ(demo.out(), "") << "more than " << ERROR_FRAME - 1 << " frames at start-up";

    // Until the line shows up, each press must draw a new frame. Standard
    // output is a pipe, where stdio would hold the line back until exit: it
    // must arrive while the program runs, within a second of the frame.
    Image errorFrame;
    for (int press = 0; press < ERROR_FRAME && demo.out().empty(); ++press) {
        demo.key("l");
        errorFrame = demo.waitForChange(before);
        ASSERT_NE(errorFrame, before) << "press " << press << " drew no new frame";
        before = errorFrame;
        const auto drawn = Clock::now();
        while (demo.out().empty() && secondsSince(drawn) < 1.0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ASSERT_TRUE(demo.running());
    ASSERT_EQ(demo.out(), ERROR_LINE) << "stderr: " << demo.err();

    // The next frame is clean: nothing more is printed.
    demo.key("l");
    before = demo.waitForChange(before);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(demo.out(), ERROR_LINE);

    // The frame with the error was drawn in full: four presses later the same
    // lighting mode draws the same picture with no error.
    for (int press = 0; press < LIGHTING_MODE_COUNT - 1; ++press) {
        demo.key("l");
        before = demo.waitForChange(before);
    }
    EXPECT_EQ(demo.waitForStill(), errorFrame);
    keepForInspection(errorFrame, "robustness_error_frame");

    demo.key("Escape");
    const ExitResult result = demo.waitForExit();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(countOf(demo.out(), "Erreur OpenGL"), 1);
}

}  // namespace
