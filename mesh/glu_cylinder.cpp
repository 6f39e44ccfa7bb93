// GLU 9.0.2's gluCylinder as the demo draws it (GLU_FILL, smooth normals,
// facing out, no texture coordinates): one quad strip per stack, with GLU's
// mix of float and double arithmetic so the floats are the ones it passes to
// glNormal3f and glVertex3f.
#include "mesh/solids.h"

#include <cmath>

namespace {

const double PI = 3.14159265358979323846;

}  // namespace

void appendGluCylinder(SolidMesh& mesh, double baseRadius, double topRadius, double height,
                       int slices, int stacks)
{
    const float deltaRadius = static_cast<float>(baseRadius - topRadius);
    const float length = static_cast<float>(std::sqrt(deltaRadius * deltaRadius + height * height));
    const float zNormal = deltaRadius / length;
    const float xyNormalRatio = static_cast<float>(height / length);

    // GLU's tables: the angle is a float from a double product; the last
    // entry repeats the first.
    std::vector<float> sines(static_cast<size_t>(slices) + 1), cosines(sines.size());
    std::vector<float> normalSines(sines.size()), normalCosines(sines.size());
    for (int i = 0; i < slices; ++i) {
        const float angle = static_cast<float>(2 * PI * i / slices);
        const auto at = static_cast<size_t>(i);
        normalSines[at] = static_cast<float>(xyNormalRatio * std::sin(static_cast<double>(angle)));
        normalCosines[at] = static_cast<float>(xyNormalRatio * std::cos(static_cast<double>(angle)));
        sines[at] = static_cast<float>(std::sin(static_cast<double>(angle)));
        cosines[at] = static_cast<float>(std::cos(static_cast<double>(angle)));
    }
    const auto last = static_cast<size_t>(slices);
    sines[last] = sines[0];
    cosines[last] = cosines[0];
    normalSines[last] = normalSines[0];
    normalCosines[last] = normalCosines[0];

    // Each stack's strip runs once around, the lower vertex of each slice
    // first. GLU's sines go along x: the tube starts at +Y, not +X.
    for (int j = 0; j < stacks; ++j) {
        const float zLow = static_cast<float>(j * height / stacks);
        const float zHigh = static_cast<float>((j + 1) * height / stacks);
        const float radiusLow = static_cast<float>(
            baseRadius - deltaRadius * (static_cast<float>(j) / static_cast<float>(stacks)));
        const float radiusHigh = static_cast<float>(
            baseRadius - deltaRadius * (static_cast<float>(j + 1) / static_cast<float>(stacks)));

        VertexArrays v;
        std::vector<int> strip;
        for (size_t i = 0; i <= last; ++i) {
            strip.push_back(v.add(radiusLow * sines[i], radiusLow * cosines[i], zLow,
                                  normalSines[i], normalCosines[i], zNormal));
            strip.push_back(v.add(radiusHigh * sines[i], radiusHigh * cosines[i], zHigh,
                                  normalSines[i], normalCosines[i], zNormal));
        }
        appendQuadStrip(mesh, v, strip);
    }
}
