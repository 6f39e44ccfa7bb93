// The viewer state's one instance, and what keys and idle steps do to it.
#include "scene/viewer.h"

ViewerState viewer{};

namespace {

constexpr unsigned char KEY_ENTER = 13;
constexpr unsigned char KEY_ESCAPE = 27;
constexpr unsigned char KEY_NEXT_VIEWPOINT = 'c';
constexpr unsigned char KEY_NEXT_LIGHTING_MODE = 'l';

// Degrees added per idle call. There is no time base: the spin's speed
// follows the rate at which GLUT calls idle().
constexpr float SPIN_STEP_X = 0.4256f;
constexpr float SPIN_STEP_Y = 0.6117f;
constexpr float SPIN_STEP_Z = 0.4174f;

// One degree per press of an arrow or page key.
struct TurnKey {
    int key;
    float ViewerState::*angle;
    float degrees;
};

constexpr TurnKey TURN_KEYS[] = {
    {TURN_KEY_LEFT, &ViewerState::angleY, +1.0f},
    {TURN_KEY_UP, &ViewerState::angleX, +1.0f},
    {TURN_KEY_RIGHT, &ViewerState::angleY, -1.0f},
    {TURN_KEY_DOWN, &ViewerState::angleX, -1.0f},
    {TURN_KEY_PAGE_UP, &ViewerState::angleZ, +1.0f},
    {TURN_KEY_PAGE_DOWN, &ViewerState::angleZ, -1.0f},
};

}  // namespace

float addDegrees(float angle, float step)
{
    return static_cast<float>(static_cast<double>(angle) + static_cast<double>(step));
}

KeyEffect applyKey(ViewerState& state, unsigned char key)
{
    switch (key) {
    case KEY_ENTER:
        state.animating = state.animating ? 0 : 1;
        return KeyEffect::ToggleSpin;
    case KEY_ESCAPE:
        return KeyEffect::Quit;
    case KEY_NEXT_VIEWPOINT:
        state.viewpoint = (state.viewpoint + 1) % VIEWPOINT_COUNT;
        return KeyEffect::Redisplay;
    case KEY_NEXT_LIGHTING_MODE:
        state.lightingMode = (state.lightingMode + 1) % LIGHTING_MODE_COUNT;
        return KeyEffect::Redisplay;
    default:
        return KeyEffect::None;
    }
}

bool applySpecialKey(ViewerState& state, int key)
{
    for (const TurnKey& turn : TURN_KEYS) {
        if (turn.key == key) {
            state.*turn.angle = addDegrees(state.*turn.angle, turn.degrees);
            return true;
        }
    }
    return false;
}

void applySpinStep(ViewerState& state)
{
    state.angleX = addDegrees(state.angleX, SPIN_STEP_X);
    state.angleY = addDegrees(state.angleY, SPIN_STEP_Y);
    state.angleZ = addDegrees(state.angleZ, SPIN_STEP_Z);
}
