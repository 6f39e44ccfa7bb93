// A scene state as the OpenGL 1.x calls that set it: the light model, each
// light, and the material. The fixed-function frame of any state executes
// these very calls, and the lab shows them as code to copy, so what a
// learner reads is what was drawn. No GL here: the calls are data.
#pragma once

#include "scene/state.h"

#include <string>
#include <vector>

// The GL enumerants the calls use, by value, so the list needs no GL
// headers (WebGL's have none of them).
enum GlName : unsigned {
    NAME_FRONT = 0x0404,
    NAME_BACK = 0x0405,
    NAME_LIGHTING = 0x0B50,
    NAME_LIGHT_MODEL_LOCAL_VIEWER = 0x0B51,
    NAME_LIGHT_MODEL_TWO_SIDE = 0x0B52,
    NAME_LIGHT_MODEL_AMBIENT = 0x0B53,
    NAME_AMBIENT = 0x1200,
    NAME_DIFFUSE = 0x1201,
    NAME_SPECULAR = 0x1202,
    NAME_POSITION = 0x1203,
    NAME_SPOT_DIRECTION = 0x1204,
    NAME_SPOT_EXPONENT = 0x1205,
    NAME_SPOT_CUTOFF = 0x1206,
    NAME_CONSTANT_ATTENUATION = 0x1207,
    NAME_LINEAR_ATTENUATION = 0x1208,
    NAME_QUADRATIC_ATTENUATION = 0x1209,
    NAME_EMISSION = 0x1600,
    NAME_SHININESS = 0x1601,
    NAME_FLAT = 0x1D00,
    NAME_SMOOTH = 0x1D01,
    NAME_LIGHT0 = 0x4000,
    NAME_LIGHT_MODEL_COLOR_CONTROL = 0x81F8,
    NAME_SINGLE_COLOR = 0x81F9,
    NAME_SEPARATE_SPECULAR_COLOR = 0x81FA,
};

struct GlCall {
    enum Function {
        Enable, Disable, ShadeModel, LightModelfv, LightModeli, Lightfv, Lightf, Materialfv,
        Materialf
    };
    Function function;
    unsigned target;     // the light, the face, the capability or the shade model
    unsigned parameter;  // unused by Enable, Disable and ShadeModel
    int count;           // values used: 1, 3 or 4
    float values[4];     // glLightModeli's: GL_TRUE (1), GL_FALSE (0) or an enumerant
};

struct StateCalls {
    // Shade model, light model, lights on or off, their colours and factors.
    std::vector<GlCall> lasting;
    std::vector<GlCall> placed;   // positions and spot directions: after the camera and the turns
    // The front material shared by the solids, without the diffuse, and
    // with two-sided lighting the back material.
    std::vector<GlCall> material;
    std::vector<GlCall> diffuse[SOLID_COUNT];  // each solid's diffuse colour, before it is drawn
};

StateCalls stateCalls(const SceneState& state);

// The calls as C, to copy into a program of one's own: the same values,
// in the same order, with a comment where each group goes.
std::string stateCallsAsC(const SceneState& state);

// The name of a GL enumerant the calls use ("GL_LIGHT2"), or its value.
std::string glName(unsigned value);
