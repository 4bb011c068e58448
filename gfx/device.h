// The device layer: our own records and functions for the GPU operations the
// program uses (device and swap chain, textures, views, pipeline states,
// buffers, shaders, input layouts, binding, drawing, clearing, presenting),
// carried out with OpenGL 3.3 core. Callers own one reference to each object
// they receive and drop it with Release; every object lives until then.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PlatformWindow;
struct PlatformGLContext;

struct GfxDevice;
struct GfxContext;

enum class GfxFormat : uint32_t {
    Unknown = 0,
    R8G8B8A8Unorm,      // colour targets
    D32Float,           // depth targets
    R32Uint,            // indices
    R32G32B32Float,     // vertex position
    R32G32B32A32Float,  // vertex colour
};

// ---------------------------------------------------------------- objects

struct GfxTexture2D {
    GfxDevice* device = nullptr;
    uint32_t name = 0;  // GL texture
    int32_t width = 0, height = 0;
    GfxFormat format = GfxFormat::Unknown;
    int32_t refCount = 1;
};

struct GfxRenderTargetView {
    GfxDevice* device = nullptr;
    GfxTexture2D* texture = nullptr;  // one reference held by the view
    int32_t refCount = 1;
};

struct GfxDepthStencilView {
    GfxDevice* device = nullptr;
    GfxTexture2D* texture = nullptr;  // one reference held by the view
    int32_t refCount = 1;
};

enum class GfxBindKind : uint32_t { VertexBuffer, IndexBuffer, ConstantBuffer };
enum class GfxUsage : uint32_t { Default, Dynamic };

struct GfxBufferDesc {
    uint32_t byteWidth = 0;
    GfxUsage usage = GfxUsage::Dynamic;
    GfxBindKind bindKind = GfxBindKind::VertexBuffer;
    bool cpuWrite = true;  // dynamic buffers are written through MapDiscard
};

struct GfxBufferRing;  // the copies behind a dynamic buffer (device_internal.h)

struct GfxBuffer {
    GfxDevice* device = nullptr;
    uint32_t name = 0;  // GL buffer
    GfxBufferDesc desc;
    bool mapped = false;            // between MapDiscard and Unmap
    GfxBufferRing* ring = nullptr;  // dynamic buffers: owned, freed with the buffer
    int32_t refCount = 1;
};

struct GfxTextureDesc {
    int32_t width = 0, height = 0;  // pixels, 1..the driver's largest texture
    uint32_t mipLevels = 1;
    uint32_t arraySize = 1;
    GfxFormat format = GfxFormat::Unknown;
    uint32_t sampleCount = 1;
    uint32_t sampleQuality = 0;
};

enum class GfxComparison : uint32_t {
    Never,
    Less,
    Equal,
    LessEqual,
    Greater,
    NotEqual,
    GreaterEqual,
    Always
};

struct GfxDepthStencilDesc {
    bool depthEnable = true;
    bool depthWriteAll = true;  // write mask "all"; false writes no depth
    GfxComparison depthFunc = GfxComparison::Less;
    bool stencilEnable = false;  // stencil is not offered: true is refused
};

struct GfxDepthStencilState {
    GfxDevice* device = nullptr;
    GfxDepthStencilDesc desc;
    int32_t refCount = 1;
};

enum class GfxFillMode : uint32_t { Solid, Wireframe };
enum class GfxCullMode : uint32_t { None, Front, Back };

// The default values are the rasterizer behaviour in force when no state is
// bound: solid, back faces culled, clockwise fronts, depth clip on.
struct GfxRasterizerDesc {
    GfxFillMode fillMode = GfxFillMode::Solid;
    GfxCullMode cullMode = GfxCullMode::Back;
    bool frontCounterClockwise = false;
    int32_t depthBias = 0;
    float depthBiasClamp = 0.0f;
    float slopeScaledDepthBias = 0.0f;
    bool depthClipEnable = true;
    bool scissorEnable = false;
    bool multisampleEnable = false;
    bool antialiasedLineEnable = false;
};

struct GfxRasterizerState {
    GfxDevice* device = nullptr;
    GfxRasterizerDesc desc;
    int32_t refCount = 1;
};

enum class GfxBlendFactor : uint32_t {
    Zero,
    One,
    SrcAlpha,
    InvSrcAlpha,
    DestAlpha,
    InvDestAlpha,
    SrcColor,
    InvSrcColor
};
enum class GfxBlendOp : uint32_t { Add, Subtract, ReverseSubtract, Min, Max };

