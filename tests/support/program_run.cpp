#include "tests/support/program_run.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

ProgramRun runProgram(const std::string& program, std::vector<std::string> args,
                      const RunSetup& setup)
{
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "DISPLAY=", 8) != 0) {
            environment.emplace_back(*e);
        }
    }
    if (!setup.display.empty()) {
        environment.push_back("DISPLAY=" + setup.display);
    }
    std::vector<char*> envp;
    for (std::string& e : environment) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    std::string path = program;
    std::vector<char*> argv{path.data()};
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    // Pipes for what is read back: standard output unless it goes elsewhere,
    // and standard error.
    int out[2] = {-1, -1}, err[2] = {-1, -1};
    if ((setup.standardOutput < 0 && pipe2(out, O_CLOEXEC) != 0) || pipe2(err, O_CLOEXEC) != 0) {
        return {};
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (setup.standardInput >= 0) {
            dup2(setup.standardInput, 0);
        }
        dup2(setup.standardOutput >= 0 ? setup.standardOutput : out[1], 1);
        dup2(err[1], 2);
        if (setup.directory.empty() || chdir(setup.directory.c_str()) == 0) {
            execve(argv[0], argv.data(), envp.data());
        }
        _exit(127);
    }
    if (out[1] >= 0) {
        close(out[1]);
    }
    close(err[1]);

    ProgramRun result;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&result.out, &result.err};
    int open = out[0] >= 0 ? 2 : 1;
    const auto deadline = start + std::chrono::duration<double>(setup.timeoutSeconds);
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (poll(fds, 2, 100) <= 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
                char buf[4096];
                const ssize_t n = read(fds[i].fd, buf, sizeof buf);
                if (n > 0) {
                    texts[i]->append(buf, static_cast<size_t>(n));
                } else {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    int status = 0;
    if (open > 0) {
        kill(pid, SIGKILL);
    }
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    result.seconds = took.count();
    result.maxRssKiB = usage.ru_maxrss;
    for (pollfd& f : fds) {
        if (f.fd >= 0) {
            close(f.fd);
        }
    }
    result.exited = open == 0 && WIFEXITED(status);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return result;
}

TempDir::TempDir()
{
    char pattern[] = "/tmp/ml-test.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir()
{
    [[maybe_unused]] const int status = std::system(("rm -rf '" + path_ + "'").c_str());
}

std::set<std::string> TempDir::entries() const
{
    std::set<std::string> names;
    if (DIR* dir = opendir(path_.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.insert(name);
            }
        }
        closedir(dir);
    }
    return names;
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}
