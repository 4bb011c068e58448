// The graphics start-up steps: hardware enumeration, the device and its
// pipeline states, the shader programs, and the shared buffers and matrices.

#include "gfx/graphics.h"

#include <cassert>

#include "core/fatal_error.h"
#include "core/log.h"
#include "core/result.h"
#include "platform/system.h"
#include "platform/window.h"

const GfxInputElement vertexLayout[2] = {
    {"POSITION", 0, GfxFormat::R32G32B32Float, 0, 0},
    {"COLOR", 0, GfxFormat::R32G32B32A32Float, 0, GfxAppendAligned},
};

namespace {

constexpr uint32_t vertexBufferBytes = 14336;  // 512 Vertex
constexpr uint32_t constantBufferBytes = 208;  // one DrawConstants
constexpr uint32_t indexBufferBytes = 2048;    // 512 uint32_t indices
static_assert(vertexBufferBytes == 512 * sizeof(Vertex), "the vertex buffer holds 512 vertices");
static_assert(constantBufferBytes == sizeof(DrawConstants), "the constant buffer holds one DrawConstants");

constexpr float fieldOfViewY = 0.7853982f;  // pi / 4, vertical
constexpr float nearPlane = 0.001f;
constexpr float farPlane = 10000.0f;

// A GL context to ask the driver about the adapter: the current device's,
// or a small hidden window with a context of its own made for the question
// and dropped right after it, so the enumeration needs no device yet.
struct AdapterProbe {
    PlatformWindow* window = nullptr;
    PlatformGLContext* context = nullptr;
};

bool OpenAdapterProbe(AdapterProbe& probe)
{
    if (CurrentDevice() != nullptr)
        return true;
    WindowDesc desc;
    desc.title = "Vorlandis adapter probe";
    desc.width = 16;
    desc.height = 16;
    desc.visible = false;
    probe.window = CreatePlatformWindow(desc);
    if (probe.window == nullptr)
        return false;
    probe.context = CreateGLContext(probe.window);
    return probe.context != nullptr;
}

void CloseAdapterProbe(AdapterProbe& probe)
{
    if (probe.context != nullptr)
        DestroyGLContext(probe.context);
    if (probe.window != nullptr)
        DestroyPlatformWindow(probe.window);
    probe = AdapterProbe();
}

bool Check(FatalError code, int32_t result)
{
    return CheckStartupResult(lastResult, code, result);
}

}  // namespace

// ---------------------------------------------------------------- hardware

void PickRefreshRate(GraphicsContext& graphics, const std::vector<DisplayMode>& modes, uint32_t desktopWidth,
                     uint32_t desktopHeight)
{
    for (const DisplayMode& mode : modes) {
        if (mode.width != desktopWidth || mode.height != desktopHeight)
            continue;
        graphics.refreshRate.numerator = mode.refreshNumerator;
        graphics.refreshRate.denominator = mode.refreshDenominator;
        // A display that cannot tell its rate reports a zero denominator.
        const uint32_t hertz =
            mode.refreshDenominator != 0 ? mode.refreshNumerator / mode.refreshDenominator : 0;
        WriteLog(false, std::to_wstring(hertz) + L"Hz\n");
    }
}

int32_t EnumerateHardware(GraphicsContext& graphics, uint64_t& totalPhysicalMemory)
{
    WriteLog(true, L"Enumerating hardware...\n");

    if (!InitPlatform()) {
        Check(FactoryCreationFailed, E_FAIL_RESULT);
        return lastResult;
    }
    AdapterProbe probe;
    if (!OpenAdapterProbe(probe)) {
        CloseAdapterProbe(probe);
        Check(AdapterEnumerationFailed, E_FAIL_RESULT);
        return lastResult;
    }
    std::vector<DisplayMode> modes;
    if (!GetDisplayModes(modes)) {
        CloseAdapterProbe(probe);
        Check(OutputEnumerationFailed, E_FAIL_RESULT);
        return lastResult;
    }
    if (modes.empty()) {
        CloseAdapterProbe(probe);
        Check(ModeCountFailed, E_FAIL_RESULT);
        return lastResult;
    }
    const DesktopRect desktop = GetDesktopRect();
    GfxAdapterFacts adapter;
    if (!QueryCurrentAdapter(adapter)) {
        CloseAdapterProbe(probe);
        Check(GpuDescriptionFailed, E_FAIL_RESULT);
        return lastResult;
    }

    WriteLog(true, L"> " + FromUtf8(adapter.description) + L"\n");
    WriteLog(true, L"> " + std::to_wstring(adapter.dedicatedVideoMemory >> 20) + L"MB / ");
    PickRefreshRate(graphics, modes, static_cast<uint32_t>(desktop.right),
                    static_cast<uint32_t>(desktop.bottom));
    CloseAdapterProbe(probe);

    totalPhysicalMemory = TotalPhysicalMemory();
    if (totalPhysicalMemory == 0) {
        Check(MemoryInfoFailed, E_FAIL_RESULT);
        return lastResult;
    }
    WriteLog(true, L"done!\n");
    return S_OK_RESULT;
}

// ---------------------------------------------------------------- device

