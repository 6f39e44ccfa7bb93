// An output file that appears under its name only once it is complete: it
// is written as a hidden temporary file in the same directory and renamed
// over the name at the end, so a failure or an interruption never leaves a
// partial file (and never spoils a file already there).
#pragma once

#include <cstdio>
#include <string>

class OutputFile {
public:
    // Creates the temporary file beside `path`. On failure, stream() is null
    // and error() says why, naming the path.
    explicit OutputFile(const std::string& path);
    // Removes the temporary file unless commit() succeeded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    std::FILE* stream() const { return stream_; }
    const std::string& error() const { return error_; }

    // Closes the temporary file, gives it the permissions a new file gets,
    // and renames it to the final path. Returns false (with error()) if any
    // step fails; the temporary file is then removed.
    bool commit();

private:
    void discard();

    std::string path_;
    std::string temporary_;
    std::FILE* stream_ = nullptr;
    std::string error_;
};
