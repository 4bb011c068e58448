// Matrix toolkit against hand-computed values: SinCos range reduction and
// exact values, the builders' layouts, and multiplication order.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/matrix.h"

namespace {

constexpr float kPi = 3.14159265358979f;

// (x, y, z, w) x M.
Float4 Apply(Float4 p, const Matrix4& m)
{
    return {p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + p.w * m.m[3][0],
            p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + p.w * m.m[3][1],
            p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + p.w * m.m[3][2],
            p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + p.w * m.m[3][3]};
}

void ExpectMatrixNear(const Matrix4& expected, const Matrix4& actual, float tolerance)
{
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_NEAR(expected.m[r][c], actual.m[r][c], tolerance) << "row " << r << " column " << c;
        }
    }
}

Matrix4 Rows(Float4 r0, Float4 r1, Float4 r2, Float4 r3)
{
    Matrix4 m;
    const Float4 rows[4] = {r0, r1, r2, r3};
    for (int r = 0; r < 4; ++r) {
        m.m[r][0] = rows[r].x;
        m.m[r][1] = rows[r].y;
        m.m[r][2] = rows[r].z;
        m.m[r][3] = rows[r].w;
    }
    return m;
}

struct SinCosCase {
    const char* name;
    float angle;
    float sine;
    float cosine;
    float tolerance;  // 0: the result must be exact
};

TEST(SinCos, ValuesForAnglesOfAnySize)
{
    // Truths from double-precision sin/cos of the decimal angle; the float
    // reduction of large angles loses about ulp(angle).
    const SinCosCase cases[] = {
        {"zero", 0.0f, 0.0f, 1.0f, 0.0f},
        {"pi", 3.1415927f, 0.0f, -1.0f, 0.0f},
        {"minus pi", -3.1415927f, 0.0f, -1.0f, 0.0f},
        {"half pi", kPi / 2, 1.0f, 0.0f, 1e-6f},
        {"minus half pi", -kPi / 2, -1.0f, 0.0f, 1e-6f},
        {"one", 1.0f, 0.84147098f, 0.54030231f, 1e-6f},
        {"ten", 10.0f, -0.54402111f, -0.83907153f, 2e-6f},
        {"minus ten", -10.0f, 0.54402111f, -0.83907153f, 2e-6f},
        {"hundred", 100.0f, -0.50636564f, 0.86231887f, 1e-5f},
        {"three pi", 9.424778f, 0.0f, -1.0f, 2e-6f},
        {"ten thousand", 10000.0f, -0.30561439f, -0.95215537f, 2e-3f},
    };
    for (const SinCosCase& c : cases) {
        SCOPED_TRACE(c.name);
        float s = 99.0f, co = 99.0f;
        SinCos(c.angle, &s, &co);
        if (c.tolerance == 0.0f) {
            EXPECT_EQ(c.sine, s);
            EXPECT_EQ(c.cosine, co);
        } else {
            EXPECT_NEAR(c.sine, s, c.tolerance);
            EXPECT_NEAR(c.cosine, co, c.tolerance);
        }
    }
}

TEST(SinCos, MatchesTheLibraryAcrossSeveralTurns)
{
    float worst = 0.0f;
    for (int i = -20000; i <= 20000; ++i) {
        const float angle = i * 0.001f;  // -20 .. 20 rad
        float s, c;
        SinCos(angle, &s, &c);
        worst = std::fmax(worst, std::fabs(s - static_cast<float>(std::sin(double(angle)))));
        worst = std::fmax(worst, std::fabs(c - static_cast<float>(std::cos(double(angle)))));
    }
    EXPECT_LT(worst, 4e-6f);
}

TEST(SinCos, EnormousAnglesStayBounded)
{
    const float angles[] = {1e8f, -3e9f, 1e20f, -std::numeric_limits<float>::max()};
    for (float angle : angles) {
        float s, c;
        SinCos(angle, &s, &c);
        EXPECT_TRUE(std::isfinite(s) && std::isfinite(c)) << angle;
        EXPECT_LE(std::fabs(s), 1.001f) << angle;
        EXPECT_LE(std::fabs(c), 1.001f) << angle;
    }
}

struct PointCase {
    const char* name;
    Matrix4 m;
    Float4 point;
    Float4 expected;
    float tolerance;
};

