// The viewer state shared by every GLUT callback, and the callbacks that
// turn key presses and idle time into changes of it.
#pragma once

#include <cstdint>

struct ViewerState {
    std::int32_t windowWidth;
    std::int32_t windowHeight;
    std::int32_t lightingMode;  // 0 to LIGHTING_MODE_COUNT - 1
    std::int32_t viewpoint;     // 0 to VIEWPOINT_COUNT - 1
    float angleX;               // degrees, never wrapped
    float angleY;
    float angleZ;
    std::int32_t animating;     // 1 while idle() is registered with GLUT
};

// The one instance: zero at load, so the first frame shows viewpoint 0,
// lighting mode 0, no rotation, with the spin off.
extern ViewerState viewer;

constexpr int VIEWPOINT_COUNT = 3;
constexpr int LIGHTING_MODE_COUNT = 4;

// GLUT callbacks.
void keyboard(unsigned char key, int x, int y);
void specialKey(int key, int x, int y);
void idle();

// What a key does to the state, without touching GLUT, so it can be checked
// without a window. The callbacks above add only the GLUT calls.
enum class KeyEffect {
    None,        // nothing changed, no redisplay
    Redisplay,   // the picture changed: ask GLUT for a redisplay
    ToggleSpin,  // `animating` flipped: register or remove idle()
    Quit,        // end the process with status 0
};

KeyEffect applyKey(ViewerState& state, unsigned char key);

// Returns whether the key turned the scene (and so needs a redisplay).
bool applySpecialKey(ViewerState& state, int key);

// One step of the continuous spin.
void applySpinStep(ViewerState& state);

// Adds `step` degrees the way every angle change does: widen to double,
// add, round back to float. Large angles absorb small steps; nothing wraps.
float addDegrees(float angle, float step);
