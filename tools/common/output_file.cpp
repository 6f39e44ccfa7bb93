#include "tools/common/output_file.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const char* const TERMINAL =
    "it is a terminal, which the picture's bytes would garble; redirect it to a file or a pipe";

// Links followed before giving up, as the kernel does (ELOOP).
constexpr int MAX_LINKS = 40;

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

void installSignalHandling()
{
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    std::atexit(removePending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(signal, removePendingAndDie);
    }
    // A reader that went away (a closed pipe, FIFO or socket) then makes
    // write() fail with EPIPE, which commit() reports, instead of killing
    // the process before it can say what happened.
    std::signal(SIGPIPE, SIG_IGN);
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

// The kernel does not follow a link that sits in a sticky world-writable
// directory (/tmp) when neither the caller nor the directory's owner owns
// it (fs.protected_symlinks): someone else may have planted it there to
// make a privileged program overwrite another file. Links are followed by
// hand here, so the same rule is applied by hand.
bool plantedLink(const std::string& link, const struct stat& info)
{
    struct stat directory {};
    if (stat(directoryOf(link).c_str(), &directory) != 0) {
        return false;
    }
    return (directory.st_mode & S_ISVTX) != 0 && (directory.st_mode & S_IWOTH) != 0 &&
           info.st_uid != geteuid() && info.st_uid != directory.st_uid;
}

// Follows `path` link by link, as opening it would, to what it finally
// names; a relative target is relative to its link's directory. `info` is
// then that object's lstat, with st_mode 0 when nothing is there yet.
// Returns why it cannot be followed, or nothing.
std::string followLinks(std::string& path, struct stat& info)
{
    for (int links = 0;; ++links) {
        if (lstat(path.c_str(), &info) != 0) {
            if (errno != ENOENT) {
                return std::strerror(errno);
            }
            info.st_mode = 0;
            return {};
        }
        if (!S_ISLNK(info.st_mode)) {
            return {};
        }
        if (links == MAX_LINKS) {
            return std::strerror(ELOOP);
        }
        if (plantedLink(path, info)) {
            return "a link owned by another user in a sticky directory anyone can write to is "
                   "not followed";
        }
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target);
        if (length < 0 || length == static_cast<ssize_t>(sizeof target)) {
            return std::strerror(length < 0 ? errno : ENAMETOOLONG);
        }
        const std::string next(target, static_cast<size_t>(length));
        if ((!next.empty() && next.front() == '/') || path.find('/') == std::string::npos) {
            path = next;
        } else {
            const std::string directory = directoryOf(path);
            path = directory == "/" ? "/" + next : directory + "/" + next;
        }
    }
}

