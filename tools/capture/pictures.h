// What the capture tool draws: the demo's frame alone, or with its lights
// marked (--show-lights), or the rig from outside (--overview), or the frame
// split into each light's terms (--layers).
#pragma once

#include "offscreen.h"
#include "options.h"
#include "png_file.h"

#include <string>
#include <vector>

struct PictureOptions {
    bool showLights = false;
    bool overview = false;
    bool layers = false;
};

// The three flags, storing into `picture`.
std::vector<CommandOption> pictureOptions(PictureOptions& picture);

// The --help lines that describe them.
std::string pictureOptionsUsage();

// What is wrong with the combination of options, in one line, or an empty
// string: contradictory pictures, or a picture too large to lay out. Needs
// no GL.
std::string checkPicture(const PictureOptions& picture, const StateOptions& state);

// Draws the picture into `target`, which must be ready and of the state's
// size, and reads it back. Throws std::bad_alloc when it does not fit in
// memory.
RgbImage drawPicture(const PictureOptions& picture, const StateOptions& state,
                     const OffscreenTarget& target);

// One line naming what the picture shows, for its PNG description.
std::string describePicture(const PictureOptions& picture, const StateOptions& state);
