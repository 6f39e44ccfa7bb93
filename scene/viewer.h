// The viewer state shared by every GLUT callback, and what a key press or
// an idle step does to it, with no GLUT: the demo's callbacks (app/), the
// pages and the tools all change the state through these.
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

// GLUT's codes for the special keys that turn the scene (GLUT_KEY_LEFT and
// so on), so the decisions below need no GLUT header.
enum TurnKeyCode : int {
    TURN_KEY_LEFT = 100,
    TURN_KEY_UP = 101,
    TURN_KEY_RIGHT = 102,
    TURN_KEY_DOWN = 103,
    TURN_KEY_PAGE_UP = 104,
    TURN_KEY_PAGE_DOWN = 105,
};

// What a key does to the state. The GLUT callbacks add only the GLUT calls.
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
