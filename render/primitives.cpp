#include "render/primitives.h"

#include <cassert>
#include <cmath>
#include <cstring>

#include "core/result.h"
#include "gfx/graphics.h"

namespace {

constexpr uint32_t kVertexStride = sizeof(Vertex);
constexpr uint32_t kVertexCapacity = 512;  // vertexBuffer holds 512 Vertex
constexpr uint32_t kIndexCapacity = 512;   // indexBuffer holds 512 uint32_t
constexpr int kEllipseSegments = 40;
constexpr double kTwoPi = 6.283185307179586;

const Float4 kWhiteTint = {1.0f, 1.0f, 1.0f, 1.0f};

Vertex MakeVertex(float x, float y, float z, Float4 color)
{
    return Vertex{{x, y, z}, {color.x, color.y, color.z, color.w}};
}

// Copies count vertices to the start of vertexBuffer, dropping its old
// contents. A failed map leaves the buffer as it was.
void UploadVertices(GraphicsContext& graphics, const Vertex* vertices, uint32_t count)
{
    assert(count <= kVertexCapacity && "a primitive fits the shared vertex buffer");
    void* data = nullptr;
    if (Failed(MapDiscard(graphics.context, graphics.vertexBuffer, &data)))
        return;
    std::memcpy(data, vertices, count * sizeof(Vertex));
    Unmap(graphics.context, graphics.vertexBuffer);
}

void UploadIndices(GraphicsContext& graphics, const uint32_t* indices, uint32_t count)
{
    assert(count <= kIndexCapacity && "a primitive fits the shared index buffer");
    void* data = nullptr;
    if (Failed(MapDiscard(graphics.context, graphics.indexBuffer, &data)))
        return;
    std::memcpy(data, indices, count * sizeof(uint32_t));
    Unmap(graphics.context, graphics.indexBuffer);
}

// The common tail of the overlay-space shapes that are indexed triangle lists.
void DrawOverlayTriangles(GraphicsContext& graphics, const Vertex* vertices, uint32_t vertexCount,
                          const uint32_t* indices, uint32_t indexCount, const Matrix4& world, Float4 tint)
{
    UploadVertices(graphics, vertices, vertexCount);
    UploadIndices(graphics, indices, indexCount);
    UpdateDrawConstants(graphics, world, graphics.overlayView, graphics.overlayProjection, tint);
    SetTopology(graphics.context, GfxTopology::TriangleList);
    DrawIndexed(graphics.context, indexCount, 0, 0);
}

}  // namespace

int32_t UpdateDrawConstants(GraphicsContext& graphics, const Matrix4& world, const Matrix4& view,
                            const Matrix4& projection, Float4 tint)
{
    DrawConstants constants;
    constants.world = Transpose(world);
    constants.view = Transpose(view);
    constants.projection = Transpose(projection);
    constants.tint[0] = tint.x;
    constants.tint[1] = tint.y;
    constants.tint[2] = tint.z;
    constants.tint[3] = tint.w;

    void* data = nullptr;
    const int32_t result = MapDiscard(graphics.context, graphics.constantBuffer, &data);
    if (Failed(result))
        return result;
    std::memcpy(data, &constants, sizeof(constants));
    Unmap(graphics.context, graphics.constantBuffer);
    return 0;
}

void DrawLine2D(GraphicsContext& graphics, float x1, float y1, float x2, float y2, Float4 color1,
                Float4 color2, Float4 tint)
{
    const Vertex vertices[2] = {MakeVertex(x1, -y1, 0.0f, color1), MakeVertex(x2, -y2, 0.0f, color2)};
    UploadVertices(graphics, vertices, 2);
    UpdateDrawConstants(graphics, graphics.identityWorld, graphics.overlayView, graphics.overlayProjection,
                        tint);
    SetTopology(graphics.context, GfxTopology::LineList);
    Draw(graphics.context, 2, 0);
}

