// Matrix toolkit: 4 x 4 single-precision matrices, row-major, used with row
// vectors (p' = p x M, so in A x B the transform A applies first), left-handed,
// and the fast SinCos. Pure math: no state, no platform, usable everywhere.
#pragma once

struct Float3 {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct Float4 {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;
};

struct Matrix4 {
    float m[4][4] = {};  // m[row][column]; row 3 holds the translation
};

// Vector arithmetic on Float3.
Float3 Add(Float3 a, Float3 b);
Float3 Sub(Float3 a, Float3 b);
Float3 Scale(Float3 v, float s);
Float3 Cross(Float3 a, Float3 b);
float Dot(Float3 a, Float3 b);
// v / |v|; a zero vector stays zero rather than becoming NaN.
Float3 Normalise(Float3 v);

Matrix4 Identity();
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);
Matrix4 Transpose(const Matrix4& m);
Matrix4 Translation(float x, float y, float z);
Matrix4 Scaling(float x, float y, float z);
Matrix4 RotationZ(float angle);
Matrix4 RotationY(float angle);
Matrix4 LookToLH(Float3 eye, Float3 direction, Float3 up);
Matrix4 PerspectiveFovLH(float fovY, float aspect, float nearZ, float farZ);
Matrix4 OrthographicLH(float width, float height, float nearZ, float farZ);

// sin and cos of angle by range reduction and a fixed polynomial.
void SinCos(float angle, float* sine, float* cosine);

// p x M for the point (p, 1).
Float3 TransformPoint(Float3 p, const Matrix4& m);
