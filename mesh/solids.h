// Inside the mesh library: the vertices a solid's generator makes, GL's
// split of its primitives into triangles, and the generators themselves.
#pragma once

#include "mesh/mesh.h"

#include <vector>

// Vertices as the generators hand them to GL, 3 floats each, position and
// normal at the same index.
struct VertexArrays {
    std::vector<float> positions;
    std::vector<float> normals;

    int add(float x, float y, float z, float nx, float ny, float nz);
};

// GL_TRIANGLES: every three vertices, in order.
void appendTriangles(SolidMesh& mesh, const VertexArrays& vertices,
                     const std::vector<int>& indices);
// GL_TRIANGLE_STRIP: triangle i is (i, i+1, i+2), with its first two corners
// swapped when i is odd so that all keep the first one's winding.
void appendTriangleStrip(SolidMesh& mesh, const VertexArrays& vertices,
                         const std::vector<int>& strip);
// GL_QUAD_STRIP, as Mesa splits it: the quad of vertices 2k to 2k+3 becomes
// (2k+2, 2k, 2k+3) and (2k, 2k+1, 2k+3), its last vertex last in both.
void appendQuadStrip(SolidMesh& mesh, const VertexArrays& vertices,
                     const std::vector<int>& strip);

// freeglut's glutSolidCube(size) with each face cut into divisions x
// divisions quads (1: GLUT's own cube).
void appendGlutCube(SolidMesh& mesh, float size, int divisions);
void appendGlutSphere(SolidMesh& mesh, float radius, int slices, int stacks);
void appendGlutCone(SolidMesh& mesh, float base, float height, int slices, int stacks);
// GLU's gluCylinder, drawn filled with smooth normals facing out.
void appendGluCylinder(SolidMesh& mesh, double baseRadius, double topRadius, double height,
                       int slices, int stacks);
