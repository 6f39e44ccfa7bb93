// Drives the real program end to end: its own Xvfb, real key events through
// XTEST, screenshots of its window, its exit status and everything it printed.
#pragma once

#include "tests/support/image.h"

#include <gtest/gtest.h>
#include "tests/support/xvfb.h"

#include <memory>
#include <string>
#include <vector>

// Path of the demo binary this build produced.
const char* demoPath();

struct ExitResult {
    bool exited = false;    // ended on its own (false: killed after the timeout)
    int status = -1;        // exit status when it exited normally
    int signal = 0;         // the signal that ended it, if any
    long maxRssKiB = 0;     // its peak resident size, from wait4()
    long minorFaults = 0;   // page faults it took without I/O, over its whole life
};

// Succeeds when the process ended on its own through exit with `status`
// (not by a signal, not killed after a timeout); otherwise says how it ended.
::testing::AssertionResult exitedWith(const ExitResult& result, int status);

struct WindowInfo {
    std::string title;
    int x = 0, y = 0, width = 0, height = 0;
    int depth = 0;
    bool doubleBuffered = false;  // as GLX reports the window's visual
    bool hasDepthBuffer = false;
    bool rgba = false;
};

// How the program learns which X display to use.
enum class DisplayVia {
    Environment,  // DISPLAY
    GlutOption,   // GLUT's "-display NAME" option before `args`, and no DISPLAY
};

// Everything about how a session starts its program.
struct DemoLaunch {
    std::string program = demoPath();
    std::vector<std::string> args;
    std::vector<std::string> env;  // NAME=VALUE
    DisplayVia display = DisplayVia::Environment;
    std::string screen = XVFB_SCREEN;  // the Xvfb screen, WIDTHxHEIGHTxDEPTH
    // How long the window may take to appear and become viewable (a program
    // under Wine takes seconds where the Linux one takes milliseconds).
    double windowTimeoutSeconds = 20.0;
};

class DemoSession {
public:
    // Starts a private Xvfb, then `program` (default: the demo) with `args`
    // and `env` (NAME=VALUE entries added to this process's environment,
    // replacing any inherited variable of the same name), and waits for its
    // window. Throws std::runtime_error when it does not appear. `screen` is
    // the Xvfb screen (WIDTHxHEIGHTxDEPTH).
    explicit DemoSession(std::vector<std::string> args = {}, std::vector<std::string> env = {},
                         std::string program = demoPath(),
                         DisplayVia display = DisplayVia::Environment,
                         const std::string& screen = XVFB_SCREEN);
    explicit DemoSession(DemoLaunch launch);
    ~DemoSession();
    DemoSession(const DemoSession&) = delete;
    DemoSession& operator=(const DemoSession&) = delete;

    // The X display the program runs on, e.g. ":3".
    const std::string& display() const;

    // Seconds since the program was started (since the fork).
    double secondsSinceStart() const;

    // Presses and releases a key through XTEST, like a keyboard, after giving
    // the window the input focus (and waiting until the server reports it). Names are X keysyms: "l", "Return",
    // "Escape", "Up", "Prior" (Page Up), "F1"; "C" and "exclam" ("!") are sent with Shift.
    void key(const std::string& keysym);

    // The title is the titled top-level window's; the rest describes the
    // drawing area: the top-level itself for freeglut on X, the GL child
    // window Wine puts inside it for a Windows program.
    WindowInfo windowInfo();
    // The drawing area's pixels.
    Image screenshot();

    // Screenshots until the picture differs from `before` (or the timeout
    // passes) and returns the last one.
    Image waitForChange(const Image& before, double timeoutSeconds = 5.0);

    // Screenshots until two in a row, `gapSeconds` apart, are identical;
    // returns that picture, or the last one seen after the timeout.
    Image waitForStill(double gapSeconds = 0.3, double timeoutSeconds = 5.0);

    // Asks the X server to resize the window, as a window manager would.
    void resize(int width, int height);

    // Sends WM_DELETE_WINDOW, as a window manager's close button does.
    void closeWindow();

    // Whether the process is still running.
    bool running();

    // Waits for the process to end; kills it after the timeout.
    ExitResult waitForExit(double timeoutSeconds = 5.0);

    // Everything printed so far on standard output and standard error; they
    // are read as the program writes them, so this can be watched live.
    std::string out() const;
    std::string err() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