TEST(Matrix, BuildersMapPointsToHandComputedPositions)
{
    const float nearZ = 0.001f, farZ = 10000.0f;
    const float range = farZ / (farZ - nearZ);
    const PointCase cases[] = {
        {"translation", Translation(1, 2, 3), {1, 1, 1, 1}, {2, 3, 4, 1}, 0},
        {"translation leaves directions", Translation(1, 2, 3), {1, 1, 1, 0}, {1, 1, 1, 0}, 0},
        {"scaling", Scaling(2, 3, 4), {1, 2, 3, 1}, {2, 6, 12, 1}, 0},
        {"rotation z turns x towards y", RotationZ(kPi / 2), {1, 0, 0, 1}, {0, 1, 0, 1}, 1e-6f},
        {"rotation y turns x towards -z", RotationY(kPi / 2), {1, 0, 0, 1}, {0, 0, -1, 1}, 1e-6f},
        {"rotation y turns z towards x", RotationY(kPi / 2), {0, 0, 1, 1}, {1, 0, 0, 1}, 1e-6f},
        // Translation first, then the turn.
        {"translate then turn",
         Multiply(Translation(1, 2, 3), RotationY(kPi / 2)),
         {1, 0, 0, 1},
         {3, 2, -2, 1},
         1e-6f},
        {"turn then translate",
         Multiply(RotationY(kPi / 2), Translation(1, 2, 3)),
         {1, 0, 0, 1},
         {1, 2, 2, 1},
         1e-6f},
        // Looking along -x from (3, 0, 0): +z is to the right, the origin 3 ahead.
        {"look along -x, origin",
         LookToLH({3, 0, 0}, {-1, 0, 0}, {0, 1, 0}),
         {0, 0, 0, 1},
         {0, 0, 3, 1},
         1e-6f},
        {"look along -x, right",
         LookToLH({3, 0, 0}, {-1, 0, 0}, {0, 1, 0}),
         {0, 0, 1, 1},
         {1, 0, 3, 1},
         1e-6f},
        {"look with unnormalised inputs",
         LookToLH({0, 0, -5}, {0, 0, 7}, {0, 3, 0}),
         {0, 2, 0, 1},
         {0, 2, 5, 1},
         1e-6f},
        // The near plane maps to depth 0 and the far plane to depth 1 after the divide.
        {"perspective near",
         PerspectiveFovLH(kPi / 4, 1, nearZ, farZ),
         {0, 0, nearZ, 1},
         {0, 0, 0, nearZ},
         1e-9f},
        {"perspective far",
         PerspectiveFovLH(kPi / 4, 1, nearZ, farZ),
         {0, 0, farZ, 1},
         {0, 0, farZ, farZ},
         2e-3f},
        {"perspective corner",
         PerspectiveFovLH(kPi / 2, 2, nearZ, farZ),
         {2, 1, 1, 1},
         {1, 1, range - range * nearZ, 1},
         1e-6f},
        // A pixel-space corner, pushed 1 unit into the screen, lands on the clip corner.
        {"orthographic corner",
         Multiply(Translation(0, 0, 1), OrthographicLH(1280, 720, nearZ, farZ)),
         {640, -360, 0, 1},
         {1, -1, (1 - nearZ) / (farZ - nearZ), 1},
         1e-6f},
    };
    for (const PointCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Float4 p = Apply(c.point, c.m);
        EXPECT_NEAR(c.expected.x, p.x, c.tolerance);
        EXPECT_NEAR(c.expected.y, p.y, c.tolerance);
        EXPECT_NEAR(c.expected.z, p.z, c.tolerance);
        EXPECT_NEAR(c.expected.w, p.w, c.tolerance);
    }
}

TEST(Matrix, BuilderLayouts)
{
    ExpectMatrixNear(Rows({1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 1, 1}),
                     LookToLH({0, 0, -1}, {0, 0, 1}, {0, 1, 0}), 0);

    const Matrix4 perspective = PerspectiveFovLH(kPi / 4, 1, 0.001f, 10000);
    EXPECT_NEAR(2.4142135f, perspective.m[0][0], 1e-6f);
    EXPECT_NEAR(2.4142135f, perspective.m[1][1], 1e-6f);
    EXPECT_NEAR(1.0000001f, perspective.m[2][2], 1e-7f);
    EXPECT_EQ(1.0f, perspective.m[2][3]);
    EXPECT_NEAR(-0.0010000001f, perspective.m[3][2], 3e-10f);  // a couple of float ulps
    EXPECT_EQ(0.0f, perspective.m[3][3]);
    EXPECT_NEAR(2.4142135f / 1.7777778f, PerspectiveFovLH(kPi / 4, 1.7777778f, 1, 2).m[0][0], 1e-6f);

    ExpectMatrixNear(Rows({2.0f / 1280, 0, 0, 0}, {0, 2.0f / 720, 0, 0}, {0, 0, 0.1f, 0}, {0, 0, -0.1f, 1}),
                     OrthographicLH(1280, 720, 1, 11), 1e-7f);

    const Matrix4 m = Rows({1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16});
    ExpectMatrixNear(Rows({1, 5, 9, 13}, {2, 6, 10, 14}, {3, 7, 11, 15}, {4, 8, 12, 16}), Transpose(m), 0);
    ExpectMatrixNear(m, Multiply(Identity(), m), 0);
    ExpectMatrixNear(m, Multiply(m, Identity()), 0);
    // Row 0 of m x m: (1 2 3 4) against m's columns.
    const Matrix4 square = Multiply(m, m);
    EXPECT_EQ(90.0f, square.m[0][0]);
    EXPECT_EQ(100.0f, square.m[0][1]);
    EXPECT_EQ(120.0f, square.m[0][3]);
    EXPECT_EQ(13.0f * 4 + 14 * 8 + 15 * 12 + 16 * 16, square.m[3][3]);

    const Float3 moved = TransformPoint({1, 2, 3}, Multiply(Scaling(2, 2, 2), Translation(1, 0, -1)));
    EXPECT_EQ(3.0f, moved.x);
    EXPECT_EQ(4.0f, moved.y);
    EXPECT_EQ(5.0f, moved.z);
}

TEST(Matrix, LookToWithZeroDirectionStaysFinite)
{
    const Matrix4 view = LookToLH({1, 2, 3}, {0, 0, 0}, {0, 1, 0});
    for (const auto& row : view.m) {
        for (float v : row) {
            EXPECT_TRUE(std::isfinite(v));
        }
    }
}

}  // namespace
