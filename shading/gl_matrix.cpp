#include "shading/gl_matrix.h"

#include <cmath>

namespace {

// Mesa's M_PI and GLU's __glPi.
constexpr double PI = 3.14159265358979323846;

// The float expressions below keep GL's operand order: the compiler may not
// reorder them, so the results are bit for bit those of GLU and Mesa.
float& at(GlMatrix& matrix, int row, int column) { return matrix.m[column * 4 + row]; }
float at(const GlMatrix& matrix, int row, int column) { return matrix.m[column * 4 + row]; }

// GLU's vector normalisation, in float with a double square root.
void normalise(float v[3])
{
    const float r = static_cast<float>(std::sqrt(static_cast<double>(v[0] * v[0] + v[1] * v[1] +
                                                                     v[2] * v[2])));
    if (r == 0.0f) {
        return;
    }
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

void cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

GlMatrix identityMatrix()
{
    return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

GlMatrix product(const GlMatrix& a, const GlMatrix& b)
{
    GlMatrix p{};
    for (int i = 0; i < 4; ++i) {
        const float ai0 = at(a, i, 0), ai1 = at(a, i, 1), ai2 = at(a, i, 2), ai3 = at(a, i, 3);
        for (int j = 0; j < 4; ++j) {
            at(p, i, j) = ai0 * at(b, 0, j) + ai1 * at(b, 1, j) + ai2 * at(b, 2, j) +
                          ai3 * at(b, 3, j);
        }
    }
    return p;
}

void multiply(GlMatrix& matrix, const GlMatrix& other)
{
    matrix = product(matrix, other);
}

void translate(GlMatrix& matrix, float x, float y, float z)
{
    float* m = matrix.m;
    m[12] = m[0] * x + m[4] * y + m[8] * z + m[12];
    m[13] = m[1] * x + m[5] * y + m[9] * z + m[13];
    m[14] = m[2] * x + m[6] * y + m[10] * z + m[14];
    m[15] = m[3] * x + m[7] * y + m[11] * z + m[15];
}

void rotate(GlMatrix& matrix, float degrees, float x, float y, float z)
{
    if (degrees == 0.0f) {
        return;  // GL leaves the matrix untouched
    }
    const double radians = degrees * PI / 180.0;
    const float s = std::sin(static_cast<float>(radians));
    const float c = std::cos(static_cast<float>(radians));
    GlMatrix r = identityMatrix();
    // Rotations about one axis are built directly; others from the axis.
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        at(r, 0, 0) = c;
        at(r, 1, 1) = c;
        at(r, 0, 1) = z < 0.0f ? s : -s;
        at(r, 1, 0) = z < 0.0f ? -s : s;
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        at(r, 0, 0) = c;
        at(r, 2, 2) = c;
        at(r, 0, 2) = y < 0.0f ? -s : s;
        at(r, 2, 0) = y < 0.0f ? s : -s;
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        at(r, 1, 1) = c;
        at(r, 2, 2) = c;
        at(r, 1, 2) = x < 0.0f ? s : -s;
        at(r, 2, 1) = x < 0.0f ? -s : s;
    } else {
        const float magnitude = std::sqrt(x * x + y * y + z * z);
        if (magnitude <= 1.0e-4f) {
            return;
        }
        x /= magnitude;
        y /= magnitude;
        z /= magnitude;
        const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
        const float xs = x * s, ys = y * s, zs = z * s, oneC = 1.0f - c;
        at(r, 0, 0) = (oneC * xx) + c;
        at(r, 0, 1) = (oneC * xy) - zs;
        at(r, 0, 2) = (oneC * zx) + ys;
        at(r, 1, 0) = (oneC * xy) + zs;
        at(r, 1, 1) = (oneC * yy) + c;
        at(r, 1, 2) = (oneC * yz) - xs;
        at(r, 2, 0) = (oneC * zx) - ys;
        at(r, 2, 1) = (oneC * yz) + xs;
        at(r, 2, 2) = (oneC * zz) + c;
    }
    multiply(matrix, r);
}

void perspective(GlMatrix& matrix, double fovyDegrees, double aspect, double zNear, double zFar)
{
    const double radians = fovyDegrees / 2 * PI / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) {
        return;  // GLU refuses these and leaves the matrix as it is
    }
    const double cotangent = std::cos(radians) / sine;
    // Worked out in double, handed to GL as floats.
    GlMatrix p = identityMatrix();
    at(p, 0, 0) = static_cast<float>(cotangent / aspect);
    at(p, 1, 1) = static_cast<float>(cotangent);
    at(p, 2, 2) = static_cast<float>(-(zFar + zNear) / deltaZ);
    at(p, 3, 2) = -1.0f;
    at(p, 2, 3) = static_cast<float>(-2 * zNear * zFar / deltaZ);
    at(p, 3, 3) = 0.0f;
    multiply(matrix, p);
}

void lookAt(GlMatrix& matrix, double eyeX, double eyeY, double eyeZ, double centerX,
            double centerY, double centerZ, double upX, double upY, double upZ)
{
    float forward[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                        static_cast<float>(centerZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    float side[3];
    normalise(forward);
    cross(forward, up, side);
    normalise(side);
    cross(side, forward, up);

    GlMatrix view = identityMatrix();
    for (int i = 0; i < 3; ++i) {
        at(view, 0, i) = side[i];
        at(view, 1, i) = up[i];
        at(view, 2, i) = -forward[i];
    }
    multiply(matrix, view);
    translate(matrix, static_cast<float>(-eyeX), static_cast<float>(-eyeY),
              static_cast<float>(-eyeZ));
}

void transformPoint(const GlMatrix& matrix, const float in[4], float out[4])
{
    const float* m = matrix.m;
    for (int i = 0; i < 4; ++i) {
        out[i] = m[i] * in[0] + m[4 + i] * in[1] + m[8 + i] * in[2] + m[12 + i] * in[3];
    }
}

void transformDirection(const GlMatrix& matrix, const float in[3], float out[3])
{
    const float* m = matrix.m;
    for (int i = 0; i < 3; ++i) {
        out[i] = in[0] * m[i] + in[1] * m[4 + i] + in[2] * m[8 + i];
    }
}

void normalMatrix(const GlMatrix& matrix, float out[9])
{
    // The inverse of the upper 3x3 by its cofactors, in double; transposed.
    double a[3][3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            a[r][c] = at(matrix, r, c);
        }
    }
    const double cofactor[3][3] = {
        {a[1][1] * a[2][2] - a[1][2] * a[2][1], a[1][2] * a[2][0] - a[1][0] * a[2][2],
         a[1][0] * a[2][1] - a[1][1] * a[2][0]},
        {a[0][2] * a[2][1] - a[0][1] * a[2][2], a[0][0] * a[2][2] - a[0][2] * a[2][0],
         a[0][1] * a[2][0] - a[0][0] * a[2][1]},
        {a[0][1] * a[1][2] - a[0][2] * a[1][1], a[0][2] * a[1][0] - a[0][0] * a[1][2],
         a[0][0] * a[1][1] - a[0][1] * a[1][0]},
    };
    const double determinant =
        a[0][0] * cofactor[0][0] + a[0][1] * cofactor[0][1] + a[0][2] * cofactor[0][2];
    const double scale = determinant != 0.0 ? 1.0 / determinant : 0.0;
    // (A^-1)^T = cofactor / det, so row r, column c of the normal matrix is
    // cofactor[r][c] / det; stored column-major.
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            out[c * 3 + r] = static_cast<float>(cofactor[r][c] * scale);
        }
    }
}