void DrawThickLine2D(GraphicsContext& graphics, float thickness, float x1, float y1, float x2, float y2,
                     Float4 color1, Float4 color2, Float4 tint)
{
    // Built along +x from the origin, then turned to the segment's angle and
    // moved to its start; length and angle in double, stored as float.
    const double dx = static_cast<double>(x2) - static_cast<double>(x1);
    const double dy = -static_cast<double>(y2) + static_cast<double>(y1);
    const float length = static_cast<float>(std::sqrt(dx * dx + dy * dy));
    const float angle = static_cast<float>(std::atan2(dy, dx));
    const float half = thickness / 2.0f;

    const Vertex vertices[4] = {
        MakeVertex(0.0f, -half, 0.0f, color1),
        MakeVertex(0.0f, half, 0.0f, color1),
        MakeVertex(length, -half, 0.0f, color2),
        MakeVertex(length, half, 0.0f, color2),
    };
    static const uint32_t indices[6] = {0, 3, 2, 0, 1, 3};
    const Matrix4 world = Multiply(RotationZ(angle), Translation(x1, -y1, 0.0f));
    DrawOverlayTriangles(graphics, vertices, 4, indices, 6, world, tint);
}

void FillRect2D(GraphicsContext& graphics, float width, float height, float x, float y, Float4 color,
                Float4 tint)
{
    const Vertex vertices[4] = {
        MakeVertex(0.0f, 0.0f, 0.0f, color),
        MakeVertex(width, 0.0f, 0.0f, color),
        MakeVertex(width, height, 0.0f, color),
        MakeVertex(0.0f, height, 0.0f, color),
    };
    static const uint32_t indices[6] = {0, 2, 1, 0, 3, 2};
    DrawOverlayTriangles(graphics, vertices, 4, indices, 6, Translation(x, -y, 0.0f), tint);
}

void DrawRectOutline2D(GraphicsContext& graphics, float width, float height, float x, float y,
                       float thickness, Float4 color, Float4 tint)
{
    // Corner coordinates are summed in double and rounded once.
    const double h = static_cast<double>(thickness) / 2.0;
    const double left = x;
    const double bottom = y;
    const double right = left + static_cast<double>(width);
    const double top = bottom - static_cast<double>(height);
    auto f = [](double v) { return static_cast<float>(v); };

    DrawThickLine2D(graphics, thickness, f(left - h), f(bottom), f(right + h), f(bottom), color, color, tint);
    DrawThickLine2D(graphics, thickness, f(right), f(bottom + h), f(right), f(top - h), color, color, tint);
    DrawThickLine2D(graphics, thickness, f(right + h), f(top), f(left - h), f(top), color, color, tint);
    DrawThickLine2D(graphics, thickness, f(left), f(top - h), f(left), f(bottom + h), color, color, tint);
}

void FillEllipse2D(GraphicsContext& graphics, float radiusX, float radiusY, float centreX, float centreY,
                   Float4 color, Float4 tint)
{
    // Vertex 0 is the centre, 1..41 the unit rim; 41 repeats 1 and is not
    // referenced: the fan closes on vertex 1.
    Vertex vertices[kEllipseSegments + 2];
    vertices[0] = MakeVertex(0.0f, 0.0f, 0.0f, color);
    for (int i = 1; i <= kEllipseSegments + 1; ++i) {
        const float angle = static_cast<float>(kTwoPi * (i - 1) / kEllipseSegments);
        vertices[i] = MakeVertex(static_cast<float>(std::cos(static_cast<double>(angle))),
                                 static_cast<float>(std::sin(static_cast<double>(angle))), 0.0f, color);
    }

    uint32_t indices[kEllipseSegments * 3];
    for (uint32_t i = 1; i < kEllipseSegments; ++i) {
        indices[(i - 1) * 3 + 0] = i;
        indices[(i - 1) * 3 + 1] = i + 1;
        indices[(i - 1) * 3 + 2] = 0;
    }
    indices[(kEllipseSegments - 1) * 3 + 0] = kEllipseSegments;
    indices[(kEllipseSegments - 1) * 3 + 1] = 1;
    indices[(kEllipseSegments - 1) * 3 + 2] = 0;

    // The counter-clockwise fan is mirrored in x so its triangles come out clockwise.
    const Matrix4 world = Multiply(Scaling(-radiusX, radiusY, 1.0f), Translation(centreX, -centreY, 0.0f));
    DrawOverlayTriangles(graphics, vertices, kEllipseSegments + 2, indices, kEllipseSegments * 3, world,
                         tint);
}

