#include "web/lab_marks.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

using V = MarkPoint;

// A light that is off is drawn this much of the way to the background.
constexpr float DIMMED = 0.65f;
constexpr float NORMAL_COLOUR[3] = {1.0f, 0.6f, 0.1f};
constexpr float POINT_COLOUR[3] = {1.0f, 1.0f, 1.0f};
constexpr double VECTOR_LABEL = 0.8;  // of the eyes' labels' height
constexpr double BARB_BACK = 0.22, BARB_OUT = 0.1;  // of an arrow's length
// The clicked pixel's cross: arms from CROSS_GAP to CROSS_REACH pixels off
// its centre, so the pixel itself stays as drawn.
constexpr double CROSS_GAP = 3.0, CROSS_REACH = 8.0;
// A spot's aim, the handle that turns its axis, as a dot of its own.
constexpr float AIM_DOT = 7.0f;

LightMarks inColour(const float colour[3], float dotSize = MARK_DOT_SIZE)
{
    LightMarks marks{{colour[0], colour[1], colour[2]}, {}, {}, {}};
    marks.dotSize = dotSize;
    return marks;
}

void line(LightMarks& marks, V a, V b)
{
    marks.segments.push_back(a);
    marks.segments.push_back(b);
}

// A light's colour as its marks and vectors show it, lifted from the
// background when it is too dark to see there.
LightMarks legendOf(const LightSetup& light)
{
    LightMarks marks = inColour(light.diffuse);
    const float brightest = std::max({light.diffuse[0], light.diffuse[1], light.diffuse[2]});
    if (brightest < 0.3f) {
        for (float& c : marks.colour) {
            c += 0.3f - brightest;
        }
    }
    return marks;
}

MarkPoint windowOf(const OutsideCamera& camera, V world)
{
    const PicturePoint p = projectOutside(camera, world);
    return {p.x, camera.height - p.y, p.depth};
}

// `text` in the window's frame, centred `gap` pixels beyond `tip` on the
// line from `from`, both world points.
void labelBeyond(LightMarks& marks, const OutsideCamera& camera, const std::string& text, V from,
                 V tip, double pixels)
{
    const V a = windowOf(camera, from), b = windowOf(camera, tip);
    double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (length < 1e-6) {
        dx = 1, dy = 0;
    } else {
        dx /= length, dy /= length;
    }
    const double capital = pixels * 100.0 / STROKE_CAPITAL, width = labelWidth(text, pixels);
    const double reach = 0.5 * std::max(width, capital) + 3.0;
    const std::vector<MarkPoint> strokes =
        labelStrokes(text, b.x + reach * dx - 0.5 * width, b.y + reach * dy - 0.5 * capital, pixels);
    marks.segments.insert(marks.segments.end(), strokes.begin(), strokes.end());
}

// An arrow from `from` along unit `direction`, its barbs across it in the
// picture's plane (`forward`: the camera's line of sight, in the same frame).
void arrow(LightMarks& marks, V from, V direction, V forward)
{
    const V tip = from + VECTOR_LENGTH * direction;
    line(marks, from, tip);
    V across = cross(direction, forward);
    if (lengthOf(across) < 1e-6) {
        across = cross(direction, std::fabs(direction.x) < 0.9 ? V{1, 0, 0} : V{0, 1, 0});
    }
    across = unit(across);
    const V back = tip + (-BARB_BACK * VECTOR_LENGTH) * direction;
    line(marks, tip, back + (BARB_OUT * VECTOR_LENGTH) * across);
    line(marks, tip, back + (-BARB_OUT * VECTOR_LENGTH) * across);
}

// Each viewpoint's frustum, the state's highlighted.
LightMarks frustumMarks(const SceneState& state, int viewpoint)
{
    LightMarks marks =
        inColour(viewpoint == state.view.viewpoint ? OVERVIEW_HIGHLIGHT : OVERVIEW_FRUSTUM);
    const ViewFrustum frustum =
        viewFrustum(cameraFor(viewpoint, state.view.windowWidth, state.view.windowHeight));
    for (const V& corner : frustum.farCorners) {
        line(marks, frustum.eye, corner);
    }
    marks.loops.emplace_back(frustum.nearCorners, frustum.nearCorners + 4);
    marks.loops.emplace_back(frustum.farCorners, frustum.farCorners + 4);
    return marks;
}

// The clicked point's vectors: each light's L and H, V and N as arrows
// from the point, a spotlight's ray to the point and its axis as long; in
// the scene's frame, with their labels in the window's.
void vectorLayers(const SceneState& state, const OutsideCamera& camera, const ClickedPoint& c,
                  std::vector<MarkLayer>& layers)
{
    const ViewerState& view = state.view;
    const V forward = turnedToScene(view, unit(camera.target - camera.eye));
    const double pixels = VECTOR_LABEL * labelPixels(camera.width, camera.height);
    MarkLayer arrows{MarkFrame::Scene, false, {}};
    MarkLayer labels{MarkFrame::Window, false, {}};
    const auto add = [&](LightMarks marks, V direction, const std::string& name) {
        arrow(marks, c.point, direction, forward);
        LightMarks label = marks;
        label.segments.clear();
        labelBeyond(label, camera, name, turnedToWorld(view, c.point),
                    turnedToWorld(view, c.point + VECTOR_LENGTH * direction), pixels);
        arrows.marks.push_back(marks);
        labels.marks.push_back(label);
    };
    for (int i = 0; i < state.setup.lightCount; ++i) {
        if (!state.lightOn[i]) {
            continue;
        }
        // L towards the light, H halfway between L and V, as the equation
        // takes them (a light at a point from the point lit).
        const LightSetup& light = state.setup.lights[i];
        const V given{light.position[0], light.position[1], light.position[2]};
        const V place = light.position[3] == 0.0f ? given : (1.0 / light.position[3]) * given;
        const V towards = light.position[3] == 0.0f ? given : place - c.point;
        if (lengthOf(towards) < 1e-9) {
            continue;
        }
        const V toLight = unit(towards), between = toLight + c.towardsViewer;
        const std::string number(1, static_cast<char>('0' + i));
        add(legendOf(light), toLight, "L" + number);
        if (lengthOf(between) > 1e-9) {
            add(legendOf(light), unit(between), "H" + number);
        }
        if (light.isSpot() && light.position[3] != 0.0f) {
            const V axis = unit({light.spotDirection[0], light.spotDirection[1],
                                 light.spotDirection[2]});
            LightMarks beam = legendOf(light);
            line(beam, place, c.point);
            line(beam, place, place + lengthOf(c.point - place) * axis);
            arrows.marks.push_back(beam);
        }
    }
    // V, then N over everything: the angles are read against N.
    add(inColour(OVERVIEW_HIGHLIGHT), c.towardsViewer, "V");
    add(inColour(NORMAL_COLOUR), c.normal, "N");
    LightMarks point = inColour(POINT_COLOUR, 5.0f);
    point.dots.push_back(c.point);
    arrows.marks.push_back(point);
    layers.push_back(arrows);
    layers.push_back(labels);
}

}  // namespace

