// Where the tools' pictures go, by the kind of thing the output path names:
// new and existing files, links, directories, FIFOs, sockets, devices, and
// standard output as a pipe, a closed pipe or a terminal. Each case runs the
// real capture tool in its own directory and checks the exit status, the
// bytes that arrived (exactly those of the same frame written to a new file)
// and every entry of the directory afterwards: the one expected change,
// links still links, nodes the same nodes, no temporary file left behind.
#include "tests/support/image.h"
#include "tests/support/program_run.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>


namespace {

const std::string CAPTURE = ML_CAPTURE_PATH;
const std::string GRID = ML_GALLERY_GRID_PATH;
constexpr auto PATIENCE = std::chrono::seconds(60);

// Reads a descriptor to its end, or to `limit` bytes, on its own thread,
// then closes it; `accepting` first takes one connection on a listening
// socket.
class Reader {
public:
    explicit Reader(int fd, bool accepting = false, size_t limit = SIZE_MAX)
        : thread_([this, fd, accepting, limit] { bytes_ = drain(fd, accepting, limit); })
    {
    }
    ~Reader() { bytes(); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    const std::string& bytes()
    {
        if (thread_.joinable()) {
            thread_.join();
        }
        return bytes_;
    }

private:
    static std::string drain(int fd, bool accepting, size_t limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
        auto ready = [&](int from) {
            pollfd p{from, POLLIN, 0};
            while (std::chrono::steady_clock::now() < deadline) {
                if (poll(&p, 1, 100) > 0) {
                    return true;
                }
            }
            return false;
        };
        if (accepting) {
            const int connection = ready(fd) ? accept4(fd, nullptr, nullptr, SOCK_CLOEXEC) : -1;
            close(fd);
            fd = connection;
        }
        std::string bytes;
        char buffer[4096];
        while (fd >= 0 && bytes.size() < limit && ready(fd)) {
            const ssize_t n = read(fd, buffer, std::min(sizeof buffer, limit - bytes.size()));
            if (n <= 0) {
                break;
            }
            bytes.append(buffer, static_cast<size_t>(n));
        }
        if (fd >= 0) {
            close(fd);
        }
        return bytes;
    }

    std::string bytes_;
    std::thread thread_;
};

std::string summary(const std::string& bytes)
{
    return "file of " + std::to_string(bytes.size()) + " bytes, hash " +
           std::to_string(std::hash<std::string>{}(bytes));
}

// Every entry under `root` by its relative name, with what identifies it: a
// regular file's bytes, a link's target, any other node's inode and device.
std::map<std::string, std::string> snapshot(const std::string& root,
                                            const std::string& under = "")
{
    std::map<std::string, std::string> entries;
    DIR* dir = opendir((root + "/" + under).c_str());
    while (dir != nullptr) {
        const dirent* entry = readdir(dir);
        if (entry == nullptr) {
            closedir(dir);
            break;
        }
        const std::string name = under + entry->d_name;
        const std::string path = root + "/" + name;
        struct stat info {};
        if (name == under + "." || name == under + ".." || lstat(path.c_str(), &info) != 0) {
            continue;
        }
        if (S_ISREG(info.st_mode)) {
            entries[name] = summary(readText(path));
        } else if (S_ISLNK(info.st_mode)) {
            char target[PATH_MAX];
            const ssize_t n = readlink(path.c_str(), target, sizeof target);
            entries[name] = "link to " + std::string(target, n > 0 ? static_cast<size_t>(n) : 0);
        } else if (S_ISDIR(info.st_mode)) {
            entries[name] = "directory";
            const auto inside = snapshot(root, name + "/");
            entries.insert(inside.begin(), inside.end());
        } else {
            entries[name] = "node of type " + std::to_string(info.st_mode & S_IFMT) + ", inode " +
                            std::to_string(info.st_ino) + ", device " +
                            std::to_string(major(info.st_rdev)) + "," +
                            std::to_string(minor(info.st_rdev));
        }
    }
    return entries;
}

// ----------------------------------------------------------- the cases

// What a case sets up around the tool, in its directory.
struct Plumbing {
    std::string output;                  // the --output argument
    std::vector<std::string> extraArgs;
    int toolStdout = -1;                 // -1: a pipe whose bytes the test reads
    std::unique_ptr<Reader> reader;      // reads what reaches a FIFO, socket or pipe
    std::vector<int> keep;               // open until the tool is done
    int terminal = -1;                   // the master side of the tool's terminal
    std::string skip;                    // why the case cannot run here
};

struct OutputCase {
    const char* name;
    void (*make)(const TempDir& dir, Plumbing& plumbing);
    int status;
    std::vector<std::string> says;  // in the one-line message of a failure
    std::string png;  // where the frame lands: a name in the directory, "reader", "stdout", ""
};

void PrintTo(const OutputCase& c, std::ostream* os)
{
    *os << c.name;
}

void link(const TempDir& dir, const std::string& target, const std::string& name)
{
    if (symlink(target.c_str(), (dir / name).c_str()) != 0) {
        throw std::runtime_error("symlink failed");
    }
}

// A private device node with the numbers of the system's own (1,7 full,
// 1,3 null), which needs root and a file system that honours devices.
void device(const TempDir& dir, const std::string& name, unsigned minorNumber, Plumbing& p)
{
    struct statvfs fs {};
    if (geteuid() != 0) {
        p.skip = "making a device node needs root; running as uid " + std::to_string(geteuid());
    } else if (mknod((dir / name).c_str(), S_IFCHR | 0600, makedev(1, minorNumber)) != 0) {
        p.skip = std::string("mknod refused: ") + std::strerror(errno);
    } else if (statvfs(dir.path().c_str(), &fs) != 0 || (fs.f_flag & ST_NODEV) != 0) {
        p.skip = dir.path() + " is on a file system mounted nodev";
    }
    p.output = name;
}

// Standard output on a pipe that holds one page, whose reader takes one
// byte of the picture and then goes away.
void pipeClosingMidway(const TempDir&, Plumbing& p)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0 || fcntl(ends[1], F_SETPIPE_SZ, 4096) < 0) {
        throw std::runtime_error("pipe failed");
    }
    p.reader = std::make_unique<Reader>(ends[0], false, 1);
    p.toolStdout = ends[1];
    p.keep.push_back(ends[1]);
    p.output = "-";
    p.extraArgs = {"--size", "600x600"};  // a picture larger than the page
}

