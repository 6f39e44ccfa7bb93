#include "tests/support/e2e.h"

#include "tests/support/xvfb.h"

#include <GL/glx.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace {

const char* const WINDOW_TITLE = "Materiels et lumieres OpenGL";

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void sleepSeconds(double s)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

// X errors (a window that just went away, say) must not end the test
// process, which is what Xlib's default handler does.
int ignoreXErrors(Display*, XErrorEvent*)
{
    return 0;
}

// Depth-first search below `parent` for a viewable window with this title.
Window findWindow(Display* dpy, Window parent, const char* title)
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
        if (XFetchName(dpy, children[i], &name) && name != nullptr) {
            XWindowAttributes attributes;
            if (std::strcmp(name, title) == 0 && XGetWindowAttributes(dpy, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                found = children[i];
            }
            XFree(name);
        }
        if (found == 0) {
            found = findWindow(dpy, children[i], title);
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

// The window that shows the picture: below a titled top-level, the single
// viewable child that GL draws into if there is one (Wine puts the drawing
// area of a Windows program in such a child), else the top-level itself.
Window drawingAreaOf(Display* dpy, Window window)
{
    for (;;) {
        Window root = 0, up = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(dpy, window, &root, &up, &children, &count)) {
            return window;
        }
        Window viewable = 0;
        int viewableCount = 0;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(dpy, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                viewable = children[i];
                ++viewableCount;
            }
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (viewableCount != 1) {
            return window;
        }
        window = viewable;
    }
}

// Whether `window` is `ancestor` or lies inside it.
bool isWithin(Display* dpy, Window window, Window ancestor)
{
    while (window != 0 && window != PointerRoot) {
        if (window == ancestor) {
            return true;
        }
        Window root = 0, up = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(dpy, window, &root, &up, &children, &count)) {
            return false;
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (window == root) {
            return false;
        }
        window = up;
    }
    return false;
}

// Collects everything written to one end of a pipe.
class PipeReader {
public:
    explicit PipeReader(int fd) : fd_(fd), thread_([this] { run(); }) {}
    ~PipeReader()
    {
        if (thread_.joinable()) {
            thread_.join();
        }
        close(fd_);
    }
    std::string text() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }
    void join()
    {
        if (thread_.joinable()) {
            thread_.join();
        }
    }

private:
    void run()
    {
        char buf[4096];
        for (;;) {
            const ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0) {
                return;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            text_.append(buf, static_cast<size_t>(n));
        }
    }
    int fd_;
    mutable std::mutex mutex_;
    std::string text_;
    std::thread thread_;
};

}  // namespace

::testing::AssertionResult exitedWith(const ExitResult& result, int status)
{
    if (!result.exited) {
        return ::testing::AssertionFailure() << "still running at the timeout: killed";
    }
    if (result.signal != 0) {
        return ::testing::AssertionFailure() << "ended by signal " << result.signal;
    }
    if (result.status != status) {
        return ::testing::AssertionFailure() << "exit status " << result.status;
    }
    return ::testing::AssertionSuccess();
}

const char* demoPath()
{
    return ML_DEMO_PATH;
}

struct DemoSession::Impl {
    explicit Impl(const std::string& screen) : server(screen) {}

    XvfbServer server;
    pid_t pid = -1;
    Clock::time_point started;
    bool reaped = false;
    ExitResult result;
    std::unique_ptr<PipeReader> out, err;
    Display* dpy = nullptr;
    Window window = 0;  // the titled top-level

    // Where the picture is drawn, looked up each time: Wine may put the GL
    // child in only after the top-level shows.
    Window area() const { return drawingAreaOf(dpy, window); }

    bool poll()
    {
        if (reaped) {
            return false;
        }
        int status = 0;
        rusage usage{};
        if (wait4(pid, &status, WNOHANG, &usage) == pid) {
            reaped = true;
            if (WIFEXITED(status)) {
                result.exited = true;
                result.status = WEXITSTATUS(status);
            } else if (WIFSIGNALED(status)) {
                result.exited = true;
                result.signal = WTERMSIG(status);
            }
            keepUsage(usage);
            return false;
        }
        return true;
    }

