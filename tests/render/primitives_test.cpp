// The drawing primitives on a real offscreen device: exact pixel coverage of
// the 2D shapes, culling by winding, 3D placement through the camera
// matrices, depth testing, blending and the grid pass.
#include "render_fixture.h"

#include <functional>

namespace {

const Float4 kWhite = {1.0f, 1.0f, 1.0f, 1.0f};
const Float4 kRed = {1.0f, 0.0f, 0.0f, 1.0f};
const Float4 kGreen = {0.0f, 1.0f, 0.0f, 1.0f};
const Float4 kBlue = {0.0f, 0.0f, 1.0f, 1.0f};

// Hand-derived perspective constants for the vertical field of view pi/4:
// h = cot(pi/8); the horizontal scale is h / aspect.
constexpr double kCotEighthPi = 2.414213562373095;

bool IsRed(const Rgba& c)
{
    return c.r > 200 && c.g < 30 && c.b < 30;
}
bool IsGreen(const Rgba& c)
{
    return c.g > 200 && c.r < 30 && c.b < 30;
}
bool IsBlack(const Rgba& c)
{
    return c.r < 20 && c.g < 20 && c.b < 20;
}

struct PixelRect {
    int left, top, right, bottom;  // inclusive-exclusive: columns left..right-1, rows top..bottom-1
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Every pixel for which painted() holds lies in expected and vice versa;
// reports the first few mismatches.
void ExpectCoverage(const RenderDevice& device, const std::function<bool(int, int)>& expected,
                    const std::function<bool(const Rgba&)>& painted)
{
    int mismatches = 0;
    for (int y = 0; y < device.height; ++y) {
        for (int x = 0; x < device.width; ++x) {
            const bool want = expected(x, y);
            const bool got = painted(device.At(x, y));
            if (want != got && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") " << device.At(x, y)
                              << (want ? " should be painted" : " should not be painted");
        }
    }
    EXPECT_EQ(mismatches, 0);
}

Matrix4 RotationX(float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    Matrix4 m = Identity();
    m.m[1][1] = c;
    m.m[1][2] = s;
    m.m[2][1] = -s;
    m.m[2][2] = c;
    return m;
}

}  // namespace

TEST_F(RenderTest, FullScreenRectangleCoversEveryPixelExactlyOnce)
{
    device.Clear(0.0f, 0.0f, 0.0f, 0.0f);
    device.BeginOverlayPass();
    // Half-opaque white over black: one layer gives 0.5, two would give 0.75.
    FillRect2D(graphics, kWidth, kHeight, -kWidth / 2.0f, kHeight / 2.0f, {1.0f, 1.0f, 1.0f, 0.5f}, kWhite);
    device.ReadBack();

    int wrong = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (!Near(device.At(x, y), 128, 128, 128, 128) && ++wrong <= 5)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") " << device.At(x, y);
    EXPECT_EQ(wrong, 0);
}

TEST_F(RenderTest, RectangleSignsDecideCullingAndReflection)
{
    struct Case {
        const char* name;
        float width, height, x, y;
        bool drawn;
        PixelRect rect;
    };
    // (x, y) = (10, 20) is the lower-left corner on screen: pixel (170, 140).
    const Case cases[] = {
        {"both positive: up and to the right", 60, 40, 10, 20, true, {170, 100, 230, 140}},
        {"negative width is culled", -60, 40, 10, 20, false, {}},
        {"negative height is culled", 60, -40, 10, 20, false, {}},
        {"both negative: reflected through the corner", -60, -40, 10, 20, true, {110, 140, 170, 180}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.Clear(0.0f, 0.0f, 0.0f, 1.0f);
        device.BeginOverlayPass();
        FillRect2D(graphics, c.width, c.height, c.x, c.y, kRed, kWhite);
        device.ReadBack();
        ExpectCoverage(
            device, [&](int x, int y) { return c.drawn && c.rect.Contains(x, y); }, IsRed);
    }
}

TEST_F(RenderTest, VeilBlendsQuarterBlackOverTheClearColour)
{
    device.BeginOverlayPass();
    FillRect2D(graphics, kWidth, kHeight, -kWidth / 2.0f, kHeight / 2.0f, {0.0f, 0.0f, 0.0f, 0.25f}, kWhite);
    device.ReadBack();
    // Clear colour (0, 0.2, 0.4, 0) is stored as (0, 51, 102, 0); three
    // quarters of it remain: (0, 38.25, 76.5). Alpha is the source's, 0.25.
    for (int y = 0; y < kHeight; y += 7)
        for (int x = 0; x < kWidth; x += 7)
            ASSERT_TRUE(Near(device.At(x, y), 0, 38, 77, 64)) << x << ", " << y << " " << device.At(x, y);
}

TEST_F(RenderTest, HorizontalThickLineCoversItsSpanAndThickness)
{
    device.Clear(0.0f, 0.0f, 0.0f, 1.0f);
    device.BeginOverlayPass();
    DrawThickLine2D(graphics, 4.0f, -100.0f, 50.0f, 100.0f, 50.0f, kRed, kRed, kWhite);
    device.ReadBack();
    // x -100..100 and y 48..52 in overlay space.
    const PixelRect expected{60, 168, 260, 172};
    ExpectCoverage(
        device, [&](int x, int y) { return expected.Contains(x, y); }, IsRed);
}

TEST_F(RenderTest, ThickLineRunsFromStartToEndWithoutOvershoot)
{
    device.Clear(0.0f, 0.0f, 0.0f, 1.0f);
    device.BeginOverlayPass();
    // Down and to the right on screen: (-100, -80) to (60, 40), length 200.
    DrawThickLine2D(graphics, 6.0f, -100.0f, -80.0f, 60.0f, 40.0f, kRed, kBlue, kWhite);
    device.ReadBack();

    auto at = [&](double t, double across) {
        const double ux = 0.8, uy = 0.6;  // unit direction
        const double x = -100.0 + 200.0 * t * ux - across * uy;
        const double y = -80.0 + 200.0 * t * uy + across * ux;
        return device.At(OverlayColumn(x, kWidth), OverlayRow(y, kHeight));
    };
    const Rgba nearStart = at(0.1, 0.0), nearEnd = at(0.9, 0.0);
    EXPECT_GT(nearStart.r, 180) << nearStart;
    EXPECT_LT(nearStart.b, 75) << nearStart;
    EXPECT_GT(nearEnd.b, 180) << nearEnd;
    EXPECT_LT(nearEnd.r, 75) << nearEnd;
    EXPECT_GT(at(0.5, 2.0).r + at(0.5, 2.0).b, 200) << "inside the 6-pixel width";
    EXPECT_TRUE(Near(at(0.5, 5.0), 0, 0, 0, 255)) << "outside the width";
    EXPECT_TRUE(Near(at(-0.02, 0.0), 0, 0, 0, 255)) << "before the start point";
    EXPECT_TRUE(Near(at(1.02, 0.0), 0, 0, 0, 255)) << "past the end point";
}

TEST_F(RenderTest, ThickLineWithEqualEndPointsDrawsNothing)
{
    device.Clear(0.0f, 0.0f, 0.0f, 1.0f);
    device.BeginOverlayPass();
    DrawThickLine2D(graphics, 10.0f, 20.0f, 20.0f, 20.0f, 20.0f, kRed, kRed, kWhite);
    device.ReadBack();
    ExpectCoverage(
        device, [](int, int) { return false; }, [](const Rgba& c) { return c.r > 0; });
}

TEST_F(RenderTest, RectangleOutlineIsABandCentredOnTheBorderWithFilledCorners)
{
    device.Clear(0.0f, 0.0f, 0.0f, 1.0f);
    device.BeginOverlayPass();
    // Rectangle x -50..50, y -30..30; band 4 wide: outer -52..52 x -32..32,
    // inner hole -48..48 x -28..28.
    DrawRectOutline2D(graphics, 100.0f, 60.0f, -50.0f, 30.0f, 4.0f, kGreen, kWhite);
    device.ReadBack();
    const PixelRect outer{108, 88, 212, 152};
    const PixelRect inner{112, 92, 208, 148};
    ExpectCoverage(
        device, [&](int x, int y) { return outer.Contains(x, y) && !inner.Contains(x, y); }, IsGreen);
}

TEST_F(RenderTest, CircleIsAFortySidedPolygonOfTheGivenCircumradius)
{
    device.Clear(0.0f, 0.0f, 0.0f, 1.0f);
    device.BeginOverlayPass();
    const double radius = 80.0;
    FillEllipse2D(graphics, 80.0f, 80.0f, 10.0f, -5.0f, kRed, kWhite);
    device.ReadBack();

    // The polygon lies between its inradius r cos(pi/40) and its circumradius r.
    const double inradius = radius * std::cos(3.141592653589793 / 40.0);
    int wrong = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double dx = x + 0.5 - (kWidth / 2.0 + 10.0);
            const double dy = y + 0.5 - (kHeight / 2.0 - 5.0);
            const double d = std::sqrt(dx * dx + dy * dy);
            const bool red = IsRed(device.At(x, y));
            if ((d < inradius - 0.5 && !red) || (d > radius + 0.5 && red))
                if (++wrong <= 5)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") at distance " << d;
        }
    }
    EXPECT_EQ(wrong, 0);
    // Vertices lie on the x axis (angles 0 and pi): the polygon reaches
    // the full radius there.
    EXPECT_TRUE(IsRed(device.At(160 + 10 + 79, 120 - 5)));
    EXPECT_TRUE(IsRed(device.At(160 + 10 - 80, 120 - 5)));
}

TEST_F(RenderTest, EllipseRadiiSignsAndPlacement)
{
    struct Case {
        const char* name;
        float radiusX, radiusY;
        bool drawn;
    };
    const Case cases[] = {
        {"positive radii", 100.0f, 50.0f, true},
        {"negative x radius is culled", -100.0f, 50.0f, false},
        {"negative y radius is culled", 100.0f, -50.0f, false},
        {"both negative: the same ellipse", -100.0f, -50.0f, true},
    };
    const double cx = 20.0, cy = -30.0;  // overlay space: 30 pixels above the centre
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.Clear(0.0f, 0.0f, 0.0f, 1.0f);
        device.BeginOverlayPass();
        FillEllipse2D(graphics, c.radiusX, c.radiusY, static_cast<float>(cx), static_cast<float>(cy), kRed,
                      kWhite);
        device.ReadBack();
        auto painted = [&](double x, double y) {
            return IsRed(device.At(OverlayColumn(cx + x, kWidth), OverlayRow(cy + y, kHeight)));
        };
        EXPECT_EQ(painted(0, 0), c.drawn);
        for (double sign : {-1.0, 1.0}) {
            EXPECT_EQ(painted(sign * 95, 0), c.drawn) << sign;
            EXPECT_EQ(painted(0, sign * 45), c.drawn) << sign;
            EXPECT_FALSE(painted(sign * 105, 0)) << sign;
            EXPECT_FALSE(painted(0, sign * 55)) << sign;
        }
        EXPECT_FALSE(painted(75, 40)) << "outside the ellipse, inside its bounding box";
    }
}

