#include "scene/light_drag.h"

#include <algorithm>
#include <cmath>

namespace {

using V = MarkPoint;

// With Shift, a light goes this share of its distance further a pixel up.
constexpr double SHIFT_RATE = 0.01;


// Pixels from (x, y) to the picture's segment from a to b.
double pixelsToSegment(PicturePoint a, PicturePoint b, double x, double y)
{
    const double ex = b.x - a.x, ey = b.y - a.y, squared = ex * ex + ey * ey;
    const double t =
        squared > 0 ? std::clamp(((x - a.x) * ex + (y - a.y) * ey) / squared, 0.0, 1.0) : 0.0;
    return std::hypot(a.x + t * ex - x, a.y + t * ey - y);
}

void setDirection(float out[3], V direction)
{
    const double length = lengthOf(direction);
    if (length > 1e-9) {
        out[0] = static_cast<float>(direction.x / length);
        out[1] = static_cast<float>(direction.y / length);
        out[2] = static_cast<float>(direction.z / length);
    }
}

}  // namespace

int handleAt(const std::vector<LightHandle>& handles, const SceneState& state,
             const OutsideCamera& camera, double x, double y, double reach)
{
    int nearest = -1;
    double best = reach;
    for (size_t i = 0; i < handles.size(); ++i) {
        const PicturePoint tail = projectOutside(camera, turnedToWorld(state.view, handles[i].tail));
        const PicturePoint tip = projectOutside(camera, turnedToWorld(state.view, handles[i].tip));
        if (tail.depth <= 0 || tip.depth <= 0) {
            continue;  // behind the eye
        }
        const double distance = pixelsToSegment(tail, tip, x, y);
        if (distance <= best) {
            best = distance;
            nearest = static_cast<int>(i);
        }
    }
    return nearest;
}

SceneState draggedLight(const SceneState& start, const LightHandle& handle,
                        const OutsideCamera& camera, double dx, double dy, bool shift)
{
    SceneState state = start;
    LightSetup& light = state.setup.lights[handle.light];
    const ViewerState& view = start.view;
    const PicturePoint from = projectOutside(camera, turnedToWorld(view, handle.at));
    // The handle's new place in the scene's frame, in the plane facing the
    // camera, or along the line from the eye.
    V moved = turnedToScene(view, unprojectOutside(camera, from.x + dx, from.y + dy, from.depth));
    if (shift) {
        moved = turnedToScene(view, unprojectOutside(camera, from.x, from.y,
                                                     from.depth * std::exp(-dy * SHIFT_RATE)));
    }
    switch (handle.kind) {
    case HandleKind::Place: {
        const float w = light.position[3];
        light.position[0] = static_cast<float>(moved.x * w);
        light.position[1] = static_cast<float>(moved.y * w);
        light.position[2] = static_cast<float>(moved.z * w);
        break;
    }
    case HandleKind::Direction: {
        // The arrows stay at their distance; the light's numbers keep their length.
        const V was{light.position[0], light.position[1], light.position[2]};
        const double length = lengthOf(was);
        setDirection(light.position, moved);
        for (int c = 0; c < 3; ++c) {
            light.position[c] = static_cast<float>(light.position[c] * length);
        }
        break;
    }
    case HandleKind::Aim: {
        const V apex = (1.0 / light.position[3]) *
                       V{light.position[0], light.position[1], light.position[2]};
        if (handle.onPlane) {
            // The ray under the pointer met with z = 0, in the scene's frame.
            const V eye = turnedToScene(view, camera.eye);
            const V ray = turnedToScene(view, unprojectOutside(camera, from.x + dx, from.y + dy, 1.0)) - eye;
            if (std::fabs(ray.z) > 1e-9 && -eye.z / ray.z > 0) {
                moved = eye + (-eye.z / ray.z) * ray;
            }
        }
        setDirection(light.spotDirection, moved - apex);
        break;
    }
    }
    return state;
}