// Render target 0 only; the defaults are blending off with write mask all.
struct GfxBlendDesc {
    bool alphaToCoverageEnable = false;
    bool independentBlendEnable = false;
    bool blendEnable = false;
    GfxBlendFactor srcBlend = GfxBlendFactor::One;
    GfxBlendFactor destBlend = GfxBlendFactor::Zero;
    GfxBlendOp blendOp = GfxBlendOp::Add;
    GfxBlendFactor srcBlendAlpha = GfxBlendFactor::One;
    GfxBlendFactor destBlendAlpha = GfxBlendFactor::Zero;
    GfxBlendOp blendOpAlpha = GfxBlendOp::Add;
    uint8_t writeMask = 0x0F;  // bit 0 red .. bit 3 alpha
};

struct GfxBlendState {
    GfxDevice* device = nullptr;
    GfxBlendDesc desc;
    int32_t refCount = 1;
};

enum class GfxShaderStage : uint32_t { Vertex, Pixel, Geometry, Hull, Domain, Compute };

// One input of a vertex shader as its source declares it.
struct GfxShaderInput {
    std::string semantic;  // upper case, without the index: "POSITION"
    uint32_t semanticIndex = 0;
    uint32_t location = 0;  // attribute location in the generated program
};

// Compiled shader code: SPIR-V of one entry point plus the vertex inputs it
// reads (empty for other stages). Produced by CompileShaderFromFile.
struct GfxShaderCode {
    GfxShaderStage stage = GfxShaderStage::Vertex;
    std::vector<uint32_t> spirv;
    std::vector<GfxShaderInput> inputs;
};

struct GfxShader {
    GfxDevice* device = nullptr;
    GfxShaderStage stage = GfxShaderStage::Vertex;
    uint32_t name = 0;  // GL shader object
    std::string glsl;   // source handed to the driver
    int32_t refCount = 1;
};

// One vertex element: semantic, format, byte offset in the vertex (the
// sentinel GfxAppendAligned places it right after the previous element), and
// input slot 0 with per-vertex data (nothing else is offered).
constexpr uint32_t GfxAppendAligned = 0xFFFFFFFFu;
struct GfxInputElement {
    const char* semantic = "";
    uint32_t semanticIndex = 0;
    GfxFormat format = GfxFormat::Unknown;
    uint32_t inputSlot = 0;
    uint32_t byteOffset = GfxAppendAligned;
};

struct GfxInputLayout {
    GfxDevice* device = nullptr;
    struct Attribute {
        uint32_t location = 0;  // shader input location
        GfxFormat format = GfxFormat::Unknown;
        uint32_t byteOffset = 0;
    };
    std::vector<Attribute> attributes;  // only the elements the shader reads
    int32_t refCount = 1;
};

struct GfxSwapChainDesc {
    int32_t width = 0, height = 0;  // back buffer, pixels
    uint32_t refreshNumerator = 0, refreshDenominator = 0;
    GfxFormat format = GfxFormat::R8G8B8A8Unorm;
    uint32_t sampleCount = 1, sampleQuality = 0;
    uint32_t bufferCount = 1;  // 1..3
    PlatformWindow* outputWindow = nullptr;
    bool windowed = true;  // false: exclusive full screen
    bool allowModeSwitch = true;
};

struct GfxSwapChain {
    GfxDevice* device = nullptr;
    GfxSwapChainDesc desc;
    GfxTexture2D* backBuffer = nullptr;  // buffer 0, one reference held here
    bool fullscreen = false;
    int32_t refCount = 1;
};

enum class GfxTopology : uint32_t { Undefined, LineList, TriangleList };

// Top-left origin, y down, like every other pixel position of the program.
struct GfxViewport {
    float topLeftX = 0.0f, topLeftY = 0.0f;
    float width = 0.0f, height = 0.0f;
    float minDepth = 0.0f, maxDepth = 1.0f;
};

