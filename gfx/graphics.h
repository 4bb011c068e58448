// The program-wide graphics record and the graphics start-up steps: hardware
// enumeration, the device with its swap chain and pipeline states, the three
// shader programs, the shared dynamic buffers and the six matrices. Does not
// draw. Everything here is created once at start-up and held until exit,
// except what ReleaseDirect3D drops at shut-down.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/matrix.h"
#include "core/settings.h"
#include "gfx/device.h"
#include "platform/window.h"

struct PlatformWindow;
struct FontFactory;
struct FontWrapper;

// The only vertex format: 28 bytes, no padding.
struct Vertex {
    float position[3];  // x, y, z
    float color[4];     // r, g, b, a; the 3D passes go above 1
};
static_assert(sizeof(Vertex) == 28, "Vertex must be 28 bytes without padding");

// The layout of constantBuffer: each matrix stored transposed (its columns
// one after the other) so that the shaders compute row vector x matrix.
struct DrawConstants {
    Matrix4 world;
    Matrix4 view;
    Matrix4 projection;
    float tint[4];
};
static_assert(sizeof(DrawConstants) == 208, "DrawConstants must be 208 bytes");

// One program: vertex and pixel shader from the same file and the Vertex
// layout checked against the vertex shader. The other stages are never
// created, so binding a program empties them.
struct ShaderProgram {
    bool loaded = false;                // true once every object was created
    GfxShader* vertexShader = nullptr;  // entry point "VShader"
    GfxShader* pixelShader = nullptr;   // entry point "PShader"
    GfxInputLayout* inputLayout = nullptr;
    GfxShader* geometryShader = nullptr;
    GfxShader* hullShader = nullptr;
    GfxShader* computeShader = nullptr;
    GfxShader* domainShader = nullptr;
};

struct RefreshRate {
    uint32_t numerator = 0;  // 0/0 until a desktop-sized display mode is found
    uint32_t denominator = 0;
};

struct GraphicsContext {
    // Made by InitDirect3D; the first five are released by ReleaseDirect3D.
    GfxDevice* device = nullptr;
    GfxContext* context = nullptr;  // the immediate context
    GfxSwapChain* swapChain = nullptr;
    GfxRenderTargetView* renderTargetView = nullptr;     // back buffer 0
    GfxDepthStencilView* depthStencilView = nullptr;     // holds the depth texture
    GfxDepthStencilState* depthEnabledState = nullptr;   // 3D passes
    GfxDepthStencilState* depthDisabledState = nullptr;  // 2D and overlay passes
    GfxRasterizerState* rasterizerState = nullptr;       // created, never bound
    GfxBlendState* alphaBlendState = nullptr;            // bound once, for good

    // LoadShaders.
    ShaderProgram mainShader;   // loaded, never bound
    ShaderProgram testShader;   // 3D world passes
    ShaderProgram plainShader;  // 2D and overlay passes

    // Text; made by the font step, null until then.
    FontFactory* fontFactory = nullptr;
    FontWrapper* arialFont = nullptr;
    FontWrapper* consolasFont = nullptr;

    // LoadStartingGraphics: every draw rewrites these from the start.
    GfxBuffer* vertexBuffer = nullptr;    // 14336 bytes: 512 Vertex
    GfxBuffer* indexBuffer = nullptr;     // 2048 bytes: 512 uint32_t
    GfxBuffer* constantBuffer = nullptr;  // 208 bytes: one DrawConstants

    RefreshRate refreshRate;  // EnumerateHardware

    Matrix4 identityWorld;      // never changes
    Matrix4 objectWorld;        // per drawn object
    Matrix4 cameraView;         // camera control, every frame
    Matrix4 cameraProjection;   // vertical field of view pi/4, window aspect
    Matrix4 overlayView;        // 2D passes
    Matrix4 overlayProjection;  // back-buffer-sized orthographic
};

// Vertex's two elements, as every program's input layout is made.
extern const GfxInputElement vertexLayout[2];

// Logs the adapter and its memory, sets refreshRate from the display modes
// of the desktop's size and returns the machine's total physical memory.
int32_t EnumerateHardware(GraphicsContext& graphics, uint64_t& totalPhysicalMemory);

// The log part of the enumeration's mode walk: for every mode of the
// desktop's size writes "<num / den>Hz\n" and sets refreshRate; the last
// matching mode decides.
void PickRefreshRate(GraphicsContext& graphics, const std::vector<DisplayMode>& modes, uint32_t desktopWidth,
                     uint32_t desktopHeight);

int32_t InitDirect3D(GraphicsContext& graphics, const Settings& settings, PlatformWindow* mainWindow);
void ReleaseDirect3D(GraphicsContext& graphics);

// Compiles folder/main.hlsl, test.hlsl and plain.hlsl into the three
// programs; the first failure ends the step with its result.
int32_t LoadShaders(GraphicsContext& graphics, const std::string& folder = "Shaders");
bool LoadShaderProgram(GraphicsContext& graphics, const std::wstring& name, ShaderProgram& program,
                       const std::string& folder);
// A program that is not loaded binds nothing; the previous one stays.
void BindShaderProgram(GraphicsContext& graphics, const ShaderProgram& program);

int32_t LoadStartingGraphics(GraphicsContext& graphics, const Settings& settings);
