// The device layer's memory of applied GL state and the copies behind its
// dynamic buffers, checked on read-back pixels: every draw must render with
// exactly the state bound for it and the contents written last, whatever
// changed, was cleared, read, presented, released or made since the draw
// before.

#include "gfx_fixture.h"

#include <cstdlib>
#include <functional>

#include "core/result.h"

namespace {

struct Rgb {
    int r, g, b;
};

// A rectangle in clip space: x grows to the right, y upwards.
struct ClipBox {
    float left, top, right, bottom;
};

constexpr ClipBox kFull{-1, 1, 1, -1};
constexpr ClipBox kLeftHalf{-1, 1, 0, -1};  // columns 0..31
constexpr ClipBox kRightHalf{0, 1, 1, -1};  // columns 32..63
constexpr ClipBox kTopLeft{-1, 1, 0, 0};    // columns 0..31, rows 0..23
constexpr ClipBox kTopRight{0, 1, 1, 0};    // columns 32..63, rows 0..23

constexpr float kWhite[4] = {1, 1, 1, 1};

// Two triangles covering box, clockwise as seen on screen (front faces).
std::vector<Vertex> Quad(ClipBox box, float z, float r, float g, float b, float a = 1.0f)
{
    return {
        MakeVertex(box.left, box.top, z, r, g, b, a),     MakeVertex(box.right, box.top, z, r, g, b, a),
        MakeVertex(box.left, box.bottom, z, r, g, b, a),  MakeVertex(box.right, box.top, z, r, g, b, a),
        MakeVertex(box.right, box.bottom, z, r, g, b, a), MakeVertex(box.left, box.bottom, z, r, g, b, a)};
}

// The same two triangles wound counter-clockwise: back faces.
std::vector<Vertex> BackQuad(ClipBox box, float z, float r, float g, float b)
{
    std::vector<Vertex> quad = Quad(box, z, r, g, b);
    std::swap(quad[1], quad[2]);
    std::swap(quad[4], quad[5]);
    return quad;
}

// Top-left, top-right, bottom-right, bottom-left: kQuadIndices draws them
// as two front-facing triangles.
std::vector<Vertex> Corners(ClipBox box, float z, float r, float g, float b)
{
    return {MakeVertex(box.left, box.top, z, r, g, b), MakeVertex(box.right, box.top, z, r, g, b),
            MakeVertex(box.right, box.bottom, z, r, g, b), MakeVertex(box.left, box.bottom, z, r, g, b)};
}

const std::vector<uint32_t> kQuadIndices = {0, 1, 2, 0, 2, 3};

std::vector<Vertex> Join(std::initializer_list<std::vector<Vertex>> parts)
{
    std::vector<Vertex> joined;
    for (const std::vector<Vertex>& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

struct Probe {
    int x, y;
    Rgb want;
};

class DeviceStateTest : public GraphicsFixture {
protected:
    void SetUp() override
    {
        GraphicsFixture::SetUp();
        if (HasFatalFailure())
            return;
        context = graphics.context;
        ASSERT_NO_FATAL_FAILURE(WriteConstants(graphics.constantBuffer, Identity(), kWhite));
        BindDefaults();
    }

    void TearDown() override
    {
        for (auto release = releases.rbegin(); release != releases.rend(); ++release)
            (*release)();
        releases.clear();
        GraphicsFixture::TearDown();
    }

    // The object, released when the test ends.
    template <typename T>
    T* Keep(T* object)
    {
        if (object != nullptr)
            releases.push_back([object] { Release(object); });
        return object;
    }

    // Back buffer and depth view, the whole target as viewport, the plain
    // program, no depth test, no blending, the default rasterizer, triangle
    // lists and the shared buffers at offset 0.
    void BindDefaults()
    {
        SetRenderTargets(context, graphics.renderTargetView, graphics.depthStencilView);
        GfxViewport viewport;
        viewport.width = static_cast<float>(width);
        viewport.height = static_cast<float>(height);
        SetViewport(context, viewport);
        BindShaderProgram(graphics, graphics.plainShader);
        SetDepthStencilState(context, graphics.depthDisabledState, 0);
        SetBlendState(context, nullptr, nullptr, 0xFFFFFFFFu);
        SetRasterizerState(context, nullptr);
        SetTopology(context, GfxTopology::TriangleList);
        SetVertexBuffer(context, 0, graphics.vertexBuffer, sizeof(Vertex), 0);
        SetIndexBuffer(context, graphics.indexBuffer, GfxFormat::R32Uint, 0);
        SetConstantBuffer(context, 0, graphics.constantBuffer);
    }

    void SetViewportBox(float x, float y, float w, float h)
    {
        GfxViewport viewport;
        viewport.topLeftX = x;
        viewport.topLeftY = y;
        viewport.width = w;
        viewport.height = h;
        SetViewport(context, viewport);
    }

    // Maps buffer, writes size bytes at byte offset and unmaps; the rest of
    // the buffer is left as the map found it.
    void WriteAt(GfxBuffer* buffer, size_t offset, const void* bytes, size_t size)
    {
        ASSERT_LE(offset + size, buffer->desc.byteWidth);
        void* data = nullptr;
        ASSERT_EQ(MapDiscard(context, buffer, &data), S_OK_RESULT);
        ASSERT_NE(data, nullptr);
        std::memcpy(static_cast<uint8_t*>(data) + offset, bytes, size);
        Unmap(context, buffer);
    }

    void WriteVertices(GfxBuffer* buffer, const std::vector<Vertex>& vertices)
    {
        WriteAt(buffer, 0, vertices.data(), vertices.size() * sizeof(Vertex));
    }

    void WriteIndices(GfxBuffer* buffer, const std::vector<uint32_t>& indices)
    {
        WriteAt(buffer, 0, indices.data(), indices.size() * sizeof(uint32_t));
    }

    void WriteConstants(GfxBuffer* buffer, const Matrix4& world, const float tint[4])
    {
        DrawConstants constants;
        constants.world = Transpose(world);
        constants.view = Identity();
        constants.projection = Identity();
        for (int i = 0; i < 4; ++i)
            constants.tint[i] = tint[i];
        WriteAt(buffer, 0, &constants, sizeof constants);
    }

    GfxBuffer* MakeBuffer(GfxBindKind kind, uint32_t bytes)
    {
        GfxBufferDesc desc;
        desc.byteWidth = bytes;
        desc.bindKind = kind;
        GfxBuffer* buffer = nullptr;
        EXPECT_EQ(CreateBuffer(graphics.device, desc, &buffer), S_OK_RESULT);
        return buffer;
    }

    GfxDepthStencilState* MakeDepthState(bool enable, bool write, GfxComparison func)
    {
        GfxDepthStencilDesc desc;
        desc.depthEnable = enable;
        desc.depthWriteAll = write;
        desc.depthFunc = func;
        GfxDepthStencilState* state = nullptr;
        EXPECT_EQ(CreateDepthStencilState(graphics.device, desc, &state), S_OK_RESULT);
        return state;
    }

    GfxBlendState* MakeWriteMaskState(uint8_t writeMask)
    {
        GfxBlendDesc desc;
        desc.writeMask = writeMask;
        GfxBlendState* state = nullptr;
        EXPECT_EQ(CreateBlendState(graphics.device, desc, &state), S_OK_RESULT);
        return state;
    }

    GfxDepthStencilView* MakeDepthView()
    {
        GfxTextureDesc desc;
        desc.width = width;
        desc.height = height;
        desc.format = GfxFormat::D32Float;
        GfxTexture2D* texture = nullptr;
        EXPECT_EQ(CreateTexture2D(graphics.device, desc, &texture), S_OK_RESULT);
        if (texture == nullptr)
            return nullptr;
        GfxDepthStencilView* view = nullptr;
        EXPECT_EQ(CreateDepthStencilView(graphics.device, texture, &view), S_OK_RESULT);
        Release(texture);  // the view holds it
        return view;
    }

    void ClearColour(float r, float g, float b)
    {
        const float rgba[4] = {r, g, b, 1.0f};
        ClearRenderTarget(context, graphics.renderTargetView, rgba);
    }

    void ExpectPixel(const Probe& probe, const std::string& where)
    {
        const Pixel pixel = At(probe.x, probe.y);
        EXPECT_TRUE(std::abs(pixel.r - probe.want.r) <= 1 && std::abs(pixel.g - probe.want.g) <= 1 &&
                    std::abs(pixel.b - probe.want.b) <= 1)
            << where << ": pixel (" << probe.x << ", " << probe.y << ") is (" << pixel.r << ", " << pixel.g
            << ", " << pixel.b << "), expected (" << probe.want.r << ", " << probe.want.g << ", "
            << probe.want.b << ")";
    }

    GfxContext* context = nullptr;
    std::vector<std::function<void()>> releases;
};

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

// One indexed draw per pixel of the 64 x 48 target, 3072 in all, each
// writing the vertex, index and constant buffers afresh and nothing flushed
// or read in between. No buffer keeps more than 1024 copies, so every copy
// of every buffer is handed out again at least twice while draws that read
// it earlier may still be queued. Each pixel has its own colour, spread over
// all three buffers: the vertex colour gives red and green, the tint in the
// constants blue; the vertices give the column and the world translation
// the row; the indices address vertices at a place that moves per cell.
TEST_F(DeviceStateTest, ThousandsOfMapAndDrawCyclesEachLeaveTheirOwnPixelExact)
{
    std::vector<Rgb> expected(static_cast<size_t>(width) * height);
    for (int y = 0; y < height && !HasFatalFailure(); ++y) {
        for (int x = 0; x < width && !HasFatalFailure(); ++x) {
            const int cell = y * width + x;
            const Rgb colour{cell & 255, 5 + 20 * (cell >> 8), (x * 37 + y * 91) & 255};
            expected[static_cast<size_t>(cell)] = colour;

            // Pixel column x spans clip x -1 + x / 32 .. -1 + (x + 1) / 32;
            // row 0 spans clip y 1 .. 1 - 1 / 24.
            const float left = -1.0f + static_cast<float>(x) / 32.0f;
            const float right = -1.0f + static_cast<float>(x + 1) / 32.0f;
            const std::vector<Vertex> corners = Corners({left, 1.0f, right, 1.0f - 1.0f / 24.0f}, 0.5f,
                                                        colour.r / 255.0f, colour.g / 255.0f, 1.0f);
            const uint32_t firstVertex = static_cast<uint32_t>(cell * 4 % 500);
            WriteAt(graphics.vertexBuffer, firstVertex * sizeof(Vertex), corners.data(),
                    corners.size() * sizeof(Vertex));

            std::vector<uint32_t> indices;
            for (uint32_t index : kQuadIndices)
                indices.push_back(firstVertex + index);
            const uint32_t firstIndex = static_cast<uint32_t>(cell * 6 % 504);
            WriteAt(graphics.indexBuffer, firstIndex * sizeof(uint32_t), indices.data(),
                    indices.size() * sizeof(uint32_t));

            const float tint[4] = {1.0f, 1.0f, colour.b / 255.0f, 1.0f};
            WriteConstants(graphics.constantBuffer, Translation(0.0f, -static_cast<float>(y) / 24.0f, 0.0f),
                           tint);

            DrawIndexed(context, 6, firstIndex, 0);
        }
    }
    ReadBack();

    int wrong = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb want = expected[static_cast<size_t>(y * width + x)];
            const Pixel got = At(x, y);
            if (got.r == want.r && got.g == want.g && got.b == want.b && got.a == 255)
                continue;
            if (++wrong <= 8)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is (" << got.r << ", " << got.g << ", "
                              << got.b << ", " << got.a << "), drawn as (" << want.r << ", " << want.g << ", "
                              << want.b << ", 255)";
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels that do not show their own draw";
}

// Two draws in a row, no clear or read-back between them, that differ in one
// piece of bound state; the picture shows that the second draw used its
// own state, not what the first one left behind. Where the change is
// one-sided (turning something on or off) both directions are cases.
TEST_F(DeviceStateTest, ASecondDrawUsesTheStateBoundForItNotTheOneBefore)
{
    GfxDepthStencilState* lessNoWrite = Keep(MakeDepthState(true, false, GfxComparison::Less));
    GfxDepthStencilState* greater = Keep(MakeDepthState(true, true, GfxComparison::Greater));
    GfxBlendState* redOnly = Keep(MakeWriteMaskState(0x1));
    // The start-up blend state's factors with blending off: only the
    // switch differs.
    GfxBlendDesc blendOffDesc = graphics.alphaBlendState->desc;
    blendOffDesc.blendEnable = false;
    GfxBlendState* blendOff = nullptr;
    ASSERT_EQ(CreateBlendState(graphics.device, blendOffDesc, &blendOff), S_OK_RESULT);
    Keep(blendOff);

    GfxRasterizerDesc noCullDesc;
    noCullDesc.cullMode = GfxCullMode::None;
    GfxRasterizerState* noCull = nullptr;
    ASSERT_EQ(CreateRasterizerState(graphics.device, noCullDesc, &noCull), S_OK_RESULT);
    Keep(noCull);

    GfxBuffer* leftVertices = Keep(MakeBuffer(GfxBindKind::VertexBuffer, 6 * sizeof(Vertex)));
    GfxBuffer* rightVertices = Keep(MakeBuffer(GfxBindKind::VertexBuffer, 6 * sizeof(Vertex)));
    GfxBuffer* firstIndices = Keep(MakeBuffer(GfxBindKind::IndexBuffer, 6 * sizeof(uint32_t)));
    GfxBuffer* secondIndices = Keep(MakeBuffer(GfxBindKind::IndexBuffer, 6 * sizeof(uint32_t)));
    GfxBuffer* blueTint = Keep(MakeBuffer(GfxBindKind::ConstantBuffer, sizeof(DrawConstants)));
    ASSERT_FALSE(HasFailure());
    ASSERT_NO_FATAL_FAILURE(WriteVertices(leftVertices, Quad(kLeftHalf, 0.5f, 1, 0, 0)));
    ASSERT_NO_FATAL_FAILURE(WriteVertices(rightVertices, Quad(kRightHalf, 0.5f, 0, 1, 0)));
    ASSERT_NO_FATAL_FAILURE(WriteIndices(firstIndices, {0, 1, 2, 0, 2, 3}));
    ASSERT_NO_FATAL_FAILURE(WriteIndices(secondIndices, {4, 5, 6, 4, 6, 7}));
    const float blue[4] = {0, 0, 1, 1};
    ASSERT_NO_FATAL_FAILURE(WriteConstants(blueTint, Identity(), blue));

    // A 32 x 16 colour target: a viewport maps to other rows on it, as GL
    // counts rows from the bottom of the target.
    GfxTextureDesc smallDesc;
    smallDesc.width = 32;
    smallDesc.height = 16;
    smallDesc.format = GfxFormat::R8G8B8A8Unorm;
    GfxTexture2D* smallTexture = nullptr;
    ASSERT_EQ(CreateTexture2D(graphics.device, smallDesc, &smallTexture), S_OK_RESULT);
    Keep(smallTexture);
    GfxRenderTargetView* smallTarget = nullptr;
    ASSERT_EQ(CreateRenderTargetView(graphics.device, smallTexture, &smallTarget), S_OK_RESULT);
    Keep(smallTarget);

    GfxDepthStencilView* firstDepth = Keep(MakeDepthView());
    GfxDepthStencilView* secondDepth = Keep(MakeDepthView());
    ASSERT_FALSE(HasFailure());

    GfxBuffer* const vertices = graphics.vertexBuffer;
    const Probe leftRed{16, 24, kRed}, rightGreen{48, 24, kGreen};
    // Black at a quarter alpha over (0.8, 0.4, 0.2) with source-over blending.
    const Rgb blended{153, 77, 38};
    const Rgb plainOverbright{255, 204, 102};  // (2, 0.8, 0.4) clamped
    const Rgb mainOverbright{255, 102, 51};    // (2, 0.8, 0.4) scaled by its peak

    struct Case {
        const char* name;
        Rgb background;
        std::function<void()> draws;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases = {
        {"depth test on, then off",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kFull, 0.2f, 1, 0, 0), Quad(kFull, 0.6f, 0, 0, 1)}));
             SetDepthStencilState(context, graphics.depthEnabledState, 0);
             Draw(context, 6, 0);
             SetDepthStencilState(context, graphics.depthDisabledState, 0);
             Draw(context, 6, 6);
         },
         {{32, 24, kBlue}}},
        {"depth test off, then on",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kFull, 0.2f, 1, 0, 0), Quad(kLeftHalf, 0.6f, 0, 1, 0),
                                           Quad(kFull, 0.6f, 0, 0, 1)}));
             SetDepthStencilState(context, graphics.depthEnabledState, 0);
             Draw(context, 6, 0);
             SetDepthStencilState(context, graphics.depthDisabledState, 0);
             Draw(context, 6, 6);
             SetDepthStencilState(context, graphics.depthEnabledState, 0);
             Draw(context, 6, 12);  // behind the red everywhere
         },
         {{16, 24, kGreen}, {48, 24, kRed}}},
        {"depth comparison less, then greater",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kFull, 0.5f, 1, 0, 0), Quad(kLeftHalf, 0.3f, 0, 1, 0),
                                           Quad(kFull, 0.4f, 0, 0, 1)}));
             SetDepthStencilState(context, graphics.depthEnabledState, 0);
             Draw(context, 6, 0);
             Draw(context, 6, 6);
             SetDepthStencilState(context, greater, 0);
             Draw(context, 6, 12);  // passes only over the nearer green
         },
         {{16, 24, kBlue}, {48, 24, kRed}}},
        {"depth writes on, then off",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kLeftHalf, 0.3f, 1, 0, 0), Quad(kFull, 0.6f, 0, 1, 0),
                                           Quad(kFull, 0.8f, 0, 0, 1)}));
             SetDepthStencilState(context, graphics.depthEnabledState, 0);
             Draw(context, 6, 0);
             SetDepthStencilState(context, lessNoWrite, 0);
             Draw(context, 6, 6);   // leaves the right half's depth at 1
             Draw(context, 6, 12);  // so the farther blue still passes there
         },
         {{16, 24, kRed}, {48, 24, kBlue}}},
        {"blending on, then off",
         {204, 102, 51},
         [&] {
             WriteVertices(vertices, Join({Quad(kLeftHalf, 0.5f, 0, 0, 0, 0.25f),
                                           Quad(kRightHalf, 0.5f, 0, 0, 0, 0.25f)}));
             SetBlendState(context, graphics.alphaBlendState, nullptr, 0xFFFFFFFFu);
             Draw(context, 6, 0);
             SetBlendState(context, blendOff, nullptr, 0xFFFFFFFFu);
             Draw(context, 6, 6);
         },
         {{16, 24, blended}, {48, 24, kBlack}}},
        {"blending off, then on",
         {204, 102, 51},
         [&] {
             WriteVertices(vertices, Join({Quad(kLeftHalf, 0.5f, 0, 0, 0, 0.25f),
                                           Quad(kRightHalf, 0.5f, 0, 0, 0, 0.25f)}));
             SetBlendState(context, blendOff, nullptr, 0xFFFFFFFFu);
             Draw(context, 6, 0);
             SetBlendState(context, graphics.alphaBlendState, nullptr, 0xFFFFFFFFu);
             Draw(context, 6, 6);
         },
         {{16, 24, kBlack}, {48, 24, blended}}},
        {"write mask red only, then all",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kLeftHalf, 0.5f, 1, 1, 1), Quad(kRightHalf, 0.5f, 1, 1, 1)}));
             SetBlendState(context, redOnly, nullptr, 0xFFFFFFFFu);
             Draw(context, 6, 0);
             SetBlendState(context, nullptr, nullptr, 0xFFFFFFFFu);
             Draw(context, 6, 6);
         },
         {{16, 24, kRed}, {48, 24, {255, 255, 255}}}},
        {"write mask all, then red only",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kLeftHalf, 0.5f, 1, 1, 1), Quad(kRightHalf, 0.5f, 1, 1, 1)}));
             SetBlendState(context, nullptr, nullptr, 0xFFFFFFFFu);
             Draw(context, 6, 0);
             SetBlendState(context, redOnly, nullptr, 0xFFFFFFFFu);
             Draw(context, 6, 6);
         },
         {{16, 24, {255, 255, 255}}, {48, 24, kRed}}},
        {"viewport",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kFull, 0.5f, 1, 0, 0), Quad(kFull, 0.5f, 0, 1, 0)}));
             SetViewportBox(0, 0, 32, 48);
             Draw(context, 6, 0);
             SetViewportBox(32, 0, 32, 24);
             Draw(context, 6, 6);
         },
         {{16, 24, kRed}, {48, 12, kGreen}, {48, 36, kBlack}}},
        {"plain program, then the main one",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kLeftHalf, 0.5f, 2, 0.8f, 0.4f),
                                           Quad(kRightHalf, 0.5f, 2, 0.8f, 0.4f)}));
             BindShaderProgram(graphics, graphics.plainShader);
             Draw(context, 6, 0);
             BindShaderProgram(graphics, graphics.mainShader);
             Draw(context, 6, 6);
         },
         {{16, 24, plainOverbright}, {48, 24, mainOverbright}}},
        {"main program, then the plain one",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kLeftHalf, 0.5f, 2, 0.8f, 0.4f),
                                           Quad(kRightHalf, 0.5f, 2, 0.8f, 0.4f)}));
             BindShaderProgram(graphics, graphics.mainShader);
             Draw(context, 6, 0);
             BindShaderProgram(graphics, graphics.plainShader);
             Draw(context, 6, 6);
         },
         {{16, 24, mainOverbright}, {48, 24, plainOverbright}}},
        {"another vertex buffer",
         kBlack,
         [&] {
             SetVertexBuffer(context, 0, leftVertices, sizeof(Vertex), 0);
             Draw(context, 6, 0);
             SetVertexBuffer(context, 0, rightVertices, sizeof(Vertex), 0);
             Draw(context, 6, 0);
         },
         {leftRed, rightGreen}},
        // Vertices 0..5 are the red quad; the green quad's vertices sit at
        // 6, 8, .., 16 with a stray blue vertex between each two, so a
        // stride of two vertices starting at vertex 3 reads exactly them.
        {"vertex stride, one vertex then two",
         kBlack,
         [&] {
             std::vector<Vertex> data = Quad(kLeftHalf, 0.5f, 1, 0, 0);
             for (const Vertex& v : Quad(kRightHalf, 0.5f, 0, 1, 0)) {
                 data.push_back(v);
                 data.push_back(MakeVertex(-1, -1, 0.5f, 0, 0, 1));
             }
             WriteVertices(vertices, data);
             SetVertexBuffer(context, 0, vertices, sizeof(Vertex), 0);
             Draw(context, 6, 0);
             SetVertexBuffer(context, 0, vertices, 2 * sizeof(Vertex), 0);
             Draw(context, 6, 3);
         },
         {leftRed, rightGreen, {36, 4, kGreen}, {60, 44, kGreen}}},
        {"vertex stride, two vertices then one",
         kBlack,
         [&] {
             std::vector<Vertex> data = Quad(kLeftHalf, 0.5f, 1, 0, 0);
             for (const Vertex& v : Quad(kRightHalf, 0.5f, 0, 1, 0)) {
                 data.push_back(v);
                 data.push_back(MakeVertex(-1, -1, 0.5f, 0, 0, 1));
             }
             WriteVertices(vertices, data);
             SetVertexBuffer(context, 0, vertices, 2 * sizeof(Vertex), 0);
             Draw(context, 6, 3);
             SetVertexBuffer(context, 0, vertices, sizeof(Vertex), 0);
             Draw(context, 6, 0);
         },
         {leftRed, rightGreen, {4, 44, kRed}, {28, 4, kRed}}},
        {"vertex offset",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kLeftHalf, 0.5f, 1, 0, 0), Quad(kRightHalf, 0.5f, 0, 1, 0)}));
             SetVertexBuffer(context, 0, vertices, sizeof(Vertex), 0);
             Draw(context, 6, 0);
             SetVertexBuffer(context, 0, vertices, sizeof(Vertex), 6 * sizeof(Vertex));
             Draw(context, 6, 0);
         },
         {leftRed, rightGreen}},
        {"another index buffer",
         kBlack,
         [&] {
             WriteVertices(vertices,
                           Join({Corners(kLeftHalf, 0.5f, 1, 0, 0), Corners(kRightHalf, 0.5f, 0, 1, 0)}));
             SetIndexBuffer(context, firstIndices, GfxFormat::R32Uint, 0);
             DrawIndexed(context, 6, 0, 0);
             SetIndexBuffer(context, secondIndices, GfxFormat::R32Uint, 0);
             DrawIndexed(context, 6, 0, 0);
         },
         {leftRed, rightGreen}},
        {"index offset",
         kBlack,
         [&] {
             WriteVertices(vertices,
                           Join({Corners(kLeftHalf, 0.5f, 1, 0, 0), Corners(kRightHalf, 0.5f, 0, 1, 0)}));
             WriteIndices(graphics.indexBuffer, {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7});
             SetIndexBuffer(context, graphics.indexBuffer, GfxFormat::R32Uint, 0);
             DrawIndexed(context, 6, 0, 0);
             SetIndexBuffer(context, graphics.indexBuffer, GfxFormat::R32Uint, 6 * sizeof(uint32_t));
             DrawIndexed(context, 6, 0, 0);
         },
         {leftRed, rightGreen}},
        // As lines the six vertices are the top edge, the diagonal from the
        // bottom-left to the top-right corner and the bottom edge: the
        // probes lie well inside the quad, away from all three.
        {"triangles, then lines",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kLeftHalf, 0.5f, 1, 0, 0), Quad(kLeftHalf, 0.5f, 0, 1, 0)}));
             SetTopology(context, GfxTopology::TriangleList);
             Draw(context, 6, 0);
             SetTopology(context, GfxTopology::LineList);
             Draw(context, 6, 6);
         },
         {{4, 8, kRed}, {24, 40, kRed}}},
        {"lines, then triangles",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kLeftHalf, 0.5f, 1, 0, 0), Quad(kLeftHalf, 0.5f, 0, 1, 0)}));
             SetTopology(context, GfxTopology::LineList);
             Draw(context, 6, 6);
             SetTopology(context, GfxTopology::TriangleList);
             Draw(context, 6, 0);
         },
         {{4, 8, kRed}, {24, 40, kRed}}},
        {"culling off, then back faces culled",
         kBlack,
         [&] {
             WriteVertices(vertices,
                           Join({BackQuad(kLeftHalf, 0.5f, 1, 0, 0), BackQuad(kLeftHalf, 0.5f, 0, 1, 0)}));
             SetRasterizerState(context, noCull);
             Draw(context, 6, 0);
             SetRasterizerState(context, nullptr);
             Draw(context, 6, 6);
         },
         {leftRed}},
        {"back faces culled, then culling off",
         kBlack,
         [&] {
             WriteVertices(vertices,
                           Join({BackQuad(kLeftHalf, 0.5f, 1, 0, 0), BackQuad(kLeftHalf, 0.5f, 0, 1, 0)}));
             SetRasterizerState(context, nullptr);
             Draw(context, 6, 6);
             SetRasterizerState(context, noCull);
             Draw(context, 6, 0);
         },
         {leftRed}},
        {"another constant buffer",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kLeftHalf, 0.5f, 1, 1, 1), Quad(kRightHalf, 0.5f, 1, 1, 1)}));
             Draw(context, 6, 0);
             SetConstantBuffer(context, 0, blueTint);
             Draw(context, 6, 6);
         },
         {{16, 24, {255, 255, 255}}, {48, 24, kBlue}}},
        {"another depth view",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kFull, 0.3f, 1, 0, 0), Quad(kFull, 0.6f, 0, 0, 1)}));
             ClearDepth(context, firstDepth, 1.0f);
             ClearDepth(context, secondDepth, 1.0f);
             SetDepthStencilState(context, graphics.depthEnabledState, 0);
             SetRenderTargets(context, graphics.renderTargetView, firstDepth);
             Draw(context, 6, 0);
             SetRenderTargets(context, graphics.renderTargetView, secondDepth);
             Draw(context, 6, 6);  // farther, but nothing is in front in this view
         },
         {{32, 24, kBlue}}},
        // The same top-left viewport lands on other rows of a target of
        // another height; the back buffer must get it at its own top.
        {"render target of another size",
         kBlack,
         [&] {
             WriteVertices(vertices, Join({Quad(kFull, 0.5f, 1, 0, 0), Quad(kFull, 0.5f, 0, 1, 0)}));
             SetViewportBox(0, 0, 32, 24);
             SetRenderTargets(context, smallTarget, nullptr);
             Draw(context, 6, 0);
             SetRenderTargets(context, graphics.renderTargetView, graphics.depthStencilView);
             Draw(context, 6, 6);
         },
         {{16, 12, kGreen}, {48, 12, kBlack}, {16, 36, kBlack}, {48, 36, kBlack}}},
    };

    for (const Case& c : cases) {
        BindDefaults();
        Clear(c.background.r / 255.0f, c.background.g / 255.0f, c.background.b / 255.0f);
        c.draws();
        ASSERT_FALSE(HasFatalFailure()) << c.name;
        ReadBack();
        for (const Probe& probe : c.probes)
            ExpectPixel(probe, c.name);
    }
}

