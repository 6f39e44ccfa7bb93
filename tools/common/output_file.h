// Where a tool's output goes. The bytes written to stream() are kept in
// memory and delivered in one go by commit(), so a failure before it writes
// nothing anywhere. What the path names decides how they are delivered:
// - a new name or a regular file: written as a hidden temporary file in the
//   same directory and renamed over the name, so a failure or an
//   interruption never leaves a partial file (and never spoils a file
//   already there);
// - a symbolic link: followed, link by link, and the file it leads to is
//   replaced (or created, when the link leads to a name not taken yet) that
//   same way; the link stays a link;
// - a character or block device, a FIFO or a socket: written straight into
//   (through the kernel's own following of links, so /dev/stdout works);
// - "-": standard output;
// - a directory or a terminal: refused.
// A write error (a full device, a reader that went away) is a failure that
// error() explains, never the end of the process by SIGPIPE.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

class OutputFile {
public:
    // Checks the output and opens what can be opened without waiting: the
    // temporary file, the device, the socket, the FIFO when a reader is
    // already there. On failure, stream() is null and error() says why,
    // naming the path.
    explicit OutputFile(const std::string& path);
    // Removes the temporary file unless commit() succeeded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* stream() const { return stream_; }
    const std::string& error() const { return error_; }

    // Delivers the bytes written to stream(): into the temporary file, which
    // gets the permissions a new file gets and is renamed to its final
    // name; or straight into the device, FIFO (opened now if no reader was
    // there before, which waits for one), socket or standard output.
    // Returns false (with error()) if any step fails; a temporary file is
    // then removed.
    bool commit();

private:
    std::string useStandardOutput();
    std::string useNamedPath();
    std::string createTemporary();
    std::string openNode(int flags);
    std::string connectSocket();
    std::string deliver();
    std::string describe(const std::string& reason) const;
    void discard();

    std::string path_;         // as given
    std::string target_;       // what the path leads to, once links are followed
    std::string temporary_;    // the hidden file renamed to target_ at the end
    int fd_ = -1;              // the temporary file or the node to write into
    bool ownsFd_ = true;       // false for standard output, which stays open
    bool awaitsReader_ = false;  // a FIFO with no reader yet, opened in commit()
    std::FILE* stream_ = nullptr;  // writes into buffer_
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::string error_;
};
