// Test support for the graphics layer: a hidden window with a device built
// by the real start-up steps, a recorder of log text and message boxes, and
// pixel helpers over the read-back back buffer. Each fixture frees every
// graphics object it made, so the next test starts with no device.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/fatal_error.h"
#include "core/log.h"
#include "core/settings.h"
#include "gfx/graphics.h"
#include "platform/system.h"
#include "platform/window.h"
#include "support/graphics_support.h"

struct RecordedBox {
    std::wstring text;
    std::wstring caption;
};

// Everything logged and every message box shown while a Recorder lives.
struct Recorder {
    static std::wstring& Log()
    {
        static std::wstring log;
        return log;
    }
    static std::vector<RecordedBox>& Boxes()
    {
        static std::vector<RecordedBox> boxes;
        return boxes;
    }
    Recorder()
    {
        Log().clear();
        Boxes().clear();
        debugLog.mirror = [](const std::wstring& text) { Log() += text; };
        SetMessageBoxRecorder([](PlatformWindow*, const std::wstring& text, const std::wstring& caption) {
            Boxes().push_back({text, caption});
        });
    }
    ~Recorder()
    {
        debugLog.mirror = nullptr;
        SetMessageBoxRecorder(nullptr);
    }
};

inline Settings MakeSettings(int32_t width, int32_t height)
{
    Settings settings;
    settings.windowWidth = width;
    settings.windowHeight = height;
    settings.resolutionX = width;
    settings.resolutionY = height;
    settings.aspectRatio = static_cast<float>(width) / static_cast<float>(height);
    return settings;
}

// A hidden window and the graphics start-up steps up to the buffers.
class GraphicsFixture : public ::testing::Test {
public:
    struct Pixel {
        int r, g, b, a;
    };

protected:
    static constexpr int32_t width = 64;
    static constexpr int32_t height = 48;

    void SetUp() override
    {
        ASSERT_TRUE(InitPlatform());
        window = MakeHiddenWindow(width, height);
        ASSERT_NE(window, nullptr);
        settings = MakeSettings(width, height);
        ASSERT_EQ(InitDirect3D(graphics, settings, window), 0);
        ASSERT_EQ(LoadShaders(graphics, "Shaders"), 0);
        ASSERT_EQ(LoadStartingGraphics(graphics, settings), 0);
    }

    void TearDown() override
    {
        ReleaseAllGraphics(graphics);
        if (window != nullptr)
            DestroyPlatformWindow(window);
        EXPECT_EQ(CurrentDevice(), nullptr) << "a graphics object was left alive";
    }

    void Clear(float r, float g, float b, float a = 1.0f)
    {
        const float rgba[4] = {r, g, b, a};
        ClearRenderTarget(graphics.context, graphics.renderTargetView, rgba);
        ClearDepth(graphics.context, graphics.depthStencilView, 1.0f);
    }

    // Writes the constants and the vertices, binds the pass as every drawing
    // pass does, and draws them non-indexed.
    void DrawVertices(const std::vector<Vertex>& vertices, const ShaderProgram& program, GfxTopology topology,
                      const Matrix4& world, const Matrix4& view, const Matrix4& projection,
                      const float tint[4] = nullptr, bool depth = false)
    {
        DrawConstants constants;
        constants.world = Transpose(world);
        constants.view = Transpose(view);
        constants.projection = Transpose(projection);
        for (int i = 0; i < 4; ++i)
            constants.tint[i] = tint != nullptr ? tint[i] : 1.0f;
        void* data = nullptr;
        ASSERT_EQ(MapDiscard(graphics.context, graphics.constantBuffer, &data), 0);
        std::memcpy(data, &constants, sizeof constants);
        Unmap(graphics.context, graphics.constantBuffer);
        ASSERT_EQ(MapDiscard(graphics.context, graphics.vertexBuffer, &data), 0);
        std::memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex));
        Unmap(graphics.context, graphics.vertexBuffer);
        SetVertexBuffer(graphics.context, 0, graphics.vertexBuffer, sizeof(Vertex), 0);
        SetDepthStencilState(graphics.context,
                             depth ? graphics.depthEnabledState : graphics.depthDisabledState, 1);
        BindShaderProgram(graphics, program);
        SetTopology(graphics.context, topology);
        Draw(graphics.context, static_cast<uint32_t>(vertices.size()), 0);
    }

    // Draws in clip space: every matrix the identity.
    void DrawClip(const std::vector<Vertex>& vertices, GfxTopology topology = GfxTopology::TriangleList,
                  const float tint[4] = nullptr)
    {
        DrawVertices(vertices, graphics.plainShader, topology, Identity(), Identity(), Identity(), tint);
    }

    void ReadBack()
    {
        int32_t w = 0, h = 0;
        ASSERT_EQ(ReadBackBuffer(graphics.swapChain, pixels, w, h), 0);
        ASSERT_EQ(w, width);
        ASSERT_EQ(h, height);
    }

    // (x, y) from the top-left corner of the last read-back.
    Pixel At(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * width + static_cast<size_t>(x)) * 4;
        return {pixels[i], pixels[i + 1], pixels[i + 2], pixels[i + 3]};
    }

    PlatformWindow* window = nullptr;
    Settings settings;
    GraphicsContext graphics;
    std::vector<uint8_t> pixels;
};

inline Vertex MakeVertex(float x, float y, float z, float r, float g, float b, float a = 1.0f)
{
    Vertex v;
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    v.color[0] = r;
    v.color[1] = g;
    v.color[2] = b;
    v.color[3] = a;
    return v;
}

// A folder of shader files for one test, removed again at the end.
struct TemporaryShaderFolder {
    std::filesystem::path path;
    TemporaryShaderFolder()
    {
        path = std::filesystem::temp_directory_path() /
               ("vorlandis_shaders_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TemporaryShaderFolder() { std::filesystem::remove_all(path); }
    void Write(const std::string& name, const std::string& text) const
    {
        std::ofstream(path / (name + ".hlsl"), std::ios::binary) << text;
    }
    void CopyFromRepository(const std::string& name) const
    {
        std::filesystem::copy_file("Shaders/" + name + ".hlsl", path / (name + ".hlsl"),
                                   std::filesystem::copy_options::overwrite_existing);
    }
};
