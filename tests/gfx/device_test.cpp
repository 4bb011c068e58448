// Rendering through the device layer, checked on pixels read back from the
// offscreen back buffer against hand-computed positions and colours.

#include "gfx_fixture.h"

#include <cmath>

#include "core/result.h"

namespace {

// A rectangle in clip space as two clockwise triangles (as seen on screen).
std::vector<Vertex> ClipRect(float left, float top, float right, float bottom, float z, float r, float g,
                             float b, float a = 1.0f)
{
    return {MakeVertex(left, top, z, r, g, b, a),     MakeVertex(right, top, z, r, g, b, a),
            MakeVertex(left, bottom, z, r, g, b, a),  MakeVertex(right, top, z, r, g, b, a),
            MakeVertex(right, bottom, z, r, g, b, a), MakeVertex(left, bottom, z, r, g, b, a)};
}

void ExpectColor(const GraphicsFixture::Pixel& pixel, int r, int g, int b, const char* where)
{
    EXPECT_NEAR(pixel.r, r, 1) << where;
    EXPECT_NEAR(pixel.g, g, 1) << where;
    EXPECT_NEAR(pixel.b, b, 1) << where;
}

using DeviceTest = GraphicsFixture;

TEST_F(DeviceTest, ClearColourFillsTheWholeBackBuffer)
{
    Clear(0.25f, 0.5f, 0.75f);
    ReadBack();
    for (auto [x, y] :
         {std::pair{0, 0}, {width - 1, 0}, {0, height - 1}, {width - 1, height - 1}, {31, 23}}) {
        ExpectColor(At(x, y), 64, 128, 191, "corner");
        EXPECT_EQ(At(x, y).a, 255);
    }
}

// Clip x -1..0 and y 1..0 is exactly the top-left quarter: columns 0..31,
// rows 0..23 of the 64 x 48 target, row 0 being the top of the picture.
TEST_F(DeviceTest, ClipSpaceRectangleCoversTheTopLeftQuarterExactly)
{
    Clear(0, 0, 0);
    DrawClip(ClipRect(-1, 1, 0, 0, 0.5f, 1, 0, 0));
    ReadBack();
    ExpectColor(At(0, 0), 255, 0, 0, "top-left corner");
    ExpectColor(At(31, 23), 255, 0, 0, "last covered pixel");
    ExpectColor(At(32, 23), 0, 0, 0, "first column right of it");
    ExpectColor(At(31, 24), 0, 0, 0, "first row below it");
    ExpectColor(At(0, height - 1), 0, 0, 0, "bottom-left corner");
}

TEST_F(DeviceTest, CounterClockwiseTrianglesAreCulled)
{
    struct Case {
        const char* name;
        std::vector<Vertex> triangle;
        bool drawn;
    };
    const Case cases[] = {
        {"clockwise",
         {MakeVertex(-1, 1, 0.5f, 0, 1, 0), MakeVertex(0, 1, 0.5f, 0, 1, 0),
          MakeVertex(-1, 0, 0.5f, 0, 1, 0)},
         true},
        {"counter-clockwise",
         {MakeVertex(-1, 1, 0.5f, 0, 1, 0), MakeVertex(-1, 0, 0.5f, 0, 1, 0),
          MakeVertex(0, 1, 0.5f, 0, 1, 0)},
         false},
    };
    for (const Case& c : cases) {
        Clear(0, 0, 0);
        DrawClip(c.triangle);
        ReadBack();
        ExpectColor(At(4, 4), 0, c.drawn ? 255 : 0, 0, c.name);
    }
}

TEST_F(DeviceTest, AlphaBlendsSourceOverDestination)
{
    Clear(0.8f, 0.4f, 0.2f);
    DrawClip(ClipRect(-1, 1, 1, -1, 0.5f, 0, 0, 0, 0.25f));
    ReadBack();
    // 0.75 of the destination colour; the alpha written is the source's.
    ExpectColor(At(10, 10), 153, 77, 38, "blended");
    EXPECT_NEAR(At(10, 10).a, 64, 1);
}

// Depth runs 0..1 in clip space: z below 0 or above w is clipped away.
TEST_F(DeviceTest, DepthRangeIsZeroToOne)
{
    struct Case {
        float z;
        bool visible;
    };
    for (const Case c : {Case{-0.5f, false}, Case{-0.01f, false}, Case{0.01f, true}, Case{0.99f, true},
                         Case{1.01f, false}}) {
        Clear(0, 0, 0);
        DrawClip(ClipRect(-1, 1, 1, -1, c.z, 1, 1, 1));
        ReadBack();
        EXPECT_EQ(At(32, 24).r, c.visible ? 255 : 0) << "z = " << c.z;
    }
}

TEST_F(DeviceTest, DepthTestKeepsTheNearerSurfaceOnlyWhenEnabled)
{
    for (bool depth : {true, false}) {
        Clear(0, 0, 0);
        DrawVertices(ClipRect(-1, 1, 1, -1, 0.2f, 1, 0, 0), graphics.plainShader, GfxTopology::TriangleList,
                     Identity(), Identity(), Identity(), nullptr, depth);
        DrawVertices(ClipRect(-1, 1, 1, -1, 0.6f, 0, 0, 1), graphics.plainShader, GfxTopology::TriangleList,
                     Identity(), Identity(), Identity(), nullptr, depth);
        ReadBack();
        if (depth)
            ExpectColor(At(32, 24), 255, 0, 0, "near red stays in front of far blue");
        else
            ExpectColor(At(32, 24), 0, 0, 255, "without depth the later draw wins");
    }
}

// The start-up camera looks from (0, 0, -1) along +z with a vertical field
// of view of pi/4: a point (x, y, 0) lands at ndc (x * 2.4142135 / aspect,
// y * 2.4142135). The world quad x 0..0.2761424, y 0..0.2071068 thus spans
// ndc 0..0.5 in both axes: columns 32..47 and rows 12..23.
TEST_F(DeviceTest, CameraMatricesPlaceWorldGeometryOnHandComputedPixels)
{
    const float x = 0.5f * (static_cast<float>(width) / height) / 2.4142135f;
    const float y = 0.5f / 2.4142135f;
    Clear(0, 0, 0);
    DrawVertices(ClipRect(0, y, x, 0, 0, 0, 1, 1), graphics.plainShader, GfxTopology::TriangleList,
                 graphics.identityWorld, graphics.cameraView, graphics.cameraProjection, nullptr, true);
    ReadBack();
    ExpectColor(At(33, 13), 0, 255, 255, "inside, near the top-left");
    ExpectColor(At(46, 22), 0, 255, 255, "inside, near the bottom-right");
    ExpectColor(At(49, 18), 0, 0, 0, "right of the quad");
    ExpectColor(At(40, 10), 0, 0, 0, "above the quad");
    ExpectColor(At(30, 18), 0, 0, 0, "left of the quad");
}

// A world translation stored in row 3 must move geometry: the matrices are
// applied to row vectors.
TEST_F(DeviceTest, WorldTranslationMovesGeometry)
{
    Clear(0, 0, 0);
    DrawVertices(ClipRect(-1, 1, -0.5f, 0.5f, 0.5f, 1, 1, 0), graphics.plainShader, GfxTopology::TriangleList,
                 Translation(1.0f, -1.0f, 0.0f), Identity(), Identity());
    ReadBack();
    // Clip x 0..0.5, y 0..-0.5: columns 32..47, rows 24..35.
    ExpectColor(At(40, 30), 255, 255, 0, "moved quad");
    ExpectColor(At(4, 4), 0, 0, 0, "where it started");
}

TEST_F(DeviceTest, TintMultipliesTheVertexColour)
{
    const float tint[4] = {0.5f, 1.0f, 0.0f, 1.0f};
    Clear(0, 0, 0);
    DrawClip(ClipRect(-1, 1, 1, -1, 0.5f, 1, 0.5f, 1), GfxTopology::TriangleList, tint);
    ReadBack();
    ExpectColor(At(32, 24), 128, 128, 0, "tinted");
}

TEST_F(DeviceTest, IndexedDrawReadsIndicesFromTheStart)
{
    const std::vector<Vertex> corners = {MakeVertex(-1, 1, 0.5f, 1, 0, 1), MakeVertex(0, 1, 0.5f, 1, 0, 1),
                                         MakeVertex(0, 0, 0.5f, 1, 0, 1), MakeVertex(-1, 0, 0.5f, 1, 0, 1)};
    const uint32_t indices[6] = {0, 1, 2, 0, 2, 3};
    Clear(0, 0, 0);
    void* data = nullptr;
    ASSERT_EQ(MapDiscard(graphics.context, graphics.indexBuffer, &data), 0);
    std::memcpy(data, indices, sizeof indices);
    Unmap(graphics.context, graphics.indexBuffer);
    // Draw nothing non-indexed, but leave the vertices and constants in place.
    DrawClip(corners, GfxTopology::TriangleList);
    Clear(0, 0, 0);
    DrawIndexed(graphics.context, 6, 0, 0);
    ReadBack();
    ExpectColor(At(16, 12), 255, 0, 255, "quad centre");
    ExpectColor(At(40, 30), 0, 0, 0, "outside");
}

TEST_F(DeviceTest, DrawsThatWouldReadPastTheirBuffersAreSkipped)
{
    Clear(0, 0, 0);
    DrawClip(ClipRect(-1, 1, 1, -1, 0.5f, 1, 1, 1));
    Clear(0, 0, 0);
    Draw(graphics.context, 513, 0);            // the buffer holds 512 vertices
    Draw(graphics.context, 6, 507);            // 507 + 6 > 512
    DrawIndexed(graphics.context, 513, 0, 0);  // 512 indices
    DrawIndexed(graphics.context, 6, 510, 0);
    ReadBack();
    ExpectColor(At(32, 24), 0, 0, 0, "nothing drawn");
    Draw(graphics.context, 6, 0);  // the same state in range draws
    ReadBack();
    ExpectColor(At(32, 24), 255, 255, 255, "in-range draw");
}

TEST_F(DeviceTest, MapDiscardRefusesASecondMapAndDrawsWaitForUnmap)
{
    void* first = nullptr;
    void* second = nullptr;
    ASSERT_EQ(MapDiscard(graphics.context, graphics.vertexBuffer, &first), 0);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(MapDiscard(graphics.context, graphics.vertexBuffer, &second), E_INVALIDARG_RESULT);
    EXPECT_EQ(second, nullptr);
    const std::vector<Vertex> quad = ClipRect(-1, 1, 1, -1, 0.5f, 1, 1, 1);
    std::memcpy(first, quad.data(), quad.size() * sizeof(Vertex));
    BindShaderProgram(graphics, graphics.plainShader);
    SetTopology(graphics.context, GfxTopology::TriangleList);
    Clear(0, 0, 0);
    Draw(graphics.context, 6, 0);  // skipped: the buffer is still mapped
    Unmap(graphics.context, graphics.vertexBuffer);
    ReadBack();
    ExpectColor(At(32, 24), 0, 0, 0, "no draw while mapped");
}

TEST_F(DeviceTest, BindingOrderDoesNotMatter)
{
    const std::vector<Vertex> quad = ClipRect(-1, 1, 1, -1, 0.5f, 0, 1, 0);
    // Program, topology and targets first; buffers last.
    BindShaderProgram(graphics, graphics.plainShader);
    SetTopology(graphics.context, GfxTopology::TriangleList);
    SetRenderTargets(graphics.context, graphics.renderTargetView, graphics.depthStencilView);
    DrawConstants constants;
    constants.world = constants.view = constants.projection = Identity();
    for (float& t : constants.tint)
        t = 1.0f;
    void* data = nullptr;
    ASSERT_EQ(MapDiscard(graphics.context, graphics.constantBuffer, &data), 0);
    std::memcpy(data, &constants, sizeof constants);
    Unmap(graphics.context, graphics.constantBuffer);
    ASSERT_EQ(MapDiscard(graphics.context, graphics.vertexBuffer, &data), 0);
    std::memcpy(data, quad.data(), quad.size() * sizeof(Vertex));
    Unmap(graphics.context, graphics.vertexBuffer);
    SetConstantBuffer(graphics.context, 0, graphics.constantBuffer);
    SetVertexBuffer(graphics.context, 0, graphics.vertexBuffer, sizeof(Vertex), 0);
    Clear(0, 0, 0);
    Draw(graphics.context, 6, 0);
    ReadBack();
    ExpectColor(At(32, 24), 0, 255, 0, "drawn");
}

TEST_F(DeviceTest, ReleasingABoundObjectUnbindsIt)
{
    GfxBlendState* state = nullptr;
    ASSERT_EQ(CreateBlendState(graphics.device, GfxBlendDesc(), &state), 0);
    SetBlendState(graphics.context, state, nullptr, 0xFFFFFFFFu);
    EXPECT_EQ(graphics.context->blendState, state);
    EXPECT_EQ(Release(state), 0);
    EXPECT_EQ(graphics.context->blendState, nullptr);
}

TEST_F(DeviceTest, PresentShowsTheFrameAndKeepsTheBackBuffer)
{
    Clear(0, 0.5f, 0);
    EXPECT_EQ(Present(graphics.swapChain, 0, true), 0);
    EXPECT_EQ(Present(graphics.swapChain, 1, false), 0);
    ReadBack();
    ExpectColor(At(5, 5), 0, 128, 0, "back buffer after present");
}

// The test program: faces of a box turned differently get different
// shades, a line keeps its colour unlit, and colours above 1 keep their hue.
TEST_F(DeviceTest, TestProgramShadesFacesAndLeavesLinesUnlit)
{
    // A unit cube turned 0.6 rad about y seen from the start-up camera
    // pulled back: its front and side faces are both visible.
    const Matrix4 world = Multiply(RotationY(0.6f), Translation(0.0f, 0.0f, 3.0f));
    const float h = 0.5f;
    const Vertex c[8] = {MakeVertex(-h, -h, -h, 2, 1, 1), MakeVertex(h, -h, -h, 2, 1, 1),
                         MakeVertex(h, h, -h, 2, 1, 1),   MakeVertex(-h, h, -h, 2, 1, 1),
                         MakeVertex(-h, -h, h, 2, 1, 1),  MakeVertex(h, -h, h, 2, 1, 1),
                         MakeVertex(h, h, h, 2, 1, 1),    MakeVertex(-h, h, h, 2, 1, 1)};
    const int indices[36] = {0, 3, 2, 0, 2, 1, 0, 4, 7, 0, 7, 3, 0, 1, 5, 0, 5, 4,
                             6, 2, 3, 6, 3, 7, 6, 5, 1, 6, 1, 2, 6, 4, 5, 4, 6, 7};
    std::vector<Vertex> triangles;
    for (int i : indices)
        triangles.push_back(c[i]);
    Clear(0, 0, 0);
    DrawVertices(triangles, graphics.testShader, GfxTopology::TriangleList, world, graphics.cameraView,
                 graphics.cameraProjection, nullptr, true);
    ReadBack();
    // The -z face turned by 0.6 rad shows left of the centre, the +x face right.
    const Pixel front = At(27, 24);
    const Pixel side = At(38, 24);
    for (const Pixel& p : {front, side}) {
        EXPECT_GT(p.r, 0) << "covered by the cube";
        EXPECT_LE(p.r, 255);
        EXPECT_NEAR(p.g, p.r / 2, 2) << "(2, 1, 1) scaled to (1, 0.5, 0.5) keeps red dominant";
        EXPECT_NEAR(p.b, p.g, 1);
    }
    EXPECT_GT(std::abs(front.r - side.r), 20) << "differently turned faces differ in shade";

    const std::vector<Vertex> line = {MakeVertex(-1, 0.5f, 0.5f, 0.4f, 0.6f, 0.8f),
                                      MakeVertex(1, 0.5f, 0.5f, 0.4f, 0.6f, 0.8f)};
    Clear(0, 0, 0);
    DrawVertices(line, graphics.testShader, GfxTopology::LineList, Identity(), Identity(), Identity());
    ReadBack();
    // Clip y 0.5 is row 12 (or the row next to it, by the rasterizer's rule).
    const Pixel onLine = At(32, 12).r != 0 ? At(32, 12) : At(32, 11);
    ExpectColor(onLine, 102, 153, 204, "line colour unchanged");

    const std::vector<Vertex> blue = ClipRect(-1, 1, 1, -1, 0.5f, 0.9f, 1.1f, 2.0f);
    Clear(0, 0, 0);
    DrawVertices(blue, graphics.testShader, GfxTopology::TriangleList, Identity(), Identity(), Identity());
    ReadBack();
    const Pixel light = At(32, 24);
    EXPECT_GT(light.b, light.g);
    EXPECT_GT(light.g, light.r);
    EXPECT_GT(light.r, 60) << "(0.9, 1.1, 2) reads as a light blue, not a pure one";
}

}  // namespace
