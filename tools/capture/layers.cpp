#include "tools/capture/layers.h"

#include "render/gl.h"
#include "render/render.h"
#include "scene/names.h"
#include "tools/common/gl_session.h"

#include <algorithm>
#include <string>

namespace {

// The lighting mode that switches `light` on and every other light off.
int modeWithOnly(int light)
{
    for (int mode = 0; mode < LIGHTING_MODE_COUNT; ++mode) {
        bool only = true;
        for (int other = 0; other < LIGHT_COUNT; ++other) {
            only = only && lightEnabled(mode, other) == (other == light);
        }
        if (only) {
            return mode;
        }
    }
    return -1;
}

}  // namespace

LayerFrames drawLayers(const StateOptions& state, const std::function<RgbImage()>& readFrame)
{
    LayerFrames result;
    for (int light = 0; light < LIGHT_COUNT; ++light) {
        if (!lightEnabled(state.lightingMode, light)) {
            continue;
        }
        StateOptions alone = state;
        alone.lightingMode = modeWithOnly(light);
        const GLenum id = GL_LIGHT0 + static_cast<GLenum>(light);
        for (bool specular : {false, true}) {
            // With the light's diffuse colour black only its specular term
            // is left, and the other way round: the material reflects no
            // ambient light and emits none.
            const GLenum silenced = specular ? GL_DIFFUSE : GL_SPECULAR;
            GLfloat kept[4];
            glGetLightfv(id, silenced, kept);
            const GLfloat black[4] = {0.0f, 0.0f, 0.0f, kept[3]};
            glLightfv(id, silenced, black);
            enterState(alone);
            display();
            glLightfv(id, silenced, kept);
            result.layers.push_back({light, specular, readFrame()});
        }
    }
    enterState(state);
    display();
    result.frame = readFrame();
    return result;
}

RgbImage sumOfLayers(const std::vector<Layer>& layers)
{
    RgbImage sum;
    if (layers.empty()) {
        return sum;
    }
    sum.width = layers[0].frame.width;
    sum.height = layers[0].frame.height;
    sum.rgb.assign(layers[0].frame.rgb.size(), 0);
    for (size_t i = 0; i < sum.rgb.size(); ++i) {
        int total = 0;
        for (const Layer& layer : layers) {
            total += layer.frame.rgb[i];
        }
        sum.rgb[i] = static_cast<unsigned char>(std::min(total, 255));
    }
    return sum;
}

Grid layersGrid(const StateOptions& state, const LayerFrames* frames, const RgbImage* sum)
{
    Grid grid;
    GridRow terms[2];
    terms[0].heading = "DIFFUSE TERM OF EACH LIGHT";
    terms[1].heading = "SPECULAR TERM OF EACH LIGHT";
    int index = 0;
    for (int light = 0; light < LIGHT_COUNT; ++light) {
        if (!lightEnabled(state.lightingMode, light)) {
            continue;
        }
        for (GridRow& row : terms) {
            row.frames.push_back(frames != nullptr ? &frames->layers[static_cast<size_t>(index++)].frame
                                                   : nullptr);
            row.captions.push_back({"LIGHT " + std::to_string(light), LIGHT_NAMES[light]});
        }
    }
    GridRow together;
    together.heading = "TOGETHER: VIEWPOINT " + std::to_string(state.viewpoint) + ", MODE " +
                       std::to_string(state.lightingMode) + " (" +
                       LIGHTING_MODE_NAMES[state.lightingMode] + ")";
    together.frames = {sum, frames != nullptr ? &frames->frame : nullptr};
    together.captions = {{"SUM OF THE LAYERS", "CLAMPED AT 255"},
                         {"THE DEMO FRAME", "AS THE DEMO DRAWS IT"}};
    grid.rows = {terms[0], terms[1], together};
    return grid;
}

RgbImage layOutLayers(const StateOptions& state, const LayerFrames& frames)
{
    const RgbImage sum = sumOfLayers(frames.layers);
    return layOutGrid(layersGrid(state, &frames, &sum), frames.frame.width, frames.frame.height);
}
