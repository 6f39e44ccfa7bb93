// What the capture tool draws: the demo's frame alone, or with its lights
// marked (--show-lights), or the rig from outside (--overview), or the frame
// split into each light's terms (--layers).
#pragma once

#include "scene/state.h"
#include "tools/common/offscreen.h"
#include "tools/common/options.h"
#include "tools/common/png_file.h"

#include <string>

// Who draws the frame: the fixed-function pipeline, as the demo does, or the
// shader renderer with the same lighting equation.
enum class FrameRenderer { Fixed, Shader };

struct PictureOptions {
    bool showLights = false;
    bool overview = false;
    bool layers = false;
    FrameRenderer renderer = FrameRenderer::Fixed;
};

// The three flags and --renderer, storing into `picture`.
void addPictureOptions(CLI::App& app, PictureOptions& picture);

// The --help lines that describe them.
std::string pictureOptionsUsage();

// What is wrong with the combination of options, in one line, or an empty
// string: contradictory pictures, or a picture too large to lay out. Needs
// no GL.
std::string checkPicture(const PictureOptions& picture, const StateOptions& state);

// Draws the picture into `target`, which must be ready and of the state's
// size, and reads it back into `picture`. Returns EXIT_DONE, or the status
// a failure calls for with one line in `error` (a shader that does not
// compile: EXIT_NO_DISPLAY_OR_GL, with the compiler's log). Throws
// std::bad_alloc when it does not fit in memory.
int drawPicture(const PictureOptions& options, const StateOptions& state,
                const OffscreenTarget& target, RgbImage& picture, std::string& error);

// What is wrong with drawing a state file's state with these options, in
// one line, or an empty string: only the frame alone is drawn for it, and
// per-pixel shading only by the shader.
std::string checkStatePicture(const PictureOptions& picture, const SceneState& scene,
                              const std::string& file);

// The frame of any state: drawFixedFunctionFrame's, or the shader
// renderer's. Otherwise as drawPicture.
int drawStateFrame(const PictureOptions& options, const SceneState& scene,
                   const OffscreenTarget& target, RgbImage& picture, std::string& error);

// One line naming what the picture shows, for its PNG description.
std::string describePicture(const PictureOptions& picture, const StateOptions& state);
