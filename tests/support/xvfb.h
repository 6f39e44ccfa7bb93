// A private Xvfb server for one test process or one end-to-end session, so
// tests never depend on (or disturb) whatever display the caller has.
#pragma once

#include <string>
#include <sys/types.h>

// The screen a server has unless its owner asks for another (WIDTHxHEIGHTxDEPTH).
inline const char* const XVFB_SCREEN = "1280x1024x24";

class XvfbServer {
public:
    // Starts Xvfb on a free display number; throws std::runtime_error if it
    // cannot. The server dies with this process even if the test crashes.
    explicit XvfbServer(const std::string& screen = XVFB_SCREEN);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // ":N", for DISPLAY.
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};
