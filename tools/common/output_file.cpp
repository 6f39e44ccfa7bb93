#include "output_file.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The one temporary file that exists at any time, for the clean-up that
// runs at exit() and on a terminating signal, where no destructor runs.
char pendingPath[4096];

void removePending()
{
    if (pendingPath[0] != '\0') {
        unlink(pendingPath);
        pendingPath[0] = '\0';
    }
}

void removePendingAndDie(int signal)
{
    removePending();  // unlink is async-signal-safe
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void installCleanUp()
{
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    std::atexit(removePending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        std::signal(signal, removePendingAndDie);
    }
}

std::string directoryOf(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string cannotWrite(const std::string& path, const char* reason)
{
    return "cannot write \"" + path + "\": " + reason;
}

}  // namespace

OutputFile::OutputFile(const std::string& path) : path_(path)
{
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) {
        error_ = cannotWrite(path, "it is a directory");
        return;
    }
    if (baseNameOf(path).empty()) {
        error_ = cannotWrite(path, "it names a directory, not a file");
        return;
    }
    installCleanUp();
    std::string pattern = directoryOf(path) + "/." + baseNameOf(path) + ".XXXXXX";
    if (pattern.size() >= sizeof pendingPath) {
        error_ = cannotWrite(path, "the path is too long");
        return;
    }
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        error_ = cannotWrite(path, std::strerror(errno));
        return;
    }
    temporary_ = pattern;
    std::memcpy(pendingPath, temporary_.c_str(), temporary_.size() + 1);
    stream_ = fdopen(fd, "wb");
    if (stream_ == nullptr) {
        error_ = cannotWrite(path, std::strerror(errno));
        close(fd);
        discard();
    }
}

OutputFile::~OutputFile()
{
    discard();
}

void OutputFile::discard()
{
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
        pendingPath[0] = '\0';
    }
}

bool OutputFile::commit()
{
    if (stream_ == nullptr) {
        return false;
    }
    // mkstemp creates the file readable by its owner only; a new file
    // normally gets 0666 less the umask.
    const mode_t mask = umask(0);
    umask(mask);
    const int fd = fileno(stream_);
    const bool written = std::fflush(stream_) == 0 && fchmod(fd, 0666 & ~mask) == 0 &&
                         fsync(fd) == 0;
    const int writeError = errno;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!written || !closed) {
        error_ = cannotWrite(path_, std::strerror(written ? errno : writeError));
        discard();
        return false;
    }
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        error_ = cannotWrite(path_, std::strerror(errno));
        discard();
        return false;
    }
    temporary_.clear();
    pendingPath[0] = '\0';
    return true;
}