void DrawLine3D(GraphicsContext& graphics, Float3 p1, Float3 p2, Float4 color1, Float4 color2, Float4 tint)
{
    const Vertex vertices[2] = {MakeVertex(p1.x, p1.y, p1.z, color1), MakeVertex(p2.x, p2.y, p2.z, color2)};
    UploadVertices(graphics, vertices, 2);
    UpdateDrawConstants(graphics, graphics.identityWorld, graphics.cameraView, graphics.cameraProjection,
                        tint);
    SetTopology(graphics.context, GfxTopology::LineList);
    Draw(graphics.context, 2, 0);
}

void DrawBox(GraphicsContext& graphics, float halfX, float halfY, float halfZ, Float4 color, Float4 tint)
{
    const float x = halfX, y = halfY, z = halfZ;
    const Vertex vertices[8] = {
        MakeVertex(-x, -y, -z, color), MakeVertex(x, -y, -z, color), MakeVertex(x, y, -z, color),
        MakeVertex(-x, y, -z, color),  MakeVertex(-x, -y, z, color), MakeVertex(x, -y, z, color),
        MakeVertex(x, y, z, color),    MakeVertex(-x, y, z, color),
    };
    // Two clockwise triangles per face, seen from outside.
    static const uint32_t indices[36] = {
        0, 3, 2, 0, 2, 1,  // -z
        0, 4, 7, 0, 7, 3,  // -x
        0, 1, 5, 0, 5, 4,  // -y
        6, 2, 3, 6, 3, 7,  // +y
        6, 5, 1, 6, 1, 2,  // +x
        6, 4, 5, 4, 6, 7,  // +z
    };
    UploadVertices(graphics, vertices, 8);
    UploadIndices(graphics, indices, 36);
    UpdateDrawConstants(graphics, graphics.objectWorld, graphics.cameraView, graphics.cameraProjection, tint);
    SetTopology(graphics.context, GfxTopology::TriangleList);
    DrawIndexed(graphics.context, 36, 0, 0);
}

void DrawBox(GraphicsContext& graphics, Float3 halfExtents, Float4 color, Float4 tint)
{
    DrawBox(graphics, halfExtents.x, halfExtents.y, halfExtents.z, color, tint);
}

void DrawGrid(GraphicsContext& graphics)
{
    SetVertexBuffer(graphics.context, 0, graphics.vertexBuffer, kVertexStride, 0);
    SetDepthStencilState(graphics.context, graphics.depthEnabledState, 1);
    BindShaderProgram(graphics, graphics.testShader);

    struct Segment {
        Float3 from, to;
    };
    static const Segment segments[7] = {
        {{-2.0f, 0.0f, -2.0f}, {-2.0f, 0.0f, 2.0f}}, {{0.0f, 0.0f, -2.0f}, {0.0f, 0.0f, 2.0f}},
        {{2.0f, 0.0f, -2.0f}, {2.0f, 0.0f, 2.0f}},   {{-2.0f, 0.0f, -2.0f}, {2.0f, 0.0f, -2.0f}},
        {{-2.0f, 0.0f, 0.0f}, {2.0f, 0.0f, 0.0f}},   {{-2.0f, 0.0f, 2.0f}, {2.0f, 0.0f, 2.0f}},
        {{0.0f, 0.0f, 0.0f}, {0.0f, 0.5f, 0.0f}},  // upright marker at the origin
    };
    const Float4 black = {0.0f, 0.0f, 0.0f, 1.0f};
    for (const Segment& segment : segments)
        DrawLine3D(graphics, segment.from, segment.to, black, black, kWhiteTint);
}