std::vector<MarkLayer> outsideLayers(const SceneState& state, const OutsideCamera& camera,
                                     const ClickedPoint* clicked)
{
    std::vector<MarkLayer> layers;
    MarkLayer frusta{MarkFrame::World, true, {}};
    for (int v = 0; v < VIEWPOINT_COUNT; ++v) {
        frusta.marks.push_back(frustumMarks(state, v));
    }
    layers.push_back(frusta);

    MarkLayer lights{MarkFrame::Scene, true, {}};
    for (int i = 0; i < state.setup.lightCount; ++i) {
        LightMarks marks = lightMarksOf(state.setup.lights[i]);
        if (!state.lightOn[i]) {
            for (int k = 0; k < 3; ++k) {
                marks.colour[k] += DIMMED * (OVERVIEW_BACKGROUND[k] - marks.colour[k]);
            }
        }
        lights.marks.push_back(marks);
    }
    layers.push_back(lights);

    // Each spotlight's aim, where a drag takes hold of its axis: over
    // everything, so it can be found where the axis enters a solid.
    MarkLayer aims{MarkFrame::Scene, false, {}};
    for (const LightHandle& handle : lightHandles(state)) {
        if (handle.kind == HandleKind::Aim) {
            LightMarks dot = inColour(lights.marks[static_cast<size_t>(handle.light)].colour, AIM_DOT);
            dot.dots.push_back(handle.at);
            aims.marks.push_back(dot);
        }
    }
    layers.push_back(aims);

    // The eyes and their numbers, over everything.
    MarkLayer eyes{MarkFrame::World, false, {}};
    MarkLayer numbers{MarkFrame::Window, false, {}};
    double zNear = 0, zFar = 0;
    depthRange(camera, zNear, zFar);
    const double pixels = labelPixels(camera.width, camera.height);
    for (int v = 0; v < VIEWPOINT_COUNT; ++v) {
        const float* colour = v == state.view.viewpoint ? OVERVIEW_HIGHLIGHT : OVERVIEW_FRUSTUM;
        const Camera eye = cameraFor(v, state.view.windowWidth, state.view.windowHeight);
        LightMarks dot = inColour(colour, OVERVIEW_EYE_DOT);
        dot.dots.push_back({eye.eyeX, eye.eyeY, eye.eyeZ});
        eyes.marks.push_back(dot);
        const V at = windowOf(camera, {eye.eyeX, eye.eyeY, eye.eyeZ});
        if (at.z >= zNear && at.z <= zFar) {
            LightMarks label = inColour(colour);
            label.segments = labelStrokes(std::string(1, static_cast<char>('0' + v)),
                                          at.x + LABEL_RIGHT * pixels, at.y + LABEL_UP * pixels,
                                          pixels);
            numbers.marks.push_back(label);
        }
    }
    layers.push_back(eyes);
    layers.push_back(numbers);

    if (clicked != nullptr && clicked->onSurface) {
        vectorLayers(state, camera, *clicked, layers);
    }
    return layers;
}

std::vector<MarkLayer> sceneLayers(const SceneState& state, const ClickedPoint& clicked)
{
    std::vector<MarkLayer> layers;
    if (clicked.hasTriangle) {
        MarkLayer triangle{MarkFrame::Scene, false, {inColour(OVERVIEW_HIGHLIGHT)}};
        LightMarks& outline = triangle.marks.back();
        outline.loops.emplace_back(clicked.corners, clicked.corners + 3);
        outline.dots.assign(clicked.corners, clicked.corners + 3);
        // Each corner's own colour, what GL blends, inside its dot.
        for (int k = 0; k < 3; ++k) {
            LightMarks corner = inColour(clicked.cornerColours[k], 3.0f);
            corner.dots.push_back(clicked.corners[k]);
            triangle.marks.push_back(corner);
        }
        layers.push_back(triangle);
    }
    const double x = clicked.x + 0.5, y = state.view.windowHeight - clicked.y - 0.5;
    MarkLayer cross{MarkFrame::Window, false, {inColour(OVERVIEW_HIGHLIGHT)}};
    for (const double sign : {-1.0, 1.0}) {
        line(cross.marks.back(), {x + sign * CROSS_GAP, y, 0}, {x + sign * CROSS_REACH, y, 0});
        line(cross.marks.back(), {x, y + sign * CROSS_GAP, 0}, {x, y + sign * CROSS_REACH, 0});
    }
    layers.push_back(cross);
    return layers;
}