TEST_F(RenderTest, TwoDimensionalLineLandsOnItsRow)
{
    device.Clear(0.0f, 0.0f, 0.0f, 1.0f);
    device.BeginOverlayPass();
    DrawLine2D(graphics, -50.5f, 30.5f, 50.5f, 30.5f, kGreen, kGreen, kWhite);
    device.ReadBack();
    // y grows downwards: row 120 + 30.
    for (int x = 115; x < 205; x += 10) {
        EXPECT_TRUE(IsGreen(device.At(x, 150))) << x;
        EXPECT_FALSE(IsGreen(device.At(x, 89))) << x;
    }
}

TEST_F(RenderTest, BoxLandsOnProjectedPixelsAndNearerBoxHidesFartherOne)
{
    device.BeginFlat3DPass();
    // Camera: eye (0, 0, -1) looking along +z. The near box's front face is
    // at z 2.5 (view depth 3.5), the far box's at z 4.5 (view depth 5.5).
    graphics.objectWorld = Translation(0.0f, 0.0f, 3.0f);
    DrawBox(graphics, 0.5f, 0.5f, 0.5f, kGreen, kWhite);
    graphics.objectWorld = Translation(0.0f, 0.0f, 6.0f);
    DrawBox(graphics, Float3{1.5f, 1.5f, 1.5f}, kRed, kWhite);
    device.ReadBack();

    const double aspect = static_cast<double>(kWidth) / kHeight;
    const double nearHalfWidth = 0.5 * (kCotEighthPi / aspect) / 3.5 * (kWidth / 2.0);  // 41.4 px
    const double nearHalfHeight = 0.5 * kCotEighthPi / 3.5 * (kHeight / 2.0);           // 41.4 px
    const double farHalfWidth = 1.5 * (kCotEighthPi / aspect) / 5.5 * (kWidth / 2.0);   // 79.0 px
    const int cx = kWidth / 2, cy = kHeight / 2;

    EXPECT_TRUE(IsGreen(device.At(cx, cy)));
    EXPECT_TRUE(IsGreen(device.At(cx + static_cast<int>(nearHalfWidth) - 1, cy)));
    EXPECT_TRUE(IsRed(device.At(cx + static_cast<int>(nearHalfWidth) + 1, cy)));
    EXPECT_TRUE(IsGreen(device.At(cx, cy - static_cast<int>(nearHalfHeight) + 1)));
    EXPECT_TRUE(IsRed(device.At(cx, cy - static_cast<int>(nearHalfHeight) - 2)));
    EXPECT_TRUE(IsRed(device.At(cx - static_cast<int>(farHalfWidth) + 1, cy)));
    EXPECT_TRUE(IsClearColourPixel(device.At(cx - static_cast<int>(farHalfWidth) - 2, cy)));
    EXPECT_TRUE(IsClearColourPixel(device.At(cx + static_cast<int>(farHalfWidth) + 2, cy)));
    EXPECT_EQ(graphics.objectWorld.m[3][2], 6.0f) << "DrawBox leaves objectWorld as set";
}

