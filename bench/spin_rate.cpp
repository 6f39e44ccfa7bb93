// ml-spin-rate: the real program, side by side with other builds of it.
//
//   ml-spin-rate [--rounds N] [--seconds S] [--size WxH]... LABEL=COMMAND...
//
// Each COMMAND (a shell command line that ends by exec-ing the program, for
// instance "build/materials-lights" or "env LD_PRELOAD=... build/...") runs
// once per round and size, the builds in turn (A B A B ...) so that whatever
// else the machine does falls on all of them alike. One run:
//   - starts a private Xvfb and the program with GLUT_FPS set, so freeglut
//     itself counts the buffer swaps and prints the count twice a second;
//   - start-up: from fork() until the window first shows a drawn frame
//     (a pixel that is not black);
//   - resizes the window if asked, presses l l l (all three lights) and
//     Enter through XTEST, as a user would, and lets the scene spin;
//   - reads the frame rate from freeglut's counter, split into the first
//     half of the spin and the second;
//   - presses Escape and takes the peak resident size and the count of page
//     faults from wait4().
// The first build named is the baseline the others are compared with.
#include "support/xvfb.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <signal.h>
#include <stdexcept>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* const WINDOW_TITLE = "Materiels et lumieres OpenGL";

// freeglut prints "freeglut: N frames in T seconds = F FPS" every this many
// milliseconds (at the first swap after the interval has passed).
constexpr int FPS_INTERVAL_MS = 500;

// An X server screen with room for a 1280 by 1024 window at (50, 50).
const char* const SCREEN = "1344x1088x24";

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void sleepSeconds(double s)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

int ignoreXErrors(Display*, XErrorEvent*)
{
    return 0;
}

Window findWindow(Display* dpy, Window parent)
{
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy, parent, &root, &up, &children, &count)) {
        return 0;
    }
    Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        XWindowAttributes attributes;
        if (XFetchName(dpy, children[i], &name) && name != nullptr) {
            if (std::strcmp(name, WINDOW_TITLE) == 0 &&
                XGetWindowAttributes(dpy, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                found = children[i];
            }
            XFree(name);
        }
        if (found == 0) {
            found = findWindow(dpy, children[i]);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

// Whether the window shows anything but black, i.e. a frame has been drawn.
bool showsAFrame(Display* dpy, Window window)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(dpy, window, &attributes)) {
        return false;
    }
    XImage* image = XGetImage(dpy, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    bool drawn = false;
    for (int y = 0; y < image->height && !drawn; ++y) {
        for (int x = 0; x < image->width && !drawn; ++x) {
            drawn = (XGetPixel(image, x, y) & 0xffffffUL) != 0;
        }
    }
    XDestroyImage(image);
    return drawn;
}

void pressKey(Display* dpy, Window window, const char* keysymName)
{
    XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
    const KeyCode code = XKeysymToKeycode(dpy, XStringToKeysym(keysymName));
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    XSync(dpy, False);
}

// One counter line from freeglut, with the time it arrived.
struct CounterLine {
    double at;  // seconds since the run started
    int frames;
    double seconds;
};

// Reads the program's standard error, keeping freeglut's counter lines.
class CounterReader {
public:
    CounterReader(int fd, Clock::time_point start)
        : fd_(fd), start_(start), thread_([this] { run(); })
    {
    }
    ~CounterReader()
    {
        thread_.join();
        close(fd_);
    }
    std::vector<CounterLine> lines() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    std::string other() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return other_;
    }

private:
    void run()
    {
        std::string pending;
        char buf[4096];
        ssize_t n;
        while ((n = read(fd_, buf, sizeof buf)) > 0) {
            const double at = secondsSince(start_);
            pending.append(buf, static_cast<size_t>(n));
            size_t end;
            while ((end = pending.find('\n')) != std::string::npos) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                CounterLine counted{at, 0, 0.0};
                std::lock_guard<std::mutex> lock(mutex_);
                if (std::sscanf(line.c_str(), "freeglut: %d frames in %lf seconds", &counted.frames,
                                &counted.seconds) == 2) {
                    lines_.push_back(counted);
                } else {
                    other_ += line + "\n";
                }
            }
        }
    }
    int fd_;
    Clock::time_point start_;
    mutable std::mutex mutex_;
    std::vector<CounterLine> lines_;
    std::string other_;
    std::thread thread_;
};

