#include "tests/support/wine.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

bool isFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> environmentWith(const std::vector<std::string>& added)
{
    std::vector<std::string> result;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& a : added) {
            replaced = replaced || a.compare(0, name.size(), name) == 0;
        }
        if (!replaced) {
            result.push_back(entry);
        }
    }
    result.insert(result.end(), added.begin(), added.end());
    return result;
}

DemoLaunch wineLaunch(std::vector<std::string> env)
{
    DemoLaunch launch;
    launch.program = findOnPath("wine");
    launch.args = {windowsExePath()};
    launch.env = wineEnvironment();
    launch.env.insert(launch.env.end(), env.begin(), env.end());
    // Wine starts its server and helper processes first: seconds, more on a
    // loaded machine.
    launch.windowTimeoutSeconds = 60.0;
    return launch;
}

}  // namespace

const char* windowsExePath()
{
    return ML_WINDOWS_EXE;
}

const char* winePrefixPath()
{
    return ML_WINE_PREFIX;
}

std::string findOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0 && isFile(candidate)) {
            return candidate;
        }
        start = end + 1;
    }
    return "";
}

::testing::AssertionResult wineReady()
{
    for (const char* program : {"wine", "wineserver"}) {
        if (findOnPath(program).empty()) {
            return ::testing::AssertionFailure()
                   << program << " is not on PATH: install Wine (Debian: apt-get install wine"
                   << " wine64, or run ./setup.sh windows test)";
        }
    }
    if (!isFile(windowsExePath())) {
        return ::testing::AssertionFailure()
               << "no Windows program at " << windowsExePath()
               << ": build it with ./setup.sh windows";
    }
    if (!isFile(std::string(winePrefixPath()) + "/system.reg")) {
        return ::testing::AssertionFailure()
               << "no Wine prefix at " << winePrefixPath()
               << ": the windows_wine_prefix test makes it (run the tests through ctest)";
    }
    return ::testing::AssertionSuccess();
}

std::vector<std::string> wineEnvironment()
{
    const std::string prefix = winePrefixPath();
    // HOME too: Wine links the prefix's user folders to it and writes
    // desktop menu entries under it (winemenubuilder, switched off as well).
    return {"WINEPREFIX=" + prefix, "HOME=" + prefix + "/home", "WINEDEBUG=-all",
            "WINEDLLOVERRIDES=winemenubuilder.exe=d"};
}

CommandResult runCommand(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                         double timeoutSeconds)
{
    char outPath[] = "/tmp/ml-command-XXXXXX";
    const int outFd = mkstemp(outPath);
    if (outFd < 0) {
        throw std::runtime_error("mkstemp failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, outFd, 2);
    std::vector<std::string> envStrings = environmentWith(env);
    std::vector<std::string> args = argv;
    std::vector<char*> argp, envp;
    for (std::string& a : args) {
        argp.push_back(a.data());
    }
    argp.push_back(nullptr);
    for (std::string& e : envStrings) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    CommandResult result;
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outFd);
    if (spawned == 0) {
        const auto start = Clock::now();
        int status = 0;
        pid_t done = 0;
        while ((done = waitpid(pid, &status, WNOHANG)) == 0 &&
               std::chrono::duration<double>(Clock::now() - start).count() < timeoutSeconds) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (done == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        } else {
            result.finished = true;
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
    }
    std::ifstream in(outPath, std::ios::binary);
    result.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    unlink(outPath);
    if (spawned != 0) {
        result.output = "cannot start " + argv[0];
    }
    return result;
}

void endWineProcesses()
{
    const std::vector<std::string> env = wineEnvironment();
    runCommand({"wineserver", "-k"}, env, 30.0);
    runCommand({"wineserver", "-w"}, env, 30.0);
}

WineDemo::WineDemo(std::vector<std::string> env)
try : session_(wineLaunch(std::move(env))) {
} catch (...) {
    // The window never came: Wine's helpers may be running all the same.
    endWineProcesses();
    throw;
}

WineDemo::~WineDemo()
{
    endWineProcesses();
}

ExitResult WineDemo::waitForExit(double timeoutSeconds)
{
    const auto start = Clock::now();
    while (session_.running() &&
           std::chrono::duration<double>(Clock::now() - start).count() < timeoutSeconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    endWineProcesses();
    return session_.waitForExit(0.0);
}
