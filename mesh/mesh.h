// The four solids' triangles exactly as the desktop program has GL draw them:
// freeglut's solid cube, sphere and cone and GLU's gluCylinder tube, with
// the same floats, the same corner order and the same split of every strip,
// fan and quad into triangles, in drawing order. Plain arrays, no GL: the
// shader renderer draws them from vertex buffers, and the explainers find
// the triangle under a pixel among them.
#pragma once

#include <string>
#include <vector>

// How finely the solids are cut. The demo's values are the defaults; a
// cube face is N x N quads, N = 1 being GLUT's cube: GLUT's faces in its
// order, each cut row by row from the face's first corner along its first
// edge, every quad split into two triangles as GLUT splits the face.
struct Tessellation {
    int cube = 1;
    int sphereSlices = 72, sphereStacks = 72;
    int coneSlices = 72, coneStacks = 72;
    int cylinderSlices = 72, cylinderStacks = 72;
};

// The one comparison of two tessellations: every count the same.
bool operator==(const Tessellation& a, const Tessellation& b);
inline bool operator!=(const Tessellation& a, const Tessellation& b) { return !(a == b); }

// The solids in drawing order, and their names.
enum MeshSolid { MESH_CUBE, MESH_SPHERE, MESH_CONE, MESH_CYLINDER, MESH_SOLID_COUNT };
constexpr const char* MESH_SOLID_NAMES[MESH_SOLID_COUNT] = {"cube", "sphere", "cone", "cylinder"};

// One step of a solid's placement, as drawScene gives it to GL.
struct PlacementStep {
    enum Kind { Translate, Rotate } kind;
    float angle;    // degrees, for Rotate
    float x, y, z;  // the offset, or the rotation's axis
};

// The steps that place `solid` in the scene's frame, in the order they are
// applied to the current matrix: its centre first, then what stands the
// shape its generator makes upright about it (the cone's and the tube's
// axes turned to +Y). The tube's after its centre are centredTube()'s.
std::vector<PlacementStep> solidPlacement(MeshSolid solid);

// What stands GLU's tube of `height` along the caller's Y axis, centred on
// its origin: its +Z turned to -Y, then moved back by half its height (the
// offset a double product handed to GL as a float).
std::vector<PlacementStep> centredTube(double height);

// One solid: its triangles in its own coordinates, as GLUT or GLU hands them
// to GL, and the steps that place it in the scene's frame, applied in order
// to the current matrix (the last step is the one nearest the vertices).
// Flat shading (glShadeModel(GL_FLAT)) gives a whole triangle the colour
// of one corner, its primitive's provoking vertex: of GL_TRIANGLES the
// third vertex, of a GL_TRIANGLE_STRIP's or GL_TRIANGLE_FAN's triangle
// i its vertex i + 2, of a GL_QUAD_STRIP's quad i its vertex 2i + 3 (the
// quad's last), of a GL_QUADS quad its fourth, of a GL_POLYGON its first
// (OpenGL 2.1, table 2.12). As GL's feedback hands the triangles back, and
// so in the mesh, that corner comes last in all but the polygon's, which
// none of the solids is.
struct SolidMesh {
    MeshSolid solid;
    std::vector<float> positions;  // 9 floats a triangle: 3 corners, x y z
    std::vector<float> normals;    // the same layout, as given to glNormal
    std::vector<unsigned char> provoking;  // per triangle: its provoking corner, 0 to 2
    std::vector<PlacementStep> placement;

    int triangleCount() const { return static_cast<int>(positions.size() / 9); }
};

struct SceneMesh {
    SolidMesh solids[MESH_SOLID_COUNT];  // in drawing order

    int triangleCount() const;
    // The solid and the index within it of triangle `index` of the whole
    // scene, counted in drawing order; false when out of range.
    bool locate(int index, MeshSolid& solid, int& within) const;
};

// The counts each solid takes: a cube face 1 to 64 quads a side, 3 to 239
// slices, 1 to 256 stacks (the sphere 2 to 256). Within them the desktop
// program's own solids have the same triangles: freeglut's 16-bit indices
// never wrap (its cone has slices x (stacks + 2) + 1 vertices, 61 663 at
// most) and gluCylinder keeps every slice (it cuts more than 239 down to
// 239, the size of its sine table).
constexpr int MAX_CUBE_DIVISIONS = 64;
constexpr int MIN_SLICES = 3, MAX_SLICES = 239;
constexpr int MIN_STACKS = 1, MIN_SPHERE_STACKS = 2, MAX_STACKS = 256;

// What is wrong with a tessellation, in one line naming the count, or an
// empty string.
std::string tessellationProblem(const Tessellation& tessellation);

// Needs a tessellation that tessellationProblem accepts.
SceneMesh buildSceneMesh(const Tessellation& tessellation);
