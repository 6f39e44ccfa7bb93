// Points and vectors of the scene's own arithmetic, in double precision:
// the lights' marks, the rig seen from outside, the lights' handles and the
// lab's marks all take theirs from here.
#pragma once

#include <cmath>

struct MarkPoint {
    double x, y, z;
};

inline MarkPoint operator+(MarkPoint a, MarkPoint b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline MarkPoint operator-(MarkPoint a, MarkPoint b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline MarkPoint operator*(double s, MarkPoint a) { return {s * a.x, s * a.y, s * a.z}; }
inline double dotOf(MarkPoint a, MarkPoint b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline MarkPoint cross(MarkPoint a, MarkPoint b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double lengthOf(MarkPoint a) { return std::sqrt(dotOf(a, a)); }
inline MarkPoint unit(MarkPoint a) { return (1.0 / lengthOf(a)) * a; }
