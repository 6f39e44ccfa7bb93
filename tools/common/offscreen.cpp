#include "tools/common/offscreen.h"

#include "render/gl.h"

#include <GL/glext.h>
#include <GL/glx.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// Framebuffer objects are core from OpenGL 3.0 (ARB_framebuffer_object
// before that); their entry points are looked up at run time.
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLCLIPCONTROLPROC clipControl;  // null without OpenGL 4.5 or ARB_clip_control
};

template <typename Function>
void lookUp(Function& function, const char* name)
{
    function = reinterpret_cast<Function>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

// Whether the context offers what OpenGL `major`.`minor` made core, or the
// extension that brought it earlier.
bool contextHas(int major, int minor, const char* extension)
{
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    int haveMajor = 0, haveMinor = 0;
    if (version != nullptr && std::sscanf(version, "%d.%d", &haveMajor, &haveMinor) == 2 &&
        (haveMajor > major || (haveMajor == major && haveMinor >= minor))) {
        return true;
    }
    return extensions != nullptr && std::strstr(extensions, extension) != nullptr;
}

const FramebufferCalls* framebufferCalls()
{
    static FramebufferCalls calls{};
    static bool ready = false;
    if (!ready && contextHas(3, 0, "GL_ARB_framebuffer_object")) {
        lookUp(calls.genFramebuffers, "glGenFramebuffers");
        lookUp(calls.bindFramebuffer, "glBindFramebuffer");
        lookUp(calls.deleteFramebuffers, "glDeleteFramebuffers");
        lookUp(calls.genRenderbuffers, "glGenRenderbuffers");
        lookUp(calls.bindRenderbuffer, "glBindRenderbuffer");
        lookUp(calls.renderbufferStorage, "glRenderbufferStorage");
        lookUp(calls.deleteRenderbuffers, "glDeleteRenderbuffers");
        lookUp(calls.framebufferRenderbuffer, "glFramebufferRenderbuffer");
        lookUp(calls.checkFramebufferStatus, "glCheckFramebufferStatus");
        ready = calls.genFramebuffers && calls.bindFramebuffer && calls.deleteFramebuffers &&
                calls.genRenderbuffers && calls.bindRenderbuffer && calls.renderbufferStorage &&
                calls.deleteRenderbuffers && calls.framebufferRenderbuffer &&
                calls.checkFramebufferStatus;
        if (contextHas(4, 5, "GL_ARB_clip_control")) {
            lookUp(calls.clipControl, "glClipControl");
        }
    }
    return ready ? &calls : nullptr;
}

// The depth buffer format with the precision of the window's own, so depth
// tests resolve exactly as they do in the demo's window.
GLenum depthFormatLikeWindow()
{
    GLint bits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &bits);
    if (bits <= 16) {
        return GL_DEPTH_COMPONENT16;
    }
    return bits <= 24 ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT32;
}

void clearGlErrors()
{
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

}  // namespace

OffscreenTarget::OffscreenTarget(int width, int height) : width_(width), height_(height)
{
    const FramebufferCalls* gl = framebufferCalls();
    if (gl == nullptr) {
        error_ = "this OpenGL cannot draw off screen (it has no framebuffer objects)";
        return;
    }
    GLint maxRenderbuffer = 0;
    GLint maxViewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
    const int maxWidth = std::min(maxRenderbuffer, maxViewport[0]);
    const int maxHeight = std::min(maxRenderbuffer, maxViewport[1]);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width > maxWidth || height > maxHeight) {
        outcome_ = Outcome::TooLarge;
        error_ = "--size " + size + " is beyond what this OpenGL can draw (at most " +
                 std::to_string(maxWidth) + "x" + std::to_string(maxHeight) + ")";
        return;
    }

    const GLenum depthFormat = depthFormatLikeWindow();
    clearGlErrors();
    gl->genFramebuffers(1, &framebuffer_);
    gl->genRenderbuffers(1, &colour_);
    gl->genRenderbuffers(1, &depth_);
    gl->bindRenderbuffer(GL_RENDERBUFFER, colour_);
    gl->renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    gl->bindRenderbuffer(GL_RENDERBUFFER, depth_);
    gl->renderbufferStorage(GL_RENDERBUFFER, depthFormat, width, height);
    gl->bindRenderbuffer(GL_RENDERBUFFER, 0);
    gl->bindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl->framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
    gl->framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);

    if (glGetError() == GL_OUT_OF_MEMORY) {
        outcome_ = Outcome::TooLarge;
        error_ = "--size " + size + " does not fit in this OpenGL's memory";
        return;
    }
    const GLenum complete = gl->checkFramebufferStatus(GL_FRAMEBUFFER);
    if (complete != GL_FRAMEBUFFER_COMPLETE) {
        error_ = "this OpenGL cannot draw off screen at " + size + " (framebuffer status " +
                 std::to_string(complete) + ")";
        return;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    // A window's framebuffer has its first row at the top, and Mesa draws
    // into it with the viewport's y scale negated; a framebuffer object
    // has its first row at the bottom. Drawn the other way up, interpolated
    // colours may round differently and ties on triangle edges may go to
    // the other triangle. With the clip origin at the upper left, Mesa uses
    // the very same viewport arithmetic as for the window, so the frame
    // comes out bit for bit as the window shows it, rows top first.
    topRowFirst_ = gl->clipControl != nullptr;
    if (topRowFirst_) {
        gl->clipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    }
    clearGlErrors();
    outcome_ = Outcome::Ready;
}

OffscreenTarget::~OffscreenTarget()
{
    const FramebufferCalls* gl = framebufferCalls();
    if (gl == nullptr) {
        return;
    }
    gl->bindFramebuffer(GL_FRAMEBUFFER, 0);
    gl->deleteFramebuffers(1, &framebuffer_);
    gl->deleteRenderbuffers(1, &colour_);
    gl->deleteRenderbuffers(1, &depth_);
}

RgbImage OffscreenTarget::read() const
{
    RgbImage image;
    image.width = width_;
    image.height = height_;
    const size_t stride = static_cast<size_t>(width_) * 3;
    image.rgb.resize(stride * static_cast<size_t>(height_));
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, image.rgb.data());
    for (int top = 0, bottom = height_ - 1; !topRowFirst_ && top < bottom; ++top, --bottom) {
        std::swap_ranges(image.rgb.begin() + static_cast<std::ptrdiff_t>(top * stride),
                         image.rgb.begin() + static_cast<std::ptrdiff_t>((top + 1) * stride),
                         image.rgb.begin() + static_cast<std::ptrdiff_t>(bottom * stride));
    }
    return image;
}

std::vector<float> OffscreenTarget::readDepth() const
{
    const size_t stride = static_cast<size_t>(width_);
    std::vector<float> depth(stride * static_cast<size_t>(height_));
    glFinish();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    for (int top = 0, bottom = height_ - 1; !topRowFirst_ && top < bottom; ++top, --bottom) {
        std::swap_ranges(depth.begin() + static_cast<std::ptrdiff_t>(top * stride),
                         depth.begin() + static_cast<std::ptrdiff_t>((top + 1) * stride),
                         depth.begin() + static_cast<std::ptrdiff_t>(bottom * stride));
    }
    return depth;
}