int listeningSocket(const TempDir& dir, const std::string& name)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (dir / name).c_str());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 1) != 0) {
        throw std::runtime_error("socket failed");
    }
    return fd;
}

const OutputCase CASES[] = {
    {"new_file", [](const TempDir&, Plumbing& p) { p.output = "out.png"; }, 0, {}, "out.png"},
    {"existing_file",
     [](const TempDir& d, Plumbing& p) {
         writeText(d / "out.png", "the old picture");
         p.output = "out.png";
     },
     0, {}, "out.png"},
    {"link_to_a_file",
     [](const TempDir& d, Plumbing& p) {
         writeText(d / "target.png", "the old picture");
         link(d, "target.png", "link.png");
         p.output = "link.png";
     },
     0, {}, "target.png"},
    // Each relative target is relative to its own link's directory.
    {"chain_of_relative_links",
     [](const TempDir& d, Plumbing& p) {
         mkdir((d / "sub").c_str(), 0755);
         link(d, "sub/b.png", "a.png");
         link(d, "../c.png", "sub/b.png");
         writeText(d / "c.png", "the old picture");
         p.output = "a.png";
     },
     0, {}, "c.png"},
    {"dangling_link",
     [](const TempDir& d, Plumbing& p) {
         link(d, "new.png", "link.png");
         p.output = "link.png";
     },
     0, {}, "new.png"},
    {"dangling_link_into_a_missing_directory",
     [](const TempDir& d, Plumbing& p) {
         link(d, "missing/new.png", "link.png");
         p.output = "link.png";
     },
     2, {"\"link.png\"", "missing/new.png", "No such file or directory"}, ""},
    {"directory",
     [](const TempDir& d, Plumbing& p) {
         mkdir((d / "out.png").c_str(), 0755);
         p.output = "out.png";
     },
     2, {"\"out.png\"", "directory"}, ""},
    {"link_to_a_directory",
     [](const TempDir& d, Plumbing& p) {
         mkdir((d / "sub").c_str(), 0755);
         link(d, "sub", "link.png");
         p.output = "link.png";
     },
     2, {"\"link.png\"", "directory"}, ""},
    // Someone else's link in a shared sticky directory is not followed, as
    // the kernel's fs.protected_symlinks would not.
    {"link_planted_in_a_sticky_directory",
     [](const TempDir& d, Plumbing& p) {
         mkdir((d / "shared").c_str(), 0755);
         chmod((d / "shared").c_str(), 01777);
         writeText(d / "victim.png", "the old picture");
         link(d, "../victim.png", "shared/out.png");
         if (geteuid() != 0 || lchown((d / "shared/out.png").c_str(), 65534, 65534) != 0) {
             p.skip = "giving a link to another user needs root";
         }
         p.output = "shared/out.png";
     },
     2, {"\"shared/out.png\"", "not followed"}, ""},
    {"fifo_with_a_reader",
     [](const TempDir& d, Plumbing& p) {
         mkfifo((d / "fifo").c_str(), 0600);
         const int fd = open((d / "fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
         fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
         p.reader = std::make_unique<Reader>(fd);
         p.output = "fifo";
     },
     0, {}, "reader"},
    // With no reader, the FIFO is opened only once the frame is drawn: a
    // request the GL refuses fails at once instead of waiting for a reader.
    {"fifo_without_reader_and_a_size_the_gl_refuses",
     [](const TempDir& d, Plumbing& p) {
         mkfifo((d / "fifo").c_str(), 0600);
         p.output = "fifo";
         p.extraArgs = {"--size", "100000x300"};
     },
     2, {"--size 100000x300"}, ""},
    {"socket_with_a_listener",
     [](const TempDir& d, Plumbing& p) {
         p.reader = std::make_unique<Reader>(listeningSocket(d, "socket"), true);
         p.output = "socket";
     },
     0, {}, "reader"},
    {"socket_nobody_listens_on",
     [](const TempDir& d, Plumbing& p) {
         close(listeningSocket(d, "socket"));
         p.output = "socket";
     },
     2, {"\"socket\"", "Connection refused"}, ""},
    {"full_device", [](const TempDir& d, Plumbing& p) { device(d, "full", 7, p); }, 2,
     {"\"full\"", "No space left on device"}, ""},
    {"null_device", [](const TempDir& d, Plumbing& p) { device(d, "null", 3, p); }, 0, {}, ""},
    {"stdout_pipe", [](const TempDir&, Plumbing& p) { p.output = "-"; }, 0, {}, "stdout"},
    {"stdout_closed_pipe",
     [](const TempDir&, Plumbing& p) {
         int ends[2];
         if (pipe2(ends, O_CLOEXEC) != 0) {
             throw std::runtime_error("pipe failed");
         }
         close(ends[0]);
         p.toolStdout = ends[1];
         p.keep.push_back(ends[1]);
         p.output = "-";
     },
     2, {"standard output", "Broken pipe"}, ""},
    {"stdout_pipe_closed_midway", pipeClosingMidway, 2, {"standard output", "Broken pipe"}, ""},
    {"stdout_terminal",
     [](const TempDir&, Plumbing& p) {
         const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
         const int slave = master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0
                               ? open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC)
                               : -1;
         if (slave < 0) {
             throw std::runtime_error("no pseudo-terminal");
         }
         p.terminal = master;
         p.toolStdout = slave;
         p.keep = {master, slave};
         p.output = "-";
     },
     2, {"standard output", "terminal"}, ""},
};

class CaptureOutput : public ::testing::TestWithParam<OutputCase> {
protected:
    // One server and the frame as a new file gives it, for all the cases.
    static void SetUpTestSuite()
    {
        server_ = new XvfbServer();
        TempDir dir;
        const ProgramRun run = runProgram(CAPTURE, {"--viewpoint", "0", "--mode", "0", "--output", "frame.png"},
                       RunSetup{server_->display(), dir.path(), 1});
        if (run.status == 0) {
            frame_ = new std::string(readText(dir / "frame.png"));
        }
    }
    static void TearDownTestSuite()
    {
        delete server_;
        delete frame_;
    }

    static XvfbServer* server_;
    static std::string* frame_;
};

XvfbServer* CaptureOutput::server_ = nullptr;
std::string* CaptureOutput::frame_ = nullptr;

// The frame is a 300 x 300 8-bit RGB PNG.
::testing::AssertionResult isTheFrame(const std::string* bytes)
{
    if (bytes == nullptr) {
        return ::testing::AssertionFailure() << "no frame was captured to a new file";
    }
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes->data(), bytes->size())) {
        return ::testing::AssertionFailure() << "not a PNG: " << png.message;
    }
    png_image_free(&png);
    if (png.width != 300 || png.height != 300 || png.format != PNG_FORMAT_RGB) {
        return ::testing::AssertionFailure() << png.width << "x" << png.height << " format "
                                             << png.format;
    }
    return ::testing::AssertionSuccess();
}