// Everything a draw touches, made afresh for each case so that a case may
// release and remake any of it.
struct DrawObjects {
    GfxBuffer* vertices = nullptr;   // four corners
    GfxBuffer* indices = nullptr;    // kQuadIndices
    GfxBuffer* constants = nullptr;  // one DrawConstants
    GfxShader* vertexShader = nullptr;
    GfxShader* pixelShader = nullptr;
    GfxInputLayout* layout = nullptr;
    GfxDepthStencilView* depth = nullptr;
    GfxBlendState* blend = nullptr;              // red and green only
    GfxDepthStencilState* depthState = nullptr;  // less, no depth writes
};

// Draw A fills the top-left quarter, an event happens, draw B with the same
// state fills the top-right quarter; then draw C covers everything behind
// A and B. Both draws use a colour write mask of red and green and a depth
// test that writes no depth, the two pieces of state clears reset in GL:
// B must write neither blue nor depth, so C, farther than B, shows over
// all of the picture, blue kept from the background. A last pair of
// draws shows that the bound depth view takes depth. Every buffer is
// rewritten before every draw.
TEST_F(DeviceStateTest, DrawsAfterClearsReadBacksPresentsAndNewObjectsStillRenderTheirOwnState)
{
    GfxShaderCode vertexCode, pixelCode;
    std::string diagnostics;
    ASSERT_EQ(CompileShaderFromFile("Shaders/plain.hlsl", "VShader", "vs_4_0", vertexCode, diagnostics),
              S_OK_RESULT)
        << diagnostics;
    ASSERT_EQ(CompileShaderFromFile("Shaders/plain.hlsl", "PShader", "ps_4_0", pixelCode, diagnostics),
              S_OK_RESULT)
        << diagnostics;

    const auto makeVertices = [&] { return MakeBuffer(GfxBindKind::VertexBuffer, 4 * sizeof(Vertex)); };
    const auto makeIndices = [&] { return MakeBuffer(GfxBindKind::IndexBuffer, 6 * sizeof(uint32_t)); };
    const auto makeConstants = [&] { return MakeBuffer(GfxBindKind::ConstantBuffer, sizeof(DrawConstants)); };
    const auto makePixelShader = [&] {
        GfxShader* shader = nullptr;
        EXPECT_EQ(CreatePixelShader(graphics.device, pixelCode, &shader), S_OK_RESULT);
        return shader;
    };
    const auto bindAll = [&](const DrawObjects& o) {
        SetRenderTargets(context, graphics.renderTargetView, o.depth);
        SetVertexBuffer(context, 0, o.vertices, sizeof(Vertex), 0);
        SetIndexBuffer(context, o.indices, GfxFormat::R32Uint, 0);
        SetConstantBuffer(context, 0, o.constants);
        SetShader(context, GfxShaderStage::Vertex, o.vertexShader);
        SetShader(context, GfxShaderStage::Pixel, o.pixelShader);
        SetInputLayout(context, o.layout);
        SetBlendState(context, o.blend, nullptr, 0xFFFFFFFFu);
        SetDepthStencilState(context, o.depthState, 0);
    };
    const auto releaseAll = [](DrawObjects& o) {
        auto drop = [](auto*& object) {
            if (object != nullptr)
                Release(object);
            object = nullptr;
        };
        drop(o.vertices);
        drop(o.indices);
        drop(o.constants);
        drop(o.vertexShader);
        drop(o.pixelShader);
        drop(o.layout);
        drop(o.depth);
        drop(o.blend);
        drop(o.depthState);
    };
    const auto drawQuad = [&](const DrawObjects& o, ClipBox box, float z, float r, float g, float b,
                              const float tint[4]) {
        WriteVertices(o.vertices, Corners(box, z, r, g, b));
        WriteIndices(o.indices, kQuadIndices);
        WriteConstants(o.constants, Identity(), tint);
        DrawIndexed(context, 6, 0, 0);
    };

    const Rgb orange{255, 153, 0}, dimBlue{0, 0, 102};
    struct Case {
        const char* name;
        std::function<void(DrawObjects&)> event;
        Rgb topLeft;     // draw A's quarter after the event
        Rgb background;  // the rest of the picture after the event
    };
    const std::vector<Case> cases = {
        {"nothing", [](DrawObjects&) {}, orange, kBlack},
        // Blue at 0.4 tells a blue channel kept by the mask from one written.
        {"colour clear", [&](DrawObjects&) { ClearColour(0, 0, 0.4f); }, dimBlue, dimBlue},
        {"depth clear", [&](DrawObjects& o) { ClearDepth(context, o.depth, 1.0f); }, orange, kBlack},
        {"read-back",
         [&](DrawObjects&) {
             ReadBack();
             ExpectPixel({16, 12, orange}, "read back between the draws");
         },
         orange, kBlack},
        {"present", [&](DrawObjects&) { EXPECT_EQ(Present(graphics.swapChain, 0, true), S_OK_RESULT); },
         orange, kBlack},
        {"applied state forgotten", [&](DrawObjects&) { ForgetAppliedState(context); }, orange, kBlack},
        {"vertex buffer released and made again",
         [&](DrawObjects& o) {
             Release(o.vertices);
             o.vertices = makeVertices();
             SetVertexBuffer(context, 0, o.vertices, sizeof(Vertex), 0);
         },
         orange, kBlack},
        {"index buffer released and made again",
         [&](DrawObjects& o) {
             Release(o.indices);
             o.indices = makeIndices();
             SetIndexBuffer(context, o.indices, GfxFormat::R32Uint, 0);
         },
         orange, kBlack},
        {"constant buffer released and made again",
         [&](DrawObjects& o) {
             Release(o.constants);
             o.constants = makeConstants();
             SetConstantBuffer(context, 0, o.constants);
         },
         orange, kBlack},
        {"pixel shader released and made again",
         [&](DrawObjects& o) {
             Release(o.pixelShader);
             o.pixelShader = makePixelShader();
             SetShader(context, GfxShaderStage::Pixel, o.pixelShader);
         },
         orange, kBlack},
        {"depth view released and made again",
         [&](DrawObjects& o) {
             Release(o.depth);
             o.depth = MakeDepthView();
             ClearDepth(context, o.depth, 1.0f);
             SetRenderTargets(context, graphics.renderTargetView, o.depth);
         },
         orange, kBlack},
        {"blend and depth states released and made again",
         [&](DrawObjects& o) {
             Release(o.blend);
             Release(o.depthState);
             o.blend = MakeWriteMaskState(0x3);
             o.depthState = MakeDepthState(true, false, GfxComparison::Less);
             SetBlendState(context, o.blend, nullptr, 0xFFFFFFFFu);
             SetDepthStencilState(context, o.depthState, 0);
         },
         orange, kBlack},
        {"an unbound texture made and released",
         [&](DrawObjects&) {
             GfxTextureDesc desc;
             desc.width = 8;
             desc.height = 8;
             desc.format = GfxFormat::R8G8B8A8Unorm;
             GfxTexture2D* texture = nullptr;
             EXPECT_EQ(CreateTexture2D(graphics.device, desc, &texture), S_OK_RESULT);
             if (texture != nullptr)
                 Release(texture);
         },
         orange, kBlack},
    };

    const float aTint[4] = {1.0f, 0.6f, 1.0f, 1.0f};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrawObjects o;
        o.vertices = makeVertices();
        o.indices = makeIndices();
        o.constants = makeConstants();
        EXPECT_EQ(CreateVertexShader(graphics.device, vertexCode, &o.vertexShader), S_OK_RESULT);
        o.pixelShader = makePixelShader();
        EXPECT_EQ(CreateInputLayout(graphics.device, vertexLayout, 2, vertexCode, &o.layout), S_OK_RESULT);
        o.depth = MakeDepthView();
        o.blend = MakeWriteMaskState(0x3);
        o.depthState = MakeDepthState(true, false, GfxComparison::Less);
        if (o.vertices == nullptr || o.indices == nullptr || o.constants == nullptr ||
            o.vertexShader == nullptr || o.pixelShader == nullptr || o.layout == nullptr ||
            o.depth == nullptr || o.blend == nullptr || o.depthState == nullptr) {
            releaseAll(o);
            FAIL() << "objects for the case could not be made";
        }
        BindDefaults();
        bindAll(o);
        ClearColour(0, 0, 0);
        ClearDepth(context, o.depth, 1.0f);

        drawQuad(o, kTopLeft, 0.5f, 1, 1, 1, aTint);
        c.event(o);
        drawQuad(o, kTopRight, 0.5f, 1, 1, 1, kWhite);
        ReadBack();
        ExpectPixel({16, 12, c.topLeft}, c.name);
        ExpectPixel({48, 12, {255, 255, c.background.b}}, c.name);
        ExpectPixel({16, 36, c.background}, c.name);
        ExpectPixel({48, 36, c.background}, c.name);

        drawQuad(o, kFull, 0.7f, 0, 1, 1, kWhite);
        ReadBack();
        const Rgb far{0, 255, c.background.b};
        for (const Probe& probe :
             {Probe{16, 12, far}, Probe{48, 12, far}, Probe{16, 36, far}, Probe{48, 36, far}})
            ExpectPixel(probe, std::string(c.name) + ", after the far draw");

        // The depth view bound now must hold depth: a near quad written
        // with depth hides the top-left quarter from a farther one.
        SetDepthStencilState(context, graphics.depthEnabledState, 0);
        drawQuad(o, kTopLeft, 0.3f, 1, 0, 0, kWhite);
        drawQuad(o, kFull, 0.5f, 0, 1, 0, kWhite);
        ReadBack();
        ExpectPixel({16, 12, {255, 0, c.background.b}}, std::string(c.name) + ", near quad in front");
        ExpectPixel({48, 36, far}, std::string(c.name) + ", far quad elsewhere");
        releaseAll(o);
    }
}

