#include "tools/capture/light_markers.h"

#include "render/gl.h"
#include "render/render.h"
#include "scene/light_marks.h"

namespace {

void vertex(const MarkPoint& p)
{
    glVertex3d(p.x, p.y, p.z);
}

}  // namespace

void drawLightMarkers(const SceneState& state)
{
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT | GL_POINT_BIT);
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glPointSize(MARK_DOT_SIZE);
    glLineWidth(1.0f);
    for (const LightMarks& marks : lightMarks(state)) {
        glColor3fv(marks.colour);
        glBegin(GL_POINTS);
        for (const MarkPoint& p : marks.dots) {
            vertex(p);
        }
        glEnd();
        glBegin(GL_LINES);
        for (const MarkPoint& p : marks.segments) {
            vertex(p);
        }
        glEnd();
        for (const auto& loop : marks.loops) {
            glBegin(GL_LINE_LOOP);
            for (const MarkPoint& p : loop) {
                vertex(p);
            }
            glEnd();
        }
    }
    glPopAttrib();
}

void drawLightMarkers(int mode)
{
    ViewerState view{};
    view.lightingMode = mode;
    drawLightMarkers(demoSceneState(view));
}
