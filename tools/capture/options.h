// The capture tool's command line.
#pragma once

#include <string>

struct CaptureOptions {
    int viewpoint = 0;
    int lightingMode = 0;
    float angleX = 0, angleY = 0, angleZ = 0;  // degrees
    int width = 300, height = 300;
    std::string output;
};

struct ParsedCommandLine {
    enum class Outcome { Capture, Help, Error } outcome = Outcome::Error;
    CaptureOptions options;  // when Capture
    std::string error;       // when Error: one line, no trailing newline
};

// Reads the arguments after the program name. Sizes are only checked to be
// positive here: what the GL can draw is known once it is running.
ParsedCommandLine parseCommandLine(int argc, const char* const* argv);

// The text --help prints.
std::string usage();
