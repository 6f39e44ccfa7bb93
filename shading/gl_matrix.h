// 4x4 matrices worked out the way the desktop's GL stack works them out:
// GLU's gluPerspective and gluLookAt, and Mesa's glRotatef, glTranslatef
// and matrix products, with the same float arithmetic in the same order.
// A shader fed these matrices places every vertex exactly where the
// fixed-function pipeline does, so both frames cover the same pixels.
#pragma once

// Column-major, as GL stores it: element (row, column) is m[column * 4 + row].
struct GlMatrix {
    float m[16];
};

GlMatrix identityMatrix();

// matrix = matrix x other, as glMultMatrixf does.
void multiply(GlMatrix& matrix, const GlMatrix& other);

// a x b.
GlMatrix product(const GlMatrix& a, const GlMatrix& b);

// glTranslatef and glRotatef applied to `matrix`.
void translate(GlMatrix& matrix, float x, float y, float z);
void rotate(GlMatrix& matrix, float degrees, float x, float y, float z);

// gluPerspective and gluLookAt applied to `matrix`.
void perspective(GlMatrix& matrix, double fovyDegrees, double aspect, double zNear, double zFar);
void lookAt(GlMatrix& matrix, double eyeX, double eyeY, double eyeZ, double centerX,
            double centerY, double centerZ, double upX, double upY, double upZ);

// What glLightfv does with a position and a spot direction: the point
// through the whole matrix, the direction through its upper 3x3.
void transformPoint(const GlMatrix& matrix, const float in[4], float out[4]);
void transformDirection(const GlMatrix& matrix, const float in[3], float out[3]);

// The upper 3x3 of the inverse transpose, column-major: what normals are
// turned by.
void normalMatrix(const GlMatrix& matrix, float out[9]);