// One buffer written twice in a frame, a draw after each write, for a few
// presented frames: each draw shows its own contents. Only the named buffer
// is rewritten between the two draws of a frame.
TEST_F(DeviceStateTest, ABufferWrittenTwiceInAFrameGivesEachDrawItsOwnContents)
{
    struct Case {
        const char* name;
        std::function<void(const Rgb& first, const Rgb& second)> frame;
    };
    const auto unit = [](const Rgb& c, int channel) {
        return (channel == 0 ? c.r : channel == 1 ? c.g : c.b) / 255.0f;
    };
    const std::vector<Case> cases = {
        {"vertex buffer",
         [&](const Rgb& first, const Rgb& second) {
             WriteVertices(graphics.vertexBuffer,
                           Quad(kLeftHalf, 0.5f, unit(first, 0), unit(first, 1), unit(first, 2)));
             Draw(context, 6, 0);
             WriteVertices(graphics.vertexBuffer,
                           Quad(kRightHalf, 0.5f, unit(second, 0), unit(second, 1), unit(second, 2)));
             Draw(context, 6, 0);
         }},
        {"index buffer",
         [&](const Rgb& first, const Rgb& second) {
             WriteVertices(
                 graphics.vertexBuffer,
                 Join({Corners(kLeftHalf, 0.5f, unit(first, 0), unit(first, 1), unit(first, 2)),
                       Corners(kRightHalf, 0.5f, unit(second, 0), unit(second, 1), unit(second, 2))}));
             WriteIndices(graphics.indexBuffer, kQuadIndices);
             DrawIndexed(context, 6, 0, 0);
             WriteIndices(graphics.indexBuffer, {4, 5, 6, 4, 6, 7});
             DrawIndexed(context, 6, 0, 0);
         }},
        // The second write moves the left quad to the right half.
        {"constant buffer",
         [&](const Rgb& first, const Rgb& second) {
             WriteVertices(graphics.vertexBuffer, Quad(kLeftHalf, 0.5f, 1, 1, 1));
             const float firstTint[4] = {unit(first, 0), unit(first, 1), unit(first, 2), 1};
             const float secondTint[4] = {unit(second, 0), unit(second, 1), unit(second, 2), 1};
             WriteConstants(graphics.constantBuffer, Identity(), firstTint);
             Draw(context, 6, 0);
             WriteConstants(graphics.constantBuffer, Translation(1.0f, 0.0f, 0.0f), secondTint);
             Draw(context, 6, 0);
         }},
    };
    for (const Case& c : cases) {
        for (int frame = 0; frame < 4; ++frame) {
            const std::string where = std::string(c.name) + ", frame " + std::to_string(frame);
            const Rgb first{255 - 60 * frame, 40 * frame, 17};
            const Rgb second{30, 255 - 50 * frame, 60 * frame};
            BindDefaults();
            Clear(0, 0, 0);
            c.frame(first, second);
            ASSERT_FALSE(HasFatalFailure()) << where;
            ReadBack();
            ExpectPixel({16, 24, first}, where);
            ExpectPixel({48, 24, second}, where);
            EXPECT_EQ(Present(graphics.swapChain, 0, true), S_OK_RESULT) << where;
        }
    }
}

}  // namespace