TEST_F(RenderTest, EveryBoxFaceIsWoundToBeSeenFromOutside)
{
    // A red box around a smaller green one: when the face turned to the
    // camera is culled, the inner box shows through.
    struct Case {
        const char* face;
        Matrix4 rotation;
    };
    const float quarter = 1.5707964f;
    const Case cases[] = {
        {"-z", Identity()},          {"+x", RotationY(quarter)}, {"+z", RotationY(2 * quarter)},
        {"-x", RotationY(-quarter)}, {"+y", RotationX(quarter)}, {"-y", RotationX(-quarter)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face);
        device.Clear(0.0f, 0.0f, 0.0f, 1.0f);
        device.BeginFlat3DPass();
        graphics.objectWorld = Multiply(c.rotation, Translation(0.0f, 0.0f, 6.0f));
        DrawBox(graphics, 1.0f, 1.0f, 1.0f, kRed, kWhite);
        DrawBox(graphics, 0.5f, 0.5f, 0.5f, kGreen, kWhite);
        device.ReadBack();
        // One sample in each quadrant of the face: both of its triangles.
        for (int dx : {-15, 15})
            for (int dy : {-10, 10})
                EXPECT_TRUE(IsRed(device.At(kWidth / 2 + dx, kHeight / 2 + dy)))
                    << dx << ", " << dy << " " << device.At(kWidth / 2 + dx, kHeight / 2 + dy);
    }
}