int32_t InitDirect3D(GraphicsContext& graphics, const Settings& settings, PlatformWindow* mainWindow)
{
    WriteLog(true, L"Initializing D3D11... ");

    GfxSwapChainDesc chainDesc;
    chainDesc.width = settings.resolutionX;
    chainDesc.height = settings.resolutionY;
    if (settings.vSync) {
        chainDesc.refreshNumerator = graphics.refreshRate.numerator;
        chainDesc.refreshDenominator = graphics.refreshRate.denominator;
    } else {
        chainDesc.refreshNumerator = 0;
        chainDesc.refreshDenominator = 1;
    }
    chainDesc.format = GfxFormat::R8G8B8A8Unorm;
    chainDesc.bufferCount = settings.tripleBuffering ? 3 : 1;
    chainDesc.outputWindow = mainWindow;
    chainDesc.windowed = !settings.fullscreen;
    chainDesc.allowModeSwitch = true;
    if (!Check(SwapChainFailed,
               CreateDeviceAndSwapChain(chainDesc, &graphics.device, &graphics.context, &graphics.swapChain)))
        return lastResult;

    GfxTextureDesc depthDesc;
    depthDesc.width = settings.resolutionX;
    depthDesc.height = settings.resolutionY;
    depthDesc.format = GfxFormat::D32Float;
    GfxTexture2D* depthTexture = nullptr;
    if (!Check(DepthTextureFailed, CreateTexture2D(graphics.device, depthDesc, &depthTexture)))
        return lastResult;

    GfxDepthStencilDesc depthState;
    depthState.depthEnable = true;
    depthState.depthWriteAll = true;
    depthState.depthFunc = GfxComparison::Less;
    if (!Check(DepthStateFailed,
               CreateDepthStencilState(graphics.device, depthState, &graphics.depthEnabledState)))
        return lastResult;
    depthState.depthEnable = false;
    if (!Check(DepthStateFailed,
               CreateDepthStencilState(graphics.device, depthState, &graphics.depthDisabledState)))
        return lastResult;
    SetDepthStencilState(graphics.context, graphics.depthEnabledState, 1);

    if (!Check(DepthViewFailed,
               CreateDepthStencilView(graphics.device, depthTexture, &graphics.depthStencilView)))
        return lastResult;
    Release(depthTexture);  // the view keeps the texture

    GfxTexture2D* backBuffer = nullptr;
    if (!Check(SurfaceBufferFailed, GetSwapChainBuffer(graphics.swapChain, 0, &backBuffer)))
        return lastResult;
    const bool targetMade = Check(
        RenderTargetFailed, CreateRenderTargetView(graphics.device, backBuffer, &graphics.renderTargetView));
    Release(backBuffer);
    if (!targetMade)
        return lastResult;
    SetRenderTargets(graphics.context, graphics.renderTargetView, graphics.depthStencilView);

    GfxRasterizerDesc rasterizer;
    rasterizer.fillMode = GfxFillMode::Solid;
    rasterizer.cullMode = GfxCullMode::Back;
    rasterizer.frontCounterClockwise = false;
    rasterizer.depthClipEnable = true;
    if (!Check(RasterizerStateFailed,
               CreateRasterizerState(graphics.device, rasterizer, &graphics.rasterizerState)))
        return lastResult;

    GfxViewport viewport;
    viewport.topLeftX = 0.0f;
    viewport.topLeftY = 0.0f;
    viewport.width = static_cast<float>(settings.resolutionX);
    viewport.height = static_cast<float>(settings.resolutionY);
    viewport.minDepth = 0.0f;
    viewport.maxDepth = 1.0f;
    SetViewport(graphics.context, viewport);

    GfxBlendDesc blend;
    blend.blendEnable = true;
    blend.srcBlend = GfxBlendFactor::SrcAlpha;
    blend.destBlend = GfxBlendFactor::InvSrcAlpha;
    blend.blendOp = GfxBlendOp::Add;
    blend.srcBlendAlpha = GfxBlendFactor::One;
    blend.destBlendAlpha = GfxBlendFactor::Zero;
    blend.blendOpAlpha = GfxBlendOp::Add;
    blend.writeMask = 0x0F;
    if (!Check(BlendStateFailed, CreateBlendState(graphics.device, blend, &graphics.alphaBlendState)))
        return lastResult;
    SetBlendState(graphics.context, graphics.alphaBlendState, nullptr, 0xFFFFFFFFu);

    WriteLog(false, L"done!\n");
    return S_OK_RESULT;
}

void ReleaseDirect3D(GraphicsContext& graphics)
{
    WriteLog(true, L"Cleaning D3D11... ");
    if (graphics.swapChain != nullptr)
        SetFullscreenState(graphics.swapChain, false);
    if (graphics.swapChain != nullptr)
        Release(graphics.swapChain);
    if (graphics.device != nullptr)
        Release(graphics.device);
    if (graphics.context != nullptr)
        Release(graphics.context);
    if (graphics.renderTargetView != nullptr)
        Release(graphics.renderTargetView);
    if (graphics.depthStencilView != nullptr)
        Release(graphics.depthStencilView);
    graphics.swapChain = nullptr;
    graphics.device = nullptr;
    graphics.context = nullptr;
    graphics.renderTargetView = nullptr;
    graphics.depthStencilView = nullptr;
    WriteLog(false, L"done!\n");
}

