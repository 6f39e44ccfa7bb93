#include "model/projection.h"

#include <cmath>

namespace {

const double PI = std::acos(-1.0);

Vec3 eyeOf(int viewpoint)
{
    const Vec3 eyes[] = {{0, 0, 10}, {10, 0, 10}, {10, 10, 10}};
    return eyes[viewpoint];
}

Vec3 rotate(Vec3 p, double degrees, int axis)
{
    const double a = degrees * PI / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    switch (axis) {
    case 0: return {p.x, c * p.y - s * p.z, s * p.y + c * p.z};
    case 1: return {c * p.x + s * p.z, p.y, -s * p.x + c * p.z};
    default: return {c * p.x - s * p.y, s * p.x + c * p.y, p.z};
    }
}

// The look-at's rotation part: rows are side, up and -forward.
Vec3 look(const View& view, Vec3 v)
{
    const Vec3 eye = eyeOf(view.viewpoint);
    const Vec3 forward = normalized(Vec3{0, 0, 0} - eye);
    const Vec3 side = normalized(cross(forward, Vec3{0, 1, 0}));
    const Vec3 up = cross(side, forward);
    return {dot(side, v), dot(up, v), -dot(forward, v)};
}

}  // namespace

Vec3 turnScene(const View& view, Vec3 p)
{
    p = rotate(p, view.angleZ, 2);
    p = rotate(p, view.angleY, 1);
    return rotate(p, view.angleX, 0);
}

Vec3 unturnScene(const View& view, Vec3 p)
{
    p = rotate(p, -view.angleX, 0);
    p = rotate(p, -view.angleY, 1);
    return rotate(p, -view.angleZ, 2);
}

Vec3 directionToEye(const View& view, Vec3 d)
{
    return look(view, turnScene(view, d));
}

Vec3 directionToScene(const View& view, Vec3 e)
{
    return {dot(directionToEye(view, {1, 0, 0}), e), dot(directionToEye(view, {0, 1, 0}), e),
            dot(directionToEye(view, {0, 0, 1}), e)};
}

Vec3 toEye(const View& view, Vec3 p)
{
    const Vec3 eye = eyeOf(view.viewpoint);
    return look(view, turnScene(view, p) - eye);
}

ScreenPoint project(const View& view, Vec3 p)
{
    const Vec3 e = toEye(view, p);
    const double d = length(eyeOf(view.viewpoint));
    const double fov = 520.0 / d;
    const double zNear = d - 5.0, zFar = d + 5.0;
    const double f = 1.0 / std::tan(fov * PI / 360.0);
    const double aspect = static_cast<double>(view.width) / view.height;
    const double clipW = -e.z;
    const double ndcX = (f / aspect) * e.x / clipW;
    const double ndcY = f * e.y / clipW;
    const double clipZ = (zFar + zNear) / (zNear - zFar) * e.z + 2.0 * zFar * zNear / (zNear - zFar);
    const double ndcZ = clipZ / clipW;
    return {(ndcX + 1.0) * 0.5 * view.width, (1.0 - ndcY) * 0.5 * view.height, (ndcZ + 1.0) * 0.5};
}

Vec3 unprojectWindow(const View& view, double x, double y, double depth)
{
    const Vec3 origin = toEye(view, {0, 0, 0});
    const double d = -origin.z;  // the eye looks at the scene origin
    const double zNear = d - 5.0, zFar = d + 5.0;
    const double f = 1.0 / std::tan((520.0 / d) * PI / 360.0);
    const double aspect = static_cast<double>(view.width) / view.height;
    const double ndcZ = 2.0 * depth - 1.0;
    const double ze = -2.0 * zFar * zNear / ((zFar + zNear) - ndcZ * (zFar - zNear));
    const double ndcX = 2.0 * x / view.width - 1.0;
    const double ndcY = 1.0 - 2.0 * y / view.height;
    const Vec3 eye{ndcX * -ze * aspect / f, ndcY * -ze / f, ze};
    // The view is a rotation plus a translation: undo it with the transpose.
    return directionToScene(view, eye - origin);
}