TEST_F(RenderTest, GridLinesLandOnTheProjectedPixelsAndAreDepthTested)
{
    // Looking straight down from 8 units above the origin: world x to the
    // right, world z up the screen, the grid at view depth 8.
    graphics.cameraView = LookToLH({0.0f, 8.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    // An opaque block just above the grid around (2, 0, 0): x 1.5..2.5,
    // z -0.5..0.5, top at y 0.5 (view depth 7.5).
    device.BeginFlat3DPass();
    graphics.objectWorld = Translation(2.0f, 0.3f, 0.0f);
    DrawBox(graphics, 0.5f, 0.2f, 0.5f, kGreen, kWhite);
    // The grid binds its own depth-tested pass.
    SetDepthStencilState(graphics.context, graphics.depthDisabledState, 1);
    DrawGrid(graphics);
    device.ReadBack();

    const double aspect = static_cast<double>(kWidth) / kHeight;
    auto column = [&](double x) { return kWidth / 2.0 + x * (kCotEighthPi / aspect) / 8.0 * (kWidth / 2.0); };
    auto row = [&](double z) { return kHeight / 2.0 - z * kCotEighthPi / 8.0 * (kHeight / 2.0); };
    auto lineNear = [&](int x0, int x1, int y0, int y1) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (IsBlack(device.At(x, y)))
                    return true;
        return false;
    };

    // The three lines of constant x, sampled between the lines of constant z.
    for (double x : {-2.0, 0.0, 2.0}) {
        SCOPED_TRACE(x);
        const int c = static_cast<int>(column(x));
        const int r = static_cast<int>(row(1.0));
        EXPECT_TRUE(lineNear(c - 1, c + 1, r, r));
        EXPECT_FALSE(lineNear(c - 6, c - 3, r, r));
        EXPECT_FALSE(lineNear(c + 3, c + 6, r, r));
        EXPECT_FALSE(lineNear(c - 1, c + 1, static_cast<int>(row(2.0)) - 5, static_cast<int>(row(2.0)) - 3))
            << "the line ends at z = 2";
    }
    // The three lines of constant z, sampled between the lines of constant x.
    for (double z : {-2.0, 0.0, 2.0}) {
        SCOPED_TRACE(z);
        const int r = static_cast<int>(row(z));
        const int c = static_cast<int>(column(-1.0));
        EXPECT_TRUE(lineNear(c, c, r - 1, r + 1));
        EXPECT_FALSE(lineNear(c, c, r - 6, r - 3));
        EXPECT_FALSE(lineNear(c, c, r + 3, r + 6));
    }
    // The line x = 2 passes under the block: hidden there, visible beyond it.
    const int c2 = static_cast<int>(column(2.0));
    EXPECT_TRUE(IsGreen(device.At(c2, static_cast<int>(row(0.2)))));
    EXPECT_TRUE(IsGreen(device.At(c2 + 1, static_cast<int>(row(0.2)))));
    EXPECT_TRUE(lineNear(c2 - 1, c2 + 1, static_cast<int>(row(0.8)), static_cast<int>(row(0.8))));
}

TEST(RenderStretch, ResolutionUnlikeTheWindowStretchesTheSceneButNotTheOverlay)
{
    // Back buffer 320 x 240 (4:3) for a 640 x 240 window (8:3): the 3D view
    // keeps the window's aspect, so on the back buffer it is squeezed across.
    RenderDevice device(320, 240, 640, 240);
    ASSERT_TRUE(device.ready);
    GraphicsContext& graphics = device.graphics;
    BeginFrame(graphics);

    device.BeginFlat3DPass();
    graphics.objectWorld = Translation(0.0f, 0.0f, 4.0f);  // front face at view depth 4
    DrawBox(graphics, 1.0f, 1.0f, 1.0f, kRed, kWhite);
    device.BeginOverlayPass();
    FillRect2D(graphics, 40.0f, 40.0f, 100.0f, 100.0f, kGreen, kWhite);
    device.ReadBack();

    int redAcross = 0, redDown = 0;
    for (int x = 0; x < 320; ++x)
        redAcross += IsRed(device.At(x, 120));
    for (int y = 0; y < 240; ++y)
        redDown += IsRed(device.At(160, y));
    const double aspect = 640.0 / 240.0;
    const double expectedAcross = 2.0 * (kCotEighthPi / aspect) / 4.0 * 160.0;  // 72.4 px
    const double expectedDown = 2.0 * kCotEighthPi / 4.0 * 120.0;               // 144.9 px
    EXPECT_NEAR(redAcross, expectedAcross, 1.5);
    EXPECT_NEAR(redDown, expectedDown, 1.5);

    // The overlay is in back-buffer pixels whatever the window: a 40 x 40
    // square with its lower-left corner at (100, 100), i.e. pixel (260, 220).
    const PixelRect square{260, 180, 300, 220};
    int wrong = 0;
    for (int y = 160; y < 240; ++y)
        for (int x = 240; x < 320; ++x)
            wrong += IsGreen(device.At(x, y)) != square.Contains(x, y);
    EXPECT_EQ(wrong, 0);
}

TEST_F(RenderTest, FailedMapsAreSkippedAndTheDrawStillGoesOut)
{
    // A buffer the CPU cannot write: mapping it fails.
    GfxBuffer* locked = nullptr;
    GfxBufferDesc desc;
    desc.byteWidth = 14336;
    desc.usage = GfxUsage::Default;
    desc.cpuWrite = false;
    desc.bindKind = GfxBindKind::VertexBuffer;
    ASSERT_GE(CreateBuffer(graphics.device, desc, &locked), 0);

    device.Clear(0.0f, 0.0f, 0.0f, 1.0f);
    device.BeginOverlayPass();
    // A 20 x 20 square leaves its vertices in the shared vertex buffer.
    FillRect2D(graphics, 20.0f, 20.0f, -100.0f, 0.0f, kRed, kWhite);
    // The next rectangle cannot upload its vertices: its draw reuses the
    // square's at the new place, (50, 0).
    GfxBuffer* shared = graphics.vertexBuffer;
    graphics.vertexBuffer = locked;
    FillRect2D(graphics, 60.0f, 60.0f, 50.0f, 0.0f, kRed, kWhite);
    graphics.vertexBuffer = shared;

    // A failed constant map is reported and writes nothing.
    GfxBuffer* constants = graphics.constantBuffer;
    graphics.constantBuffer = locked;
    EXPECT_LT(UpdateDrawConstants(graphics, Identity(), Identity(), Identity(), kWhite), 0);
    graphics.constantBuffer = constants;

    device.ReadBack();
    const PixelRect first{60, 100, 80, 120}, second{210, 100, 230, 120};
    ExpectCoverage(
        device, [&](int x, int y) { return first.Contains(x, y) || second.Contains(x, y); }, IsRed);
    Release(locked);
}
