// A frame split into what each light adds to it: for every light the state's
// lighting mode switches on, its diffuse term and its specular term as
// frames of their own, drawn by the demo's display(), then their sum and the
// demo's frame, laid out in a labelled grid.
#pragma once

#include "tools/common/options.h"
#include "tools/common/picture_grid.h"
#include "tools/common/png_file.h"

#include <functional>
#include <vector>

struct Layer {
    int light;      // 0, 1 or 2: GL_LIGHT0 + light
    bool specular;  // false: the diffuse term
    RgbImage frame;
};

struct LayerFrames {
    std::vector<Layer> layers;  // light by light, diffuse before specular
    RgbImage frame;             // the demo's own frame of the state
};

// Draws each layer with display() in the lighting mode that switches that
// light on alone (it is placed there as in every mode), with the other
// term's colour of the light set to black for that frame only; then the
// state's own frame. `readFrame` reads back what display() drew.
LayerFrames drawLayers(const StateOptions& state, const std::function<RgbImage()>& readFrame);

// The layers added up channel by channel, clamped at 255 as GL clamps.
RgbImage sumOfLayers(const std::vector<Layer>& layers);

// The grid: a row of diffuse terms, a row of specular terms, and the sum
// beside the demo's frame. With no frames given, only its size is right.
Grid layersGrid(const StateOptions& state, const LayerFrames* frames, const RgbImage* sum);

// The whole picture.
RgbImage layOutLayers(const StateOptions& state, const LayerFrames& frames);
