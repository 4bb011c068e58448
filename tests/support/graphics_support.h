// Graphics set-up shared by the rendering test programs: a hidden window for
// a device, and the release of everything a GraphicsContext can hold, so
// that each test leaves no device or GL context behind.
#pragma once

#include <cstdint>

#include "gfx/graphics.h"
#include "platform/window.h"

// Releases every object a GraphicsContext can hold, so that the device and
// its GL context go away.
inline void ReleaseAllGraphics(GraphicsContext& graphics)
{
    auto drop = [](auto*& object) {
        if (object != nullptr)
            Release(object);
        object = nullptr;
    };
    for (ShaderProgram* program : {&graphics.mainShader, &graphics.testShader, &graphics.plainShader}) {
        drop(program->vertexShader);
        drop(program->pixelShader);
        drop(program->inputLayout);
        program->loaded = false;
    }
    drop(graphics.vertexBuffer);
    drop(graphics.indexBuffer);
    drop(graphics.constantBuffer);
    drop(graphics.depthEnabledState);
    drop(graphics.depthDisabledState);
    drop(graphics.rasterizerState);
    drop(graphics.alphaBlendState);
    drop(graphics.renderTargetView);
    drop(graphics.depthStencilView);
    drop(graphics.swapChain);
    drop(graphics.context);
    drop(graphics.device);
}

inline PlatformWindow* MakeHiddenWindow(int32_t width, int32_t height)
{
    WindowDesc desc;
    desc.width = width;
    desc.height = height;
    desc.visible = false;
    return CreatePlatformWindow(desc);
}