// The immediate context: everything bound, applied to GL at draw and clear
// time so that binding order never matters. Releasing an object clears its
// bindings here, so a pointer in this record is always alive.
struct GfxContext {
    GfxDevice* device = nullptr;
    GfxBuffer* vertexBuffer = nullptr;  // input slot 0
    uint32_t vertexStride = 0;          // bytes
    uint32_t vertexOffset = 0;          // bytes
    GfxBuffer* indexBuffer = nullptr;
    GfxFormat indexFormat = GfxFormat::R32Uint;
    uint32_t indexOffset = 0;             // bytes
    GfxBuffer* constantBuffer = nullptr;  // vertex stage slot 0
    GfxInputLayout* inputLayout = nullptr;
    GfxShader* vertexShader = nullptr;
    GfxShader* pixelShader = nullptr;
    GfxTopology topology = GfxTopology::Undefined;
    GfxDepthStencilState* depthStencilState = nullptr;  // null: depth test on, less
    uint32_t stencilRef = 0;
    GfxBlendState* blendState = nullptr;  // null: blending off
    float blendFactor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    uint32_t sampleMask = 0xFFFFFFFFu;
    GfxRasterizerState* rasterizerState = nullptr;  // null: GfxRasterizerDesc{}
    GfxRenderTargetView* renderTarget = nullptr;
    GfxDepthStencilView* depthStencil = nullptr;
    GfxViewport viewport;
    int32_t refCount = 1;
};

struct GfxDeviceCache;  // GL objects the device keeps for itself (device_internal.h)

struct GfxDevice {
    PlatformWindow* window = nullptr;  // the window the GL context draws to
    PlatformGLContext* glContext = nullptr;
    GfxContext* immediateContext = nullptr;  // not counted in refCount
    int32_t maxTextureSize = 0;              // GL_MAX_TEXTURE_SIZE, pixels
    bool clipControl = false;                // depth range 0..1 by glClipControl
    GfxDeviceCache* cache = nullptr;
    int32_t refCount = 1;  // one per caller reference and child object
};

// ---------------------------------------------------------------- creation

// Makes the GL context on desc.outputWindow (the device and the immediate
// context) and the swap chain with its back buffer. Fails with nothing
// created for a null window, a context the platform refuses or a back buffer
// the driver cannot hold.
int32_t CreateDeviceAndSwapChain(const GfxSwapChainDesc& desc, GfxDevice** device, GfxContext** context,
                                 GfxSwapChain** swapChain);

int32_t CreateTexture2D(GfxDevice* device, const GfxTextureDesc& desc, GfxTexture2D** texture);
int32_t CreateRenderTargetView(GfxDevice* device, GfxTexture2D* texture, GfxRenderTargetView** view);
int32_t CreateDepthStencilView(GfxDevice* device, GfxTexture2D* texture, GfxDepthStencilView** view);
int32_t CreateDepthStencilState(GfxDevice* device, const GfxDepthStencilDesc& desc,
                                GfxDepthStencilState** state);
int32_t CreateRasterizerState(GfxDevice* device, const GfxRasterizerDesc& desc, GfxRasterizerState** state);
int32_t CreateBlendState(GfxDevice* device, const GfxBlendDesc& desc, GfxBlendState** state);
int32_t CreateBuffer(GfxDevice* device, const GfxBufferDesc& desc, GfxBuffer** buffer);

// Compiles the HLSL file at path for entryPoint and target ("vs_4_0",
// "ps_4_0"). A missing or unreadable file gives E_FILE_NOT_FOUND_RESULT; a
// compile error, an empty file or a missing entry point E_FAIL_RESULT. The
// compiler's diagnostics are appended to diagnostics either way.
int32_t CompileShaderFromFile(const std::string& path, const char* entryPoint, const char* target,
                              GfxShaderCode& code, std::string& diagnostics);
// The same for source text in memory; sourceName only labels diagnostics.
int32_t CompileShaderFromText(const std::string& source, const std::string& sourceName,
                              const char* entryPoint, const char* target, GfxShaderCode& code,
                              std::string& diagnostics);

// Translate the code for the driver and compile it there; diagnostics go to
// standard error on failure.
int32_t CreateVertexShader(GfxDevice* device, const GfxShaderCode& code, GfxShader** shader);
int32_t CreatePixelShader(GfxDevice* device, const GfxShaderCode& code, GfxShader** shader);

// Fails with E_INVALIDARG_RESULT when the vertex shader reads an input that
// no element provides, or an element is malformed.
int32_t CreateInputLayout(GfxDevice* device, const GfxInputElement* elements, uint32_t count,
                          const GfxShaderCode& vertexCode, GfxInputLayout** layout);

// ---------------------------------------------------------------- swap chain

// Buffer 0 of the swap chain with one more reference for the caller.
int32_t GetSwapChainBuffer(GfxSwapChain* swapChain, uint32_t index, GfxTexture2D** texture);