TEST_P(CaptureOutput, StatusWhatArrivedAndEveryEntryAfterwards)
{
    const OutputCase& c = GetParam();
    ASSERT_TRUE(isTheFrame(frame_));
    TempDir dir;
    Plumbing p;
    c.make(dir, p);
    if (!p.skip.empty()) {
        GTEST_SKIP() << p.skip;
    }
    std::unique_ptr<Reader> printed;
    if (p.toolStdout < 0) {
        int ends[2];
        ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
        printed = std::make_unique<Reader>(ends[0]);
        p.toolStdout = ends[1];
        p.keep.push_back(ends[1]);
    }
    const auto before = snapshot(dir.path());
    std::vector<std::string> args{"--viewpoint", "0", "--mode", "0", "--output", p.output};
    args.insert(args.end(), p.extraArgs.begin(), p.extraArgs.end());

    const ProgramRun run = runProgram(CAPTURE, args, RunSetup{server_->display(), dir.path(), p.toolStdout});

    if (p.terminal >= 0) {
        pollfd shown{p.terminal, POLLIN, 0};
        EXPECT_TRUE(poll(&shown, 1, 0) == 0 || (shown.revents & POLLIN) == 0)
            << "bytes reached the terminal";
    }
    for (int fd : p.keep) {
        close(fd);
    }
    ASSERT_TRUE(run.exited) << "ended by signal " << run.signal << "; " << run.err;
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.status == 0) {
        EXPECT_EQ(run.err, "");
    } else {
        EXPECT_EQ(run.err.rfind("materials-lights-capture: ", 0), 0u) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        for (const std::string& named : c.says) {
            EXPECT_NE(run.err.find(named), std::string::npos) << named << " in: " << run.err;
        }
    }
    if (printed) {
        const std::string& bytes = printed->bytes();
        EXPECT_TRUE(bytes == (c.png == "stdout" ? *frame_ : "")) << bytes.size() << " bytes";
    }
    if (c.png == "reader") {
        const std::string& bytes = p.reader->bytes();
        EXPECT_TRUE(bytes == *frame_) << bytes.size() << " bytes, not the frame's "
                                      << frame_->size();
    }
    auto expected = before;
    if (!c.png.empty() && c.png != "reader" && c.png != "stdout") {
        expected[c.png] = summary(*frame_);
    }
    EXPECT_EQ(snapshot(dir.path()), expected);
}

INSTANTIATE_TEST_SUITE_P(Kinds, CaptureOutput, ::testing::ValuesIn(CASES),
                         [](const auto& info) { return std::string(info.param.name); });

// gallery-grid opens its output the same way: standard output gets the
// bytes a file would, and nothing lands on disk.
TEST(GalleryGridOutput, SendsToStandardOutputWhatAFileWouldGet)
{
    TempDir dir;
    Image frame;
    frame.width = 8;
    frame.height = 6;
    frame.rgb.assign(8 * 6 * 3, 90);
    ASSERT_TRUE(writePng(frame, dir / "frame.png"));
    std::vector<std::string> args(13, "frame.png");
    args[0] = "grid.png";
    ASSERT_EQ(runProgram(GRID, args, RunSetup{"", dir.path(), 2}).status, 0);
    const auto before = snapshot(dir.path());

    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);
    Reader printed(ends[0]);
    args[0] = "-";
    const ProgramRun run = runProgram(GRID, args, RunSetup{"", dir.path(), ends[1]});
    close(ends[1]);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(printed.bytes() == readText(dir / "grid.png")) << printed.bytes().size();
    EXPECT_EQ(snapshot(dir.path()), before);
}

}  // namespace