    // Ends the process after a timeout; its usage is still taken.
    void killAndReap()
    {
        kill(pid, SIGKILL);
        rusage usage{};
        wait4(pid, nullptr, 0, &usage);
        reaped = true;
        result = ExitResult{};
        result.signal = SIGKILL;
        keepUsage(usage);
    }

    void keepUsage(const rusage& usage)
    {
        result.maxRssKiB = usage.ru_maxrss;
        result.minorFaults = usage.ru_minflt;
    }
};

DemoSession::DemoSession(std::vector<std::string> args, std::vector<std::string> env,
                         std::string program, DisplayVia display, const std::string& screen)
    : DemoSession(DemoLaunch{std::move(program), std::move(args), std::move(env), display, screen})
{
}

DemoSession::DemoSession(DemoLaunch launch) : impl_(std::make_unique<Impl>(launch.screen))
{
    std::vector<std::string>& args = launch.args;
    const std::vector<std::string>& env = launch.env;
    std::string& program = launch.program;
    const DisplayVia display = launch.display;
    XSetErrorHandler(ignoreXErrors);
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }

    // DISPLAY, and any variable `env` sets, replace the inherited ones.
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        const bool replaced = std::any_of(env.begin(), env.end(), [&](const std::string& given) {
            return given.compare(0, name.size() + 1, name + "=") == 0;
        });
        if (name != "DISPLAY" && !replaced) {
            environment.push_back(entry);
        }
    }
    if (display == DisplayVia::Environment) {
        environment.push_back("DISPLAY=" + impl_->server.display());
    } else {
        args.insert(args.begin(), {"-display", impl_->server.display()});
    }
    environment.insert(environment.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (std::string& e : environment) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::vector<char*> argv{program.data()};
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    const pid_t parent = getpid();
    impl_->started = Clock::now();
    impl_->pid = fork();
    if (impl_->pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (impl_->pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(outPipe[1]);
        close(errPipe[0]);
        close(errPipe[1]);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    impl_->out = std::make_unique<PipeReader>(outPipe[0]);
    impl_->err = std::make_unique<PipeReader>(errPipe[0]);

    impl_->dpy = XOpenDisplay(impl_->server.display().c_str());
    if (impl_->dpy == nullptr) {
        throw std::runtime_error("cannot open the test's own X display");
    }
    while (impl_->window == 0 && secondsSinceStart() < launch.windowTimeoutSeconds) {
        impl_->window = findWindow(impl_->dpy, DefaultRootWindow(impl_->dpy), WINDOW_TITLE);
        if (impl_->window == 0) {
            if (!impl_->poll()) {
                break;
            }
            // Short, so that secondsSinceStart() right after is close to
            // when the window appeared.
            sleepSeconds(0.002);
        }
    }
    if (impl_->window == 0) {
        throw std::runtime_error("the program's window did not appear; stderr: " + err());
    }
}

DemoSession::~DemoSession()
{
    if (impl_->poll()) {
        impl_->killAndReap();
    }
    if (impl_->dpy != nullptr) {
        XCloseDisplay(impl_->dpy);
    }
}

const std::string& DemoSession::display() const
{
    return impl_->server.display();
}

double DemoSession::secondsSinceStart() const
{
    return secondsSince(impl_->started);
}

void DemoSession::key(const std::string& keysym)
{
    Display* dpy = impl_->dpy;
    const KeySym sym = XStringToKeysym(keysym.c_str());
    if (sym == NoSymbol) {
        throw std::runtime_error("unknown keysym " + keysym);
    }
    const KeyCode code = XKeysymToKeycode(dpy, sym);
    if (code == 0) {
        throw std::runtime_error("no key sends " + keysym);
    }
    // A keysym that is not on the key's first level ("C", "!", "?") needs
    // Shift.
    const bool shifted = XkbKeycodeToKeysym(dpy, code, 0, 0) != sym;
    const KeyCode shift = XKeysymToKeycode(dpy, XK_Shift_L);

    // Focus is given only when the window lacks it, and the key waits until
    // the server has moved it: a program under Wine can refuse the focus for
    // a moment after its window shows, and keys sent then are lost.
    const auto focusedHere = [&] {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(dpy, &focus, &revert);
        return isWithin(dpy, focus, impl_->window);
    };
    const auto windowExists = [&] {
        XWindowAttributes attributes;
        return XGetWindowAttributes(dpy, impl_->window, &attributes) != 0;
    };
    const auto asked = Clock::now();
    while (!focusedHere() && windowExists() && secondsSince(asked) < 5.0) {
        XSetInputFocus(dpy, impl_->window, RevertToPointerRoot, CurrentTime);
        XSync(dpy, False);
        if (!focusedHere()) {
            sleepSeconds(0.05);
        }
    }
    if (shifted) {
        XTestFakeKeyEvent(dpy, shift, True, CurrentTime);
    }
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    if (shifted) {
        XTestFakeKeyEvent(dpy, shift, False, CurrentTime);
    }
    XSync(dpy, False);
}

WindowInfo DemoSession::windowInfo()
{
    Display* dpy = impl_->dpy;
    WindowInfo info;
    char* name = nullptr;
    if (XFetchName(dpy, impl_->window, &name) && name != nullptr) {
        info.title = name;
        XFree(name);
    }
    const Window area = impl_->area();
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(dpy, area, &attributes)) {
        return info;
    }
    Window child = 0;
    XTranslateCoordinates(dpy, area, DefaultRootWindow(dpy), 0, 0, &info.x, &info.y, &child);
    info.width = attributes.width;
    info.height = attributes.height;
    info.depth = attributes.depth;

    XVisualInfo wanted{};
    wanted.visualid = XVisualIDFromVisual(attributes.visual);
    int count = 0;
    XVisualInfo* visual = XGetVisualInfo(dpy, VisualIDMask, &wanted, &count);
    if (visual != nullptr) {
        int value = 0;
        info.doubleBuffered = glXGetConfig(dpy, visual, GLX_DOUBLEBUFFER, &value) == 0 && value;
        info.hasDepthBuffer = glXGetConfig(dpy, visual, GLX_DEPTH_SIZE, &value) == 0 && value > 0;
        info.rgba = glXGetConfig(dpy, visual, GLX_RGBA, &value) == 0 && value;
        XFree(visual);
    }
    return info;
}

Image DemoSession::screenshot()
{
    Display* dpy = impl_->dpy;
    const Window area = impl_->area();
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(dpy, area, &attributes)) {
        return {};
    }
    XImage* ximage = XGetImage(dpy, area, 0, 0, static_cast<unsigned>(attributes.width),
                               static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (ximage == nullptr) {
        return {};
    }
    Image image = fromXImage(*ximage);
    XDestroyImage(ximage);
    return image;
}

Image DemoSession::waitForChange(const Image& before, double timeoutSeconds)
{
    const auto start = Clock::now();
    Image now = screenshot();
    while (now == before && secondsSince(start) < timeoutSeconds) {
        sleepSeconds(0.02);
        now = screenshot();
    }
    return now;
}

Image DemoSession::waitForStill(double gapSeconds, double timeoutSeconds)
{
    const auto start = Clock::now();
    Image last = screenshot();
    while (secondsSince(start) < timeoutSeconds) {
        sleepSeconds(gapSeconds);
        Image now = screenshot();
        if (now == last) {
            return now;
        }
        last = std::move(now);
    }
    return last;
}

void DemoSession::resize(int width, int height)
{
    XResizeWindow(impl_->dpy, impl_->window, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    XSync(impl_->dpy, False);
}

void DemoSession::closeWindow()
{
    Display* dpy = impl_->dpy;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = impl_->window;
    event.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, impl_->window, False, NoEventMask, &event);
    XSync(dpy, False);
}

bool DemoSession::running()
{
    return impl_->poll();
}

ExitResult DemoSession::waitForExit(double timeoutSeconds)
{
    const auto start = Clock::now();
    while (impl_->poll() && secondsSince(start) < timeoutSeconds) {
        sleepSeconds(0.01);
    }
    if (impl_->poll()) {
        impl_->killAndReap();
    }
    impl_->out->join();
    impl_->err->join();
    return impl_->result;
}

std::string DemoSession::out() const
{
    return impl_->out->text();
}

std::string DemoSession::err() const
{
    return impl_->err->text();
}