struct Build {
    std::string label;
    std::string command;
};

struct Size {
    int width, height;
};

struct Run {
    double startupSeconds = 0;
    double fpsFirstHalf = 0;   // frames per second over the first half of the spin
    double fpsSecondHalf = 0;  // and over the second
    long maxRssKiB = 0;
    double faultsPerFrame = 0; // page faults (minor) over the run / frames drawn
    double load = 0;           // one-minute load average when the run started
};

double loadAverage()
{
    double load = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) {
            load = 0;
        }
        std::fclose(f);
    }
    return load;
}

// Frames per second over the counter lines that arrived in (from, to]. The
// first line after the spin starts is left out: it also counts the time the
// window sat still before it.
double framesPerSecond(const std::vector<CounterLine>& lines, double spinStart, double from,
                       double to)
{
    int frames = 0;
    double seconds = 0;
    bool first = true;
    for (const CounterLine& line : lines) {
        if (line.at <= spinStart) {
            continue;
        }
        if (first) {
            first = false;
            continue;
        }
        if (line.at > from && line.at <= to) {
            frames += line.frames;
            seconds += line.seconds;
        }
    }
    return seconds > 0 ? frames / seconds : 0.0;
}

Run measure(const Build& build, Size size, double spinSeconds)
{
    Run run;
    run.load = loadAverage();
    XvfbServer server(SCREEN);
    setenv("DISPLAY", server.display().c_str(), 1);
    setenv("GLUT_FPS", std::to_string(FPS_INTERVAL_MS).c_str(), 1);

    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t parent = getpid();
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        dup2(errPipe[1], 2);
        const std::string line = "exec " + build.command;
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(errPipe[1]);
    CounterReader reader(errPipe[0], start);

    Display* dpy = XOpenDisplay(server.display().c_str());
    if (dpy == nullptr) {
        throw std::runtime_error("cannot open the private X display");
    }
    Window window = 0;
    while (secondsSince(start) < 20.0) {
        if (window == 0) {
            window = findWindow(dpy, DefaultRootWindow(dpy));
        }
        if (window != 0 && showsAFrame(dpy, window)) {
            run.startupSeconds = secondsSince(start);
            break;
        }
        sleepSeconds(0.002);
    }
    if (run.startupSeconds == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        XCloseDisplay(dpy);
        throw std::runtime_error(build.label + ": no frame within 20 s");
    }

    if (size.width != 300 || size.height != 300) {
        XResizeWindow(dpy, window, static_cast<unsigned>(size.width),
                      static_cast<unsigned>(size.height));
        XSync(dpy, False);
        sleepSeconds(0.5);  // the program reshapes and draws one frame
    }
    for (const char* key : {"l", "l", "l"}) {
        pressKey(dpy, window, key);
    }
    sleepSeconds(0.2);
    const double spinStart = secondsSince(start);
    pressKey(dpy, window, "Return");
    sleepSeconds(spinSeconds);
    const double spinEnd = secondsSince(start);
    pressKey(dpy, window, "Escape");
    XCloseDisplay(dpy);

    int status = 0;
    rusage usage{};
    for (int i = 0; i < 500 && wait4(pid, &status, WNOHANG, &usage) == 0; ++i) {
        sleepSeconds(0.01);
    }
    if (usage.ru_maxrss == 0) {
        kill(pid, SIGKILL);
        wait4(pid, &status, 0, &usage);
    }
    run.maxRssKiB = usage.ru_maxrss;

    const std::vector<CounterLine> lines = reader.lines();
    long frames = 0;
    for (const CounterLine& line : lines) {
        frames += line.frames;
    }
    run.faultsPerFrame = frames > 0 ? static_cast<double>(usage.ru_minflt) / frames : 0.0;
    const double middle = spinStart + spinSeconds / 2;
    run.fpsFirstHalf = framesPerSecond(lines, spinStart, spinStart, middle);
    run.fpsSecondHalf = framesPerSecond(lines, spinStart, middle, spinEnd);
    if (run.fpsFirstHalf == 0 || run.fpsSecondHalf == 0) {
        throw std::runtime_error(build.label + ": no frame counter from freeglut; stderr:\n" +
                                 reader.other());
    }
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

[[noreturn]] void usage()
{
    std::fputs("usage: ml-spin-rate [--rounds N] [--seconds S] [--size WxH]... LABEL=COMMAND...\n"
               "  the first LABEL=COMMAND is the baseline; default sizes 300x300 and 1280x1024\n",
               stderr);
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv)
{
    XSetErrorHandler(ignoreXErrors);
    int rounds = 3;
    double seconds = 10;
    std::vector<Size> sizes;
    std::vector<Build> builds;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--size" && i + 1 < argc) {
            Size size{};
            if (std::sscanf(argv[++i], "%dx%d", &size.width, &size.height) != 2) {
                usage();
            }
            sizes.push_back(size);
        } else if (arg.find('=') != std::string::npos && arg[0] != '-') {
            builds.push_back({arg.substr(0, arg.find('=')), arg.substr(arg.find('=') + 1)});
        } else {
            usage();
        }
    }
    if (builds.empty() || rounds < 1 || seconds < 2) {
        usage();
    }
    if (sizes.empty()) {
        sizes = {{300, 300}, {1280, 1024}};
    }

    // runs[size index][build index]
    std::vector<std::vector<std::vector<Run>>> runs(
        sizes.size(), std::vector<std::vector<Run>>(builds.size()));
    std::printf("%-5s %-9s %-10s %5s %11s %12s %12s %11s %13s\n", "round", "size", "build",
                "load", "start-up ms", "fps 1st half", "fps 2nd half", "max RSS MiB",
                "faults/frame");
    for (int round = 1; round <= rounds; ++round) {
        for (size_t s = 0; s < sizes.size(); ++s) {
            for (size_t b = 0; b < builds.size(); ++b) {
                const Run run = measure(builds[b], sizes[s], seconds);
                runs[s][b].push_back(run);
                const std::string size =
                    std::to_string(sizes[s].width) + "x" + std::to_string(sizes[s].height);
                std::printf("%-5d %-9s %-10s %5.2f %11.0f %12.1f %12.1f %11.1f %13.1f\n",
                            round, size.c_str(), builds[b].label.c_str(), run.load,
                            run.startupSeconds * 1000, run.fpsFirstHalf, run.fpsSecondHalf,
                            run.maxRssKiB / 1024.0, run.faultsPerFrame);
                std::fflush(stdout);
            }
        }
    }

    std::printf("\nMedians (and range) over %d rounds, %.0f s of spin per run; x = times the"
                " baseline (%s); max RSS: the largest of the runs\n",
                rounds, seconds, builds[0].label.c_str());
    std::printf("%-9s %-10s %11s %17s %17s %6s %6s %11s %12s\n", "size", "build",
                "start-up ms", "fps 1st half", "fps 2nd half", "x 1st", "x 2nd", "max RSS MiB",
                "faults/frame");
    for (size_t s = 0; s < sizes.size(); ++s) {
        std::vector<double> base1, base2;
        for (const Run& run : runs[s][0]) {
            base1.push_back(run.fpsFirstHalf);
            base2.push_back(run.fpsSecondHalf);
        }
        for (size_t b = 0; b < builds.size(); ++b) {
            std::vector<double> startup, first, second, faults;
            long rss = 0;
            for (const Run& run : runs[s][b]) {
                startup.push_back(run.startupSeconds * 1000);
                first.push_back(run.fpsFirstHalf);
                second.push_back(run.fpsSecondHalf);
                faults.push_back(run.faultsPerFrame);
                rss = std::max(rss, run.maxRssKiB);
            }
            const auto range = [](const std::vector<double>& v) {
                char text[32];
                std::snprintf(text, sizeof text, "%.0f (%.0f-%.0f)", median(v),
                              *std::min_element(v.begin(), v.end()),
                              *std::max_element(v.begin(), v.end()));
                return std::string(text);
            };
            const std::string size =
                std::to_string(sizes[s].width) + "x" + std::to_string(sizes[s].height);
            std::printf("%-9s %-10s %11.0f %17s %17s %6.2f %6.2f %11.1f %12.1f\n",
                        size.c_str(), builds[b].label.c_str(), median(startup),
                        range(first).c_str(), range(second).c_str(),
                        median(first) / median(base1), median(second) / median(base2),
                        rss / 1024.0, median(faults));
        }
    }
    return 0;
}