// ---------------------------------------------------------------- shaders

bool LoadShaderProgram(GraphicsContext& graphics, const std::wstring& name, ShaderProgram& program,
                       const std::string& folder)
{
    const std::string path = folder + "/" + ToUtf8(name) + ".hlsl";
    std::string diagnostics;

    GfxShaderCode vertexCode;
    int32_t result = CompileShaderFromFile(path, "VShader", "vs_4_0", vertexCode, diagnostics);
    if (Failed(result))
        WriteStandardError(diagnostics);
    if (!Check(ShaderCompileFailed, result))
        return false;
    if (!Check(ShaderCreateFailed, CreateVertexShader(graphics.device, vertexCode, &program.vertexShader)))
        return false;
    if (!Check(InputLayoutFailed,
               CreateInputLayout(graphics.device, vertexLayout, 2, vertexCode, &program.inputLayout)))
        return false;

    GfxShaderCode pixelCode;
    diagnostics.clear();
    result = CompileShaderFromFile(path, "PShader", "ps_4_0", pixelCode, diagnostics);
    if (Failed(result))
        WriteStandardError(diagnostics);
    if (!Check(ShaderCompileFailed, result))
        return false;
    if (!Check(ShaderCreateFailed, CreatePixelShader(graphics.device, pixelCode, &program.pixelShader)))
        return false;

    program.loaded = true;
    return true;
}

int32_t LoadShaders(GraphicsContext& graphics, const std::string& folder)
{
    WriteLog(true, L"Loading shaders... ");
    if (!LoadShaderProgram(graphics, L"main", graphics.mainShader, folder))
        return lastResult;
    if (!LoadShaderProgram(graphics, L"test", graphics.testShader, folder))
        return lastResult;
    if (!LoadShaderProgram(graphics, L"plain", graphics.plainShader, folder))
        return lastResult;
    WriteLog(false, L"done!\n");
    return S_OK_RESULT;
}

void BindShaderProgram(GraphicsContext& graphics, const ShaderProgram& program)
{
    assert(graphics.context != nullptr && "BindShaderProgram needs the device");
    if (!program.loaded)
        return;
    SetShader(graphics.context, GfxShaderStage::Vertex, program.vertexShader);
    SetShader(graphics.context, GfxShaderStage::Pixel, program.pixelShader);
    SetInputLayout(graphics.context, program.inputLayout);
    SetShader(graphics.context, GfxShaderStage::Geometry, program.geometryShader);
    SetShader(graphics.context, GfxShaderStage::Hull, program.hullShader);
    SetShader(graphics.context, GfxShaderStage::Compute, program.computeShader);
    SetShader(graphics.context, GfxShaderStage::Domain, program.domainShader);
}

// ---------------------------------------------------------------- buffers and matrices

int32_t LoadStartingGraphics(GraphicsContext& graphics, const Settings& settings)
{
    WriteLog(true, L"Loading starting graphics... ");

    GfxBufferDesc desc;
    desc.usage = GfxUsage::Dynamic;
    desc.cpuWrite = true;
    desc.byteWidth = vertexBufferBytes;
    desc.bindKind = GfxBindKind::VertexBuffer;
    if (!Check(VertexBufferFailed, CreateBuffer(graphics.device, desc, &graphics.vertexBuffer)))
        return lastResult;
    desc.byteWidth = constantBufferBytes;
    desc.bindKind = GfxBindKind::ConstantBuffer;
    if (!Check(ConstantBufferFailed, CreateBuffer(graphics.device, desc, &graphics.constantBuffer)))
        return lastResult;
    desc.byteWidth = indexBufferBytes;
    desc.bindKind = GfxBindKind::IndexBuffer;
    if (!Check(IndexBufferFailed, CreateBuffer(graphics.device, desc, &graphics.indexBuffer)))
        return lastResult;

    SetVertexBuffer(graphics.context, 0, graphics.vertexBuffer, sizeof(Vertex), 0);
    SetIndexBuffer(graphics.context, graphics.indexBuffer, GfxFormat::R32Uint, 0);
    SetConstantBuffer(graphics.context, 0, graphics.constantBuffer);

    graphics.identityWorld = Identity();
    graphics.objectWorld = Identity();
    const Float3 eye{0.0f, 0.0f, -1.0f};
    const Float3 direction{0.0f, 0.0f, 1.0f};
    const Float3 up{0.0f, 1.0f, 0.0f};
    graphics.cameraView = LookToLH(eye, direction, up);
    graphics.overlayView = LookToLH(eye, direction, up);
    graphics.cameraProjection = PerspectiveFovLH(fieldOfViewY, settings.aspectRatio, nearPlane, farPlane);
    graphics.overlayProjection =
        OrthographicLH(static_cast<float>(settings.resolutionX), static_cast<float>(settings.resolutionY),
                       nearPlane, farPlane);

    WriteLog(false, L"done!\n");
    return S_OK_RESULT;
}