// Shows the back buffer: blits it scaled to the window's drawable size and
// swaps. A sync interval above 0 waits for the vertical blank; doNotWait
// never blocks beyond the swap itself.
int32_t Present(GfxSwapChain* swapChain, uint32_t syncInterval, bool doNotWait);
int32_t SetFullscreenState(GfxSwapChain* swapChain, bool fullscreen);

// The back buffer as RGBA8, top row first, width * height * 4 bytes.
int32_t ReadBackBuffer(GfxSwapChain* swapChain, std::vector<uint8_t>& rgba, int32_t& width, int32_t& height);

// ---------------------------------------------------------------- binding

void SetRenderTargets(GfxContext* context, GfxRenderTargetView* target, GfxDepthStencilView* depth);
void SetViewport(GfxContext* context, const GfxViewport& viewport);
void SetDepthStencilState(GfxContext* context, GfxDepthStencilState* state, uint32_t stencilRef);
void SetRasterizerState(GfxContext* context, GfxRasterizerState* state);
// blendFactor may be null (all ones).
void SetBlendState(GfxContext* context, GfxBlendState* state, const float* blendFactor, uint32_t sampleMask);
// Only slot 0 exists; other slots are a programming error.
void SetVertexBuffer(GfxContext* context, uint32_t slot, GfxBuffer* buffer, uint32_t stride, uint32_t offset);
void SetIndexBuffer(GfxContext* context, GfxBuffer* buffer, GfxFormat format, uint32_t offset);
void SetConstantBuffer(GfxContext* context, uint32_t slot, GfxBuffer* buffer);
void SetInputLayout(GfxContext* context, GfxInputLayout* layout);
void SetTopology(GfxContext* context, GfxTopology topology);
// A null shader empties the stage. Only vertex and pixel shaders can be
// created, so the other stages only ever take null.
void SetShader(GfxContext* context, GfxShaderStage stage, GfxShader* shader);

// ---------------------------------------------------------------- data and drawing

// Pointer to the whole buffer, old contents dropped; fails for a buffer
// without CPU write access or one already mapped.
int32_t MapDiscard(GfxContext* context, GfxBuffer* buffer, void** data);
void Unmap(GfxContext* context, GfxBuffer* buffer);

// A draw whose bound state is incomplete (no program, no layout, no vertex
// buffer, a mapped buffer, reads past the end of a buffer) is skipped.
void Draw(GfxContext* context, uint32_t vertexCount, uint32_t startVertex);
void DrawIndexed(GfxContext* context, uint32_t indexCount, uint32_t startIndex, int32_t baseVertex);

void ClearRenderTarget(GfxContext* context, GfxRenderTargetView* target, const float rgba[4]);
// Depth only; stencil is not offered.
void ClearDepth(GfxContext* context, GfxDepthStencilView* view, float depth);

// Waits until the GPU has finished every queued command (tests, soak runs).
void FinishGpuWork(GfxContext* context);

// The layer remembers the GL state it last applied and skips calls that
// would not change it. Code that issues GL calls of its own on the device's
// context calls this afterwards, so the next draw sets every piece again.
void ForgetAppliedState(GfxContext* context);

// ---------------------------------------------------------------- release

// Each drops one reference and returns the references left; at zero the
// object is freed and unbound from the immediate context. The device and
// its GL context go when the last object made on it is gone.
int32_t Release(GfxDevice* device);
int32_t Release(GfxContext* context);
int32_t Release(GfxSwapChain* swapChain);
int32_t Release(GfxTexture2D* texture);
int32_t Release(GfxRenderTargetView* view);
int32_t Release(GfxDepthStencilView* view);
int32_t Release(GfxDepthStencilState* state);
int32_t Release(GfxRasterizerState* state);
int32_t Release(GfxBlendState* state);
int32_t Release(GfxBuffer* buffer);
int32_t Release(GfxShader* shader);
int32_t Release(GfxInputLayout* layout);

// ---------------------------------------------------------------- adapter

struct GfxAdapterFacts {
    std::string description;            // the driver's renderer string
    uint64_t dedicatedVideoMemory = 0;  // bytes; 0 where the driver cannot tell
};

// Facts of the adapter behind the GL context current on this thread; false
// when there is no context or the driver names no renderer.
bool QueryCurrentAdapter(GfxAdapterFacts& facts);

// The device whose GL context is current, or null. Device objects only touch
// GL while their device is the current one.
GfxDevice* CurrentDevice();