bool writeAll(int fd, const char* bytes, size_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

OutputFile::OutputFile(const std::string& path) : path_(path)
{
    installSignalHandling();
    std::string reason = path == "-" ? useStandardOutput() : useNamedPath();
    if (reason.empty()) {
        stream_ = open_memstream(&buffer_, &size_);
        if (stream_ == nullptr) {
            reason = std::strerror(errno);
        }
    }
    if (!reason.empty()) {
        error_ = describe(reason);
        discard();
    }
}

OutputFile::~OutputFile()
{
    discard();
}

std::string OutputFile::useStandardOutput()
{
    struct stat info {};
    if (fstat(STDOUT_FILENO, &info) != 0) {
        return std::strerror(errno);
    }
    if (isatty(STDOUT_FILENO)) {
        return TERMINAL;
    }
    // A pipe whose reader is already gone is refused now, before any work.
    pollfd out{STDOUT_FILENO, POLLOUT, 0};
    if (S_ISFIFO(info.st_mode) && poll(&out, 1, 0) == 1 && (out.revents & POLLERR) != 0) {
        return std::strerror(EPIPE);
    }
    fd_ = STDOUT_FILENO;
    ownsFd_ = false;
    return {};
}

std::string OutputFile::useNamedPath()
{
    target_ = path_;
    // A device, FIFO or socket is opened through the path as given, letting
    // the kernel follow any links: /dev/stdout and /dev/fd/N lead to pipes
    // that have no name of their own to follow by hand.
    struct stat info {};
    if (stat(path_.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        if (S_ISSOCK(info.st_mode)) {
            return connectSocket();
        }
        // Opening a FIFO for writing waits for a reader. With one there, it
        // is opened now; without, commit() opens it, so that a bad request
        // is still refused without waiting and a reader is not kept waiting
        // while the work is done.
        return openNode(S_ISFIFO(info.st_mode) ? O_NONBLOCK : 0);
    }
    if (std::string reason = followLinks(target_, info); !reason.empty()) {
        return reason;
    }
    if (S_ISDIR(info.st_mode)) {
        return "it is a directory";
    }
    if (baseNameOf(target_).empty()) {
        return "it names a directory, not a file";
    }
    if (info.st_mode == 0 || S_ISREG(info.st_mode)) {
        return createTemporary();
    }
    // A node a moment ago, when stat() looked.
    return "it changed while being opened";
}

std::string OutputFile::createTemporary()
{
    std::string pattern = directoryOf(target_) + "/." + baseNameOf(target_) + ".XXXXXX";
    if (pattern.size() >= sizeof pendingPath) {
        return "the path is too long";
    }
    fd_ = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
        return std::strerror(errno);
    }
    temporary_ = pattern;
    std::memcpy(pendingPath, temporary_.c_str(), temporary_.size() + 1);
    return {};
}

// A device or a FIFO: opened as it is, never created nor truncated.
std::string OutputFile::openNode(int flags)
{
    fd_ = open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | flags);
    if (fd_ < 0) {
        // What a FIFO opened without waiting says when it has no reader.
        if (errno == ENXIO && (flags & O_NONBLOCK) != 0) {
            awaitsReader_ = true;
            return {};
        }
        return std::strerror(errno);
    }
    // Replaced by a regular file since it was looked at: writing into that
    // without a temporary file could leave it half written.
    struct stat info {};
    if (fstat(fd_, &info) != 0 || S_ISREG(info.st_mode)) {
        return "it changed while being opened";
    }
    if (isatty(fd_)) {
        return TERMINAL;
    }
    if ((flags & O_NONBLOCK) != 0 && fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0) {
        return std::strerror(errno);
    }
    return {};
}

std::string OutputFile::connectSocket()
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path) {
        return "the socket's path is too long";
    }
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0 || connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return std::strerror(errno);
    }
    return {};
}

void OutputFile::discard()
{
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    std::free(buffer_);
    buffer_ = nullptr;
    size_ = 0;
    if (fd_ >= 0 && ownsFd_) {
        close(fd_);
    }
    fd_ = -1;
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
    // Closing a memory stream settles buffer_ and size_.
    const bool finished = std::fclose(stream_) == 0;
    stream_ = nullptr;
    const std::string reason = finished ? deliver() : std::string(std::strerror(errno));
    if (!reason.empty()) {
        error_ = describe(reason);
    }
    discard();
    return reason.empty();
}

std::string OutputFile::deliver()
{
    if (awaitsReader_) {
        if (std::string reason = openNode(0); !reason.empty()) {
            return reason;
        }
    }
    if (!writeAll(fd_, buffer_, size_)) {
        return std::strerror(errno);
    }
    if (temporary_.empty()) {
        // A device, FIFO, socket or standard output: fsync reaches a block
        // device's or a file's disk and has nothing to do for the others.
        if (fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) {
            return std::strerror(errno);
        }
        return {};
    }
    // mkstemp creates the file readable by its owner only; a new file
    // normally gets 0666 less the umask.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd_, 0666 & ~mask) != 0 || fsync(fd_) != 0) {
        return std::strerror(errno);
    }
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
        return std::strerror(errno);
    }
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        return std::strerror(errno);
    }
    temporary_.clear();
    pendingPath[0] = '\0';
    return {};
}

std::string OutputFile::describe(const std::string& reason) const
{
    if (path_ == "-") {
        return "cannot write to standard output: " + reason;
    }
    const std::string via = target_.empty() || target_ == path_
                                ? std::string()
                                : " (which leads to \"" + target_ + "\")";
    return "cannot write \"" + path_ + "\"" + via + ": " + reason;
}
