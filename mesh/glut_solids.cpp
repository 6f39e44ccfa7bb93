// freeglut 3.4's solid cube, sphere and cone, with its own float arithmetic
// so that every position and normal is the float it gives GL: the same
// sine table, the same products in the same order, float where it keeps
// floats and double where C promotes to double.
#include "mesh/solids.h"

#include <cmath>
#include <cstdlib>

namespace {

const double PI = 3.14159265358979323846;

// freeglut's sine and cosine table: |n| + 1 samples around a full circle
// (or half of one from 0 to pi), the sign of n giving the direction; the
// last sample repeats the first (for the half circle it is exactly pi's).
// The angle is a float; sin and cos are the double functions.
void circleTable(int n, bool halfCircle, std::vector<float>& sines, std::vector<float>& cosines)
{
    const int size = std::abs(n);
    const float angle =
        (halfCircle ? 1 : 2) * static_cast<float>(PI) / static_cast<float>(n == 0 ? 1 : n);
    sines.assign(static_cast<size_t>(size) + 1, 0.0f);
    cosines.assign(static_cast<size_t>(size) + 1, 1.0f);
    for (int i = 1; i < size; ++i) {
        const double a = angle * static_cast<float>(i);
        sines[static_cast<size_t>(i)] = static_cast<float>(std::sin(a));
        cosines[static_cast<size_t>(i)] = static_cast<float>(std::cos(a));
    }
    if (halfCircle) {
        sines[static_cast<size_t>(size)] = 0.0f;
        cosines[static_cast<size_t>(size)] = -1.0f;
    }
}

// A closed band of triangle strip around the slices: (first(j), second(j))
// for each slice, then the first slice's pair again.
template <typename First, typename Second>
std::vector<int> closedStrip(int slices, First first, Second second)
{
    std::vector<int> strip;
    for (int j = 0; j <= slices; ++j) {
        const int slice = j == slices ? 0 : j;
        strip.push_back(first(slice));
        strip.push_back(second(slice));
    }
    return strip;
}

// GLUT's unit cube: corners at +-0.5, then six quads, each with its normal.
const int CUBE_CORNERS[8][3] = {{1, 1, 1},  {-1, 1, 1},  {-1, -1, 1}, {1, -1, 1},
                                {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}, {-1, -1, -1}};
const int CUBE_FACES[6][4] = {{0, 1, 2, 3}, {0, 3, 4, 5}, {0, 5, 6, 1},
                              {1, 6, 7, 2}, {7, 4, 3, 2}, {4, 7, 6, 5}};
const float CUBE_NORMALS[6][3] = {{0, 0, 1},  {1, 0, 0},  {0, 1, 0},
                                  {-1, 0, 0}, {0, -1, 0}, {0, 0, -1}};

}  // namespace

void appendGlutCube(SolidMesh& mesh, float size, int divisions)
{
    const int n = divisions;
    // A point of the face's n x n grid as whole steps from the cube's
    // -0.5 corner (0 to n on each axis), so that grid points shared by two
    // faces get the same floats. For n = 1 this is GLUT's size * +-0.5f.
    auto coordinate = [&](int steps) {
        return size * static_cast<float>(static_cast<double>(2 * steps - n) / (2.0 * n));
    };
    for (int f = 0; f < 6; ++f) {
        const int* c0 = CUBE_CORNERS[CUBE_FACES[f][0]];
        const int* c1 = CUBE_CORNERS[CUBE_FACES[f][1]];
        const int* c3 = CUBE_CORNERS[CUBE_FACES[f][3]];
        const float* normal = CUBE_NORMALS[f];
        // Corner 0 in steps; along i towards corner 1, along j towards corner 3.
        VertexArrays grid;
        for (int j = 0; j <= n; ++j) {
            for (int i = 0; i <= n; ++i) {
                float p[3];
                for (int axis = 0; axis < 3; ++axis) {
                    const int start = c0[axis] > 0 ? n : 0;
                    p[axis] = coordinate(start + (c1[axis] - c0[axis]) / 2 * i +
                                         (c3[axis] - c0[axis]) / 2 * j);
                }
                grid.add(p[0], p[1], p[2], normal[0], normal[1], normal[2]);
            }
        }
        // Each small quad split as GLUT splits the face: (0, 1, 2), (0, 2, 3).
        std::vector<int> indices;
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                const int q0 = j * (n + 1) + i, q1 = q0 + 1, q3 = q0 + n + 1, q2 = q3 + 1;
                indices.insert(indices.end(), {q0, q1, q2, q0, q2, q3});
            }
        }
        appendTriangles(mesh, grid, indices);
    }
}

