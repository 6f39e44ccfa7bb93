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
// The first build named is the baseline the others are compared with. The
// program is driven through the end-to-end harness (tests/support/e2e.h).
#include "tests/support/e2e.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// freeglut prints "freeglut: N frames in T seconds = F FPS" every this many
// milliseconds (at the first swap after the interval has passed).
constexpr int FPS_INTERVAL_MS = 500;

// An X server screen with room for a 1280 by 1024 window at (50, 50).
const char* const SCREEN = "1344x1088x24";

void sleepSeconds(double s)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

// Whether a screenshot shows anything but black, i.e. a frame has been drawn.
bool showsAFrame(const Image& image)
{
    return std::any_of(image.rgb.begin(), image.rgb.end(), [](unsigned char c) { return c != 0; });
}

// One counter line from freeglut.
struct FrameCount {
    int frames;
    double seconds;
};

// freeglut's counter lines among the complete lines of the program's
// standard error, in order; the other lines go to `other`.
std::vector<FrameCount> frameCounts(const std::string& err, std::string* other = nullptr)
{
    std::vector<FrameCount> counts;
    size_t begin = 0, end;
    while ((end = err.find('\n', begin)) != std::string::npos) {
        const std::string line = err.substr(begin, end - begin);
        begin = end + 1;
        FrameCount count{0, 0.0};
        if (std::sscanf(line.c_str(), "freeglut: %d frames in %lf seconds", &count.frames,
                        &count.seconds) == 2) {
            counts.push_back(count);
        } else if (other != nullptr) {
            *other += line + "\n";
        }
    }
    return counts;
}

// Frames per second over the counter lines [from, to).
double framesPerSecond(const std::vector<FrameCount>& counts, size_t from, size_t to)
{
    int frames = 0;
    double seconds = 0;
    for (size_t i = from; i < to && i < counts.size(); ++i) {
        frames += counts[i].frames;
        seconds += counts[i].seconds;
    }
    return seconds > 0 ? frames / seconds : 0.0;
}

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

Run measure(const Build& build, Size size, double spinSeconds)
{
    Run run;
    run.load = loadAverage();
    // The shell execs the command, so the session's process is the program.
    DemoSession session({"-c", "exec " + build.command},
                        {"GLUT_FPS=" + std::to_string(FPS_INTERVAL_MS)}, "/bin/sh",
                        DisplayVia::Environment, SCREEN);
    while (!showsAFrame(session.screenshot())) {
        if (session.secondsSinceStart() > 20.0) {
            throw std::runtime_error(build.label + ": no frame within 20 s");
        }
        sleepSeconds(0.002);
    }
    run.startupSeconds = session.secondsSinceStart();

    if (size.width != 300 || size.height != 300) {
        session.resize(size.width, size.height);
        sleepSeconds(0.5);  // the program reshapes and draws one frame
    }
    for (const char* key : {"l", "l", "l"}) {
        session.key(key);
    }
    sleepSeconds(0.2);
    // The counter lines written by then, at the middle and at the end. The
    // first line after the spin starts is left out: it also counts the time
    // the window sat still before it.
    const size_t atStart = frameCounts(session.err()).size() + 1;
    session.key("Return");
    sleepSeconds(spinSeconds / 2);
    const size_t atMiddle = std::max(atStart, frameCounts(session.err()).size());
    sleepSeconds(spinSeconds / 2);
    const size_t atEnd = frameCounts(session.err()).size();
    session.key("Escape");
    const ExitResult exit = session.waitForExit(5.0);
    run.maxRssKiB = exit.maxRssKiB;

    std::string other;
    const std::vector<FrameCount> counts = frameCounts(session.err(), &other);
    long frames = 0;
    for (const FrameCount& count : counts) {
        frames += count.frames;
    }
    run.faultsPerFrame = frames > 0 ? static_cast<double>(exit.minorFaults) / frames : 0.0;
    run.fpsFirstHalf = framesPerSecond(counts, atStart, atMiddle);
    run.fpsSecondHalf = framesPerSecond(counts, atMiddle, atEnd);
    if (run.fpsFirstHalf == 0 || run.fpsSecondHalf == 0) {
        throw std::runtime_error(build.label + ": no frame counter from freeglut; stderr:\n" +
                                 other);
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
