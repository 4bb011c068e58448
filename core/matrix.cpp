#include "core/matrix.h"

#include <cmath>

Float3 Add(Float3 a, Float3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Float3 Sub(Float3 a, Float3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Float3 Scale(Float3 v, float s)
{
    return {v.x * s, v.y * s, v.z * s};
}

Float3 Cross(Float3 a, Float3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(Float3 a, Float3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Float3 Normalise(Float3 v)
{
    float length = std::sqrt(Dot(v, v));
    if (length > 0.0f) {
        return {v.x / length, v.y / length, v.z / length};
    }
    return v;
}

Matrix4 Identity()
{
    return Scaling(1.0f, 1.0f, 1.0f);
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b)
{
    Matrix4 r;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            r.m[row][col] = a.m[row][0] * b.m[0][col] + a.m[row][1] * b.m[1][col] +
                            a.m[row][2] * b.m[2][col] + a.m[row][3] * b.m[3][col];
        }
    }
    return r;
}

Matrix4 Transpose(const Matrix4& m)
{
    Matrix4 r;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            r.m[row][col] = m.m[col][row];
        }
    }
    return r;
}

Matrix4 Translation(float x, float y, float z)
{
    Matrix4 r = Identity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

Matrix4 Scaling(float x, float y, float z)
{
    Matrix4 r;
    r.m[0][0] = x;
    r.m[1][1] = y;
    r.m[2][2] = z;
    r.m[3][3] = 1.0f;
    return r;
}

Matrix4 RotationZ(float angle)
{
    float s, c;
    SinCos(angle, &s, &c);
    Matrix4 r = Identity();
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

Matrix4 RotationY(float angle)
{
    float s, c;
    SinCos(angle, &s, &c);
    Matrix4 r = Identity();
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

Matrix4 LookToLH(Float3 eye, Float3 direction, Float3 up)
{
    Float3 z = Normalise(direction);
    Float3 x = Normalise(Cross(up, z));
    Float3 y = Cross(z, x);
    Matrix4 r;
    r.m[0][0] = x.x;
    r.m[0][1] = y.x;
    r.m[0][2] = z.x;
    r.m[1][0] = x.y;
    r.m[1][1] = y.y;
    r.m[1][2] = z.y;
    r.m[2][0] = x.z;
    r.m[2][1] = y.z;
    r.m[2][2] = z.z;
    r.m[3][0] = -Dot(x, eye);
    r.m[3][1] = -Dot(y, eye);
    r.m[3][2] = -Dot(z, eye);
    r.m[3][3] = 1.0f;
    return r;
}

Matrix4 PerspectiveFovLH(float fovY, float aspect, float nearZ, float farZ)
{
    float s, c;
    SinCos(0.5f * fovY, &s, &c);
    float h = c / s;
    float w = h / aspect;
    float range = farZ / (farZ - nearZ);
    Matrix4 r;
    r.m[0][0] = w;
    r.m[1][1] = h;
    r.m[2][2] = range;
    r.m[2][3] = 1.0f;
    r.m[3][2] = -range * nearZ;
    return r;
}

Matrix4 OrthographicLH(float width, float height, float nearZ, float farZ)
{
    float range = 1.0f / (farZ - nearZ);
    Matrix4 r;
    r.m[0][0] = 2.0f / width;
    r.m[1][1] = 2.0f / height;
    r.m[2][2] = range;
    r.m[3][2] = -range * nearZ;
    r.m[3][3] = 1.0f;
    return r;
}

void SinCos(float angle, float* sine, float* cosine)
{
    // Reduce to [-pi, pi]: q is the nearest whole number of turns, halves away
    // from zero.
    // truncf rather than a cast to int: no overflow for angles of any size.
    float q = angle * 0.15915494f;
    q = angle >= 0.0f ? std::trunc(q + 0.5f) : std::trunc(q - 0.5f);
    float y = angle - q * 6.2831855f;
    // Past about 1e7 the reduction loses all precision and y can be far outside
    // [-pi, pi]; bound it so the polynomials stay near [-1, 1]. Ordinary angles
    // never reach the bound. A NaN passes through unchanged.
    if (y > 6.2831855f) {
        y = 6.2831855f;
    } else if (y < -6.2831855f) {
        y = -6.2831855f;
    }

    // Fold into [-pi/2, pi/2]: sin is symmetric there, cos changes sign.
    float sign;
    if (y > 1.5707964f) {
        y = 3.1415927f - y;
        sign = -1.0f;
    } else if (y < -1.5707964f) {
        y = -3.1415927f - y;
        sign = -1.0f;
    } else {
        sign = 1.0f;
    }

    float t = y * y;
    *sine = y * (1.0f +
                 t * (-0.16666667f +
                      t * (0.008333331f + t * (-0.00019840874f + t * (2.7525562e-6f - t * 2.3889859e-8f)))));
    *cosine =
        sign * (1.0f + t * (-0.5f + t * (0.041666638f +
                                         t * (-0.0013888378f + t * (2.4760495e-5f - t * 2.6051615e-7f)))));
}

Float3 TransformPoint(Float3 p, const Matrix4& m)
{
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2]};
}
