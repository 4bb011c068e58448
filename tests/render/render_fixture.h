// Test support for rendering: a real device on the offscreen GL driver,
// brought up through the graphics start-up steps (shaders read from Shaders/
// under the working directory, the repository root), and pixel read-back.
// One RenderDevice per test; it releases everything it made when destroyed.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/settings.h"
#include "gfx/graphics.h"
#include "platform/window.h"
#include "render/primitives.h"
#include "render/scene.h"
#include "support/graphics_support.h"

struct Rgba {
    int r = 0, g = 0, b = 0, a = 0;
};

inline std::ostream& operator<<(std::ostream& out, const Rgba& c)
{
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}

// A float colour channel as the 8-bit target stores it.
inline int ToByte(double channel)
{
    return static_cast<int>(std::lround(channel * 255.0));
}

inline bool Near(const Rgba& c, int r, int g, int b, int a, int tolerance = 1)
{
    return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance &&
           std::abs(c.b - b) <= tolerance && std::abs(c.a - a) <= tolerance;
}

// The frame's clear colour (0, 0.2, 0.4, 0) as the 8-bit target stores it.
inline bool IsClearColourPixel(const Rgba& c)
{
    return Near(c, 0, 51, 102, 0);
}

struct RenderDevice {
    Settings settings;
    PlatformWindow* window = nullptr;
    GraphicsContext graphics;
    bool ready = false;
    std::vector<uint8_t> pixels;  // last read-back, RGBA, top row first
    int32_t width = 0, height = 0;

    // Back buffer resolutionX x resolutionY in a window of windowWidth x windowHeight.
    RenderDevice(int32_t resolutionX, int32_t resolutionY, int32_t windowWidth, int32_t windowHeight)
    {
        setenv("VORLANDIS_NO_MESSAGE_BOXES", "1", 0);
        if (!InitPlatform())
            return;
        settings.resolutionX = resolutionX;
        settings.resolutionY = resolutionY;
        settings.windowWidth = windowWidth;
        settings.windowHeight = windowHeight;
        settings.aspectRatio = static_cast<float>(windowWidth) / static_cast<float>(windowHeight);
        window = MakeHiddenWindow(windowWidth, windowHeight);
        if (!window)
            return;
        ready = InitDirect3D(graphics, settings, window) >= 0 && LoadShaders(graphics, "Shaders") >= 0 &&
                LoadStartingGraphics(graphics, settings) >= 0;
    }

    ~RenderDevice()
    {
        ReleaseAllGraphics(graphics);
        if (window)
            DestroyPlatformWindow(window);
    }

    RenderDevice(const RenderDevice&) = delete;
    RenderDevice& operator=(const RenderDevice&) = delete;

    // The 2D overlay pass set-up.
    void BeginOverlayPass()
    {
        SetVertexBuffer(graphics.context, 0, graphics.vertexBuffer, sizeof(Vertex), 0);
        SetDepthStencilState(graphics.context, graphics.depthDisabledState, 1);
        BindShaderProgram(graphics, graphics.plainShader);
    }

    // A depth-tested pass with flat colours, so 3D shapes read back unlit.
    void BeginFlat3DPass()
    {
        SetVertexBuffer(graphics.context, 0, graphics.vertexBuffer, sizeof(Vertex), 0);
        SetDepthStencilState(graphics.context, graphics.depthEnabledState, 1);
        BindShaderProgram(graphics, graphics.plainShader);
    }

    void Clear(float r, float g, float b, float a)
    {
        const float rgba[4] = {r, g, b, a};
        ClearRenderTarget(graphics.context, graphics.renderTargetView, rgba);
        ClearDepth(graphics.context, graphics.depthStencilView, 1.0f);
    }

    void ReadBack()
    {
        pixels.clear();
        ASSERT_GE(ReadBackBuffer(graphics.swapChain, pixels, width, height), 0);
        ASSERT_EQ(width, settings.resolutionX);
        ASSERT_EQ(height, settings.resolutionY);
    }

    // Column x from the left, row y from the top, of the last read-back.
    Rgba At(int x, int y) const
    {
        const uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
        return Rgba{p[0], p[1], p[2], p[3]};
    }
};

// A test with a 320 x 240 back buffer in a window of the same size, cleared
// to the frame's clear colour by BeginFrame.
class RenderTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;

    RenderDevice device{kWidth, kHeight, kWidth, kHeight};
    GraphicsContext& graphics = device.graphics;

    void SetUp() override
    {
        ASSERT_TRUE(device.ready) << "the offscreen device could not be started";
        BeginFrame(graphics);
    }
};

// Overlay point (x, y) -> pixel column / row of a kWidth x kHeight buffer.
inline int OverlayColumn(double x, int width)
{
    return static_cast<int>(std::floor(x + width / 2.0));
}
inline int OverlayRow(double y, int height)
{
    return static_cast<int>(std::floor(y + height / 2.0));
}