void appendGlutSphere(SolidMesh& mesh, float radius, int slices, int stacks)
{
    std::vector<float> sin1, cos1, sin2, cos2;
    circleTable(-slices, false, sin1, cos1);
    circleTable(stacks, true, sin2, cos2);

    VertexArrays v;
    const int top = v.add(0.0f, 0.0f, radius, 0.0f, 0.0f, 1.0f);
    for (int i = 1; i < stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            const float x = cos1[static_cast<size_t>(j)] * sin2[static_cast<size_t>(i)];
            const float y = sin1[static_cast<size_t>(j)] * sin2[static_cast<size_t>(i)];
            const float z = cos2[static_cast<size_t>(i)];
            v.add(x * radius, y * radius, z * radius, x, y, z);
        }
    }
    const int bottom = v.add(0.0f, 0.0f, -radius, 0.0f, 0.0f, -1.0f);

    // Ring r (0 at the top) holds stacks - 1 rings of slices vertices.
    auto ring = [slices](int r) { return [slices, r](int j) { return 1 + r * slices + j; }; };
    auto pole = [](int index) { return [index](int) { return index; }; };
    // One strip per stack, top to bottom, each once around.
    appendTriangleStrip(mesh, v, closedStrip(slices, ring(0), pole(top)));
    for (int r = 0; r + 2 < stacks; ++r) {
        appendTriangleStrip(mesh, v, closedStrip(slices, ring(r + 1), ring(r)));
    }
    appendTriangleStrip(mesh, v, closedStrip(slices, pole(bottom), ring(stacks - 2)));
}

void appendGlutCone(SolidMesh& mesh, float base, float height, int slices, int stacks)
{
    std::vector<float> sines, cosines;
    circleTable(-slices, false, sines, cosines);

    const float zStep = height / static_cast<float>(stacks);
    const float rStep = base / static_cast<float>(stacks);
    // The side's normal leans up by the slope: its parts across and along Z.
    const double slant = std::sqrt(static_cast<double>(height * height + base * base));
    const float cosn = static_cast<float>(height / slant);
    const float sinn = static_cast<float>(base / slant);

    VertexArrays v;
    float z = 0.0f;
    float r = base;
    // The base: its centre and a ring, facing down.
    const int centre = v.add(0.0f, 0.0f, z, 0.0f, 0.0f, -1.0f);
    for (int j = 0; j < slices; ++j) {
        v.add(cosines[static_cast<size_t>(j)] * r, sines[static_cast<size_t>(j)] * r, z, 0.0f,
              0.0f, -1.0f);
    }
    // The side: stacks + 1 rings from the base to the apex, radius and
    // height stepped by repeated float sums.
    for (int i = 0; i <= stacks; ++i) {
        for (int j = 0; j < slices; ++j) {
            const float c = cosines[static_cast<size_t>(j)], s = sines[static_cast<size_t>(j)];
            v.add(c * r, s * r, z, c * cosn, s * cosn, sinn);
        }
        z += zStep;
        r -= rStep;
    }

    // Ring 0 is the base's; side rings are 1 to stacks + 1.
    auto ring = [slices](int k) { return [slices, k](int j) { return 1 + k * slices + j; }; };
    appendTriangleStrip(mesh, v, closedStrip(slices, [centre](int) { return centre; }, ring(0)));
    for (int k = 1; k <= stacks; ++k) {
        appendTriangleStrip(mesh, v, closedStrip(slices, ring(k), ring(k + 1)));
    }
}
