// GL's primitives cut into triangles the way Mesa hands them on: each
// triangle's corners in the order GL's feedback returns them, degenerate
// triangles kept.
#include "mesh/solids.h"

int VertexArrays::add(float x, float y, float z, float nx, float ny, float nz)
{
    positions.insert(positions.end(), {x, y, z});
    normals.insert(normals.end(), {nx, ny, nz});
    return static_cast<int>(positions.size() / 3) - 1;
}

namespace {

void appendCorner(SolidMesh& mesh, const VertexArrays& vertices, int index)
{
    const auto at = static_cast<size_t>(index) * 3;
    mesh.positions.insert(mesh.positions.end(), vertices.positions.begin() + at,
                          vertices.positions.begin() + at + 3);
    mesh.normals.insert(mesh.normals.end(), vertices.normals.begin() + at,
                        vertices.normals.begin() + at + 3);
}

// The triangle (a, b, c) with `c`, the last, as its provoking corner: each
// primitive below is split with its provoking vertex last, as Mesa splits it.
void appendTriangle(SolidMesh& mesh, const VertexArrays& vertices, int a, int b, int c)
{
    appendCorner(mesh, vertices, a);
    appendCorner(mesh, vertices, b);
    appendCorner(mesh, vertices, c);
    mesh.provoking.push_back(2);
}

}  // namespace

void appendTriangles(SolidMesh& mesh, const VertexArrays& vertices,
                     const std::vector<int>& indices)
{
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        appendTriangle(mesh, vertices, indices[i], indices[i + 1], indices[i + 2]);
    }
}

void appendTriangleStrip(SolidMesh& mesh, const VertexArrays& vertices,
                         const std::vector<int>& strip)
{
    for (size_t i = 0; i + 2 < strip.size(); ++i) {
        if (i % 2 == 0) {
            appendTriangle(mesh, vertices, strip[i], strip[i + 1], strip[i + 2]);
        } else {
            appendTriangle(mesh, vertices, strip[i + 1], strip[i], strip[i + 2]);
        }
    }
}

void appendQuadStrip(SolidMesh& mesh, const VertexArrays& vertices,
                     const std::vector<int>& strip)
{
    for (size_t i = 0; i + 3 < strip.size(); i += 2) {
        appendTriangle(mesh, vertices, strip[i + 2], strip[i], strip[i + 3]);
        appendTriangle(mesh, vertices, strip[i], strip[i + 1], strip[i + 3]);
    }
}
