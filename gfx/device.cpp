// The device layer over OpenGL 3.3 core, creation and lifetime: object
// creation with validation, reference counting and release, the swap chain
// (present, full screen, read-back) and the adapter facts. Binding, buffer
// maps, draws and clears are in device_draw.cpp.

#include "gfx/device.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cassert>
#include <cstring>

#include "core/result.h"
#include "gfx/device_internal.h"
#include "gfx/shader_compiler.h"
#include "platform/system.h"
#include "platform/window.h"

namespace {

GfxDevice* currentDevice = nullptr;

}  // namespace

bool Live(const GfxDevice* device)
{
    return device != nullptr && device == currentDevice;
}

uint32_t FormatBytes(GfxFormat format)
{
    switch (format) {
    case GfxFormat::R8G8B8A8Unorm:
        return 4;
    case GfxFormat::D32Float:
        return 4;
    case GfxFormat::R32Uint:
        return 4;
    case GfxFormat::R32G32B32Float:
        return 12;
    case GfxFormat::R32G32B32A32Float:
        return 16;
    default:
        return 0;
    }
}

void AttachToFramebuffer(GLuint framebuffer, GLenum target, GLuint colorTexture, GLuint depthTexture)
{
    glBindFramebuffer(target, framebuffer);
    glFramebufferTexture2D(target, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorTexture, 0);
    glFramebufferTexture2D(target, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depthTexture, 0);
}

namespace {

// Every dynamic buffer gets at least two copies and at most this many bytes
// of copies (unless two copies need more), and never more than kMaxSlices.
constexpr uint64_t kRingBytes = 1u * 1024u * 1024u;
constexpr uint32_t kMaxSlices = 1024;
constexpr uint32_t kRingSegments = 4;

void DeleteRing(GfxBufferRing* ring, bool live)
{
    if (ring == nullptr)
        return;
    if (live)
        for (GLsync fence : ring->fences)
            if (fence != nullptr)
                glDeleteSync(fence);
    delete ring;
}

void ClearGLErrors()
{
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {}
}

int32_t ResultOfGLError(GLenum error)
{
    if (error == GL_NO_ERROR)
        return S_OK_RESULT;
    return error == GL_OUT_OF_MEMORY ? E_OUTOFMEMORY_RESULT : E_INVALIDARG_RESULT;
}

void AddRef(GfxDevice* device)
{
    assert(device != nullptr && device->refCount > 0 && "a live device is needed");
    ++device->refCount;
}

// Drops every binding of object from the device's immediate context.
void Unbind(GfxDevice* device, const void* object)
{
    if (device == nullptr || device->immediateContext == nullptr)
        return;
    GfxContext* c = device->immediateContext;
    if (c->vertexBuffer == object)
        c->vertexBuffer = nullptr;
    if (c->indexBuffer == object)
        c->indexBuffer = nullptr;
    if (c->constantBuffer == object)
        c->constantBuffer = nullptr;
    if (c->inputLayout == object)
        c->inputLayout = nullptr;
    if (c->vertexShader == object)
        c->vertexShader = nullptr;
    if (c->pixelShader == object)
        c->pixelShader = nullptr;
    if (c->depthStencilState == object)
        c->depthStencilState = nullptr;
    if (c->blendState == object)
        c->blendState = nullptr;
    if (c->rasterizerState == object)
        c->rasterizerState = nullptr;
    if (c->renderTarget == object)
        c->renderTarget = nullptr;
    if (c->depthStencil == object)
        c->depthStencil = nullptr;
}

void DestroyDevice(GfxDevice* device)
{
    GfxDeviceCache* cache = device->cache;
    if (Live(device) && cache != nullptr) {
        for (const LinkedProgram& linked : cache->programs)
            if (linked.program != 0)
                glDeleteProgram(linked.program);
        glDeleteFramebuffers(1, &cache->drawFramebuffer);
        glDeleteFramebuffers(1, &cache->clearFramebuffer);
        glDeleteFramebuffers(1, &cache->readFramebuffer);
        glDeleteVertexArrays(1, &cache->vertexArray);
    }
    delete cache;
    if (currentDevice == device)
        currentDevice = nullptr;
    if (device->glContext != nullptr)
        DestroyGLContext(device->glContext);
    delete device;
}

// Drops one reference of object; at zero unbinds it, runs destroy and
// releases the object's hold on its device.
template <typename T, typename Destroy>
int32_t DropReference(T* object, Destroy destroy)
{
    assert(object != nullptr && object->refCount > 0 && "Release needs a live object");
    if (--object->refCount > 0)
        return object->refCount;
    GfxDevice* device = object->device;
    Unbind(device, object);
    destroy(object);
    delete object;
    if (device != nullptr)
        Release(device);
    return 0;
}

int32_t CheckTextureDesc(const GfxDevice* device, const GfxTextureDesc& desc)
{
    if (desc.width < 1 || desc.height < 1 || desc.width > device->maxTextureSize ||
        desc.height > device->maxTextureSize)
        return E_INVALIDARG_RESULT;
    if (desc.mipLevels != 1 || desc.arraySize != 1 || desc.sampleCount != 1 || desc.sampleQuality != 0)
        return E_INVALIDARG_RESULT;
    if (desc.format != GfxFormat::R8G8B8A8Unorm && desc.format != GfxFormat::D32Float)
        return E_INVALIDARG_RESULT;
    return S_OK_RESULT;
}

int32_t CreateTextureObject(GfxDevice* device, const GfxTextureDesc& desc, GfxTexture2D** texture)
{
    const int32_t valid = CheckTextureDesc(device, desc);
    if (Failed(valid))
        return valid;
    const bool depth = desc.format == GfxFormat::D32Float;
    GLuint name = 0;
    ClearGLErrors();
    ForgetApplied(device);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, depth ? GL_DEPTH_COMPONENT32F : GL_RGBA8, desc.width, desc.height, 0,
                 depth ? GL_DEPTH_COMPONENT : GL_RGBA, depth ? GL_FLOAT : GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    const int32_t result = ResultOfGLError(glGetError());
    if (Failed(result)) {
        glDeleteTextures(1, &name);
        return result;
    }
    auto* made = new GfxTexture2D;
    made->device = device;
    made->name = name;
    made->width = desc.width;
    made->height = desc.height;
    made->format = desc.format;
    AddRef(device);
    *texture = made;
    return S_OK_RESULT;
}

int32_t CreateShaderObject(GfxDevice* device, const GfxShaderCode& code, GfxShaderStage stage,
                           GfxShader** shader)
{
    assert(shader != nullptr && "CreateShader needs somewhere to put the shader");
    *shader = nullptr;
    if (!Live(device))
        return E_FAIL_RESULT;
    if (code.stage != stage || code.spirv.empty())
        return E_INVALIDARG_RESULT;
    std::string glsl, diagnostics;
    const int32_t translated = TranslateShaderToGlsl(code, !device->clipControl, glsl, diagnostics);
    if (Failed(translated)) {
        WriteStandardError(diagnostics);
        return translated;
    }
    GLuint name = glCreateShader(stage == GfxShaderStage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
    const char* text = glsl.c_str();
    glShaderSource(name, 1, &text, nullptr);
    glCompileShader(name);
    GLint status = GL_FALSE;
    glGetShaderiv(name, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE) {
        GLint length = 0;
        glGetShaderiv(name, GL_INFO_LOG_LENGTH, &length);
        std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
        glGetShaderInfoLog(name, length, nullptr, &log[0]);
        WriteStandardError("The driver refused a generated shader:\n" + log + "\n");
        glDeleteShader(name);
        return E_FAIL_RESULT;
    }
    auto* made = new GfxShader;
    made->device = device;
    made->stage = stage;
    made->name = name;
    made->glsl = std::move(glsl);
    AddRef(device);
    *shader = made;
    return S_OK_RESULT;
}

}  // namespace

// ---------------------------------------------------------------- creation

int32_t CreateDeviceAndSwapChain(const GfxSwapChainDesc& desc, GfxDevice** device, GfxContext** context,
                                 GfxSwapChain** swapChain)
{
    assert(device != nullptr && context != nullptr && swapChain != nullptr &&
           "CreateDeviceAndSwapChain needs all three outputs");
    *device = nullptr;
    *context = nullptr;
    *swapChain = nullptr;
    if (desc.outputWindow == nullptr || desc.format != GfxFormat::R8G8B8A8Unorm || desc.sampleCount != 1 ||
        desc.sampleQuality != 0 || desc.bufferCount < 1 || desc.bufferCount > 16 || desc.width < 1 ||
        desc.height < 1)
        return E_INVALIDARG_RESULT;

    PlatformGLContext* glContext = CreateGLContext(desc.outputWindow);
    if (glContext == nullptr)
        return E_FAIL_RESULT;

    auto* made = new GfxDevice;
    made->window = desc.outputWindow;
    made->glContext = glContext;
    made->cache = new GfxDeviceCache;
    currentDevice = made;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &made->maxTextureSize);
    made->clipControl = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
    if (made->clipControl)
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glGenFramebuffers(1, &made->cache->drawFramebuffer);
    glGenFramebuffers(1, &made->cache->clearFramebuffer);
    glGenFramebuffers(1, &made->cache->readFramebuffer);
    glGenVertexArrays(1, &made->cache->vertexArray);
    GLint uniformAlignment = 0;
    glGetIntegerv(GL_UNIFORM_BUFFER_OFFSET_ALIGNMENT, &uniformAlignment);
    while (made->cache->sliceGranule < static_cast<uint32_t>(uniformAlignment))
        made->cache->sliceGranule *= 2;

    GfxTextureDesc bufferDesc;
    bufferDesc.width = desc.width;
    bufferDesc.height = desc.height;
    bufferDesc.format = desc.format;
    GfxTexture2D* backBuffer = nullptr;
    const int32_t created = CreateTextureObject(made, bufferDesc, &backBuffer);
    if (Failed(created)) {
        Release(made);
        return created;
    }

    auto* immediate = new GfxContext;
    immediate->device = made;
    AddRef(made);
    made->immediateContext = immediate;

    auto* chain = new GfxSwapChain;
    chain->device = made;
    chain->desc = desc;
    chain->backBuffer = backBuffer;
    AddRef(made);
    if (!desc.windowed) {
        SetWindowFullscreen(desc.outputWindow, true);
        chain->fullscreen = true;
    }

    *device = made;
    *context = immediate;
    *swapChain = chain;
    return S_OK_RESULT;
}

int32_t CreateTexture2D(GfxDevice* device, const GfxTextureDesc& desc, GfxTexture2D** texture)
{
    assert(texture != nullptr && "CreateTexture2D needs somewhere to put the texture");
    *texture = nullptr;
    if (!Live(device))
        return E_FAIL_RESULT;
    return CreateTextureObject(device, desc, texture);
}

int32_t CreateRenderTargetView(GfxDevice* device, GfxTexture2D* texture, GfxRenderTargetView** view)
{
    assert(view != nullptr && "CreateRenderTargetView needs somewhere to put the view");
    *view = nullptr;
    if (!Live(device) || texture == nullptr || texture->device != device ||
        texture->format != GfxFormat::R8G8B8A8Unorm)
        return E_INVALIDARG_RESULT;
    auto* made = new GfxRenderTargetView;
    made->device = device;
    made->texture = texture;
    ++texture->refCount;
    AddRef(device);
    *view = made;
    return S_OK_RESULT;
}

int32_t CreateDepthStencilView(GfxDevice* device, GfxTexture2D* texture, GfxDepthStencilView** view)
{
    assert(view != nullptr && "CreateDepthStencilView needs somewhere to put the view");
    *view = nullptr;
    if (!Live(device) || texture == nullptr || texture->device != device ||
        texture->format != GfxFormat::D32Float)
        return E_INVALIDARG_RESULT;
    auto* made = new GfxDepthStencilView;
    made->device = device;
    made->texture = texture;
    ++texture->refCount;
    AddRef(device);
    *view = made;
    return S_OK_RESULT;
}

int32_t CreateDepthStencilState(GfxDevice* device, const GfxDepthStencilDesc& desc,
                                GfxDepthStencilState** state)
{
    assert(state != nullptr && "CreateDepthStencilState needs somewhere to put the state");
    *state = nullptr;
    if (!Live(device))
        return E_FAIL_RESULT;
    if (desc.stencilEnable || desc.depthFunc < GfxComparison::Never || desc.depthFunc > GfxComparison::Always)
        return E_INVALIDARG_RESULT;
    auto* made = new GfxDepthStencilState;
    made->device = device;
    made->desc = desc;
    AddRef(device);
    *state = made;
    return S_OK_RESULT;
}

int32_t CreateRasterizerState(GfxDevice* device, const GfxRasterizerDesc& desc, GfxRasterizerState** state)
{
    assert(state != nullptr && "CreateRasterizerState needs somewhere to put the state");
    *state = nullptr;
    if (!Live(device))
        return E_FAIL_RESULT;
    if (desc.fillMode > GfxFillMode::Wireframe || desc.cullMode > GfxCullMode::Back)
        return E_INVALIDARG_RESULT;
    auto* made = new GfxRasterizerState;
    made->device = device;
    made->desc = desc;
    AddRef(device);
    *state = made;
    return S_OK_RESULT;
}

int32_t CreateBlendState(GfxDevice* device, const GfxBlendDesc& desc, GfxBlendState** state)
{
    assert(state != nullptr && "CreateBlendState needs somewhere to put the state");
    *state = nullptr;
    if (!Live(device))
        return E_FAIL_RESULT;
    // Alpha to coverage needs multisampling, which no target here has.
    if (desc.alphaToCoverageEnable || desc.writeMask > 0x0F)
        return E_INVALIDARG_RESULT;
    auto* made = new GfxBlendState;
    made->device = device;
    made->desc = desc;
    AddRef(device);
    *state = made;
    return S_OK_RESULT;
}

int32_t CreateBuffer(GfxDevice* device, const GfxBufferDesc& desc, GfxBuffer** buffer)
{
    assert(buffer != nullptr && "CreateBuffer needs somewhere to put the buffer");
    *buffer = nullptr;
    if (!Live(device))
        return E_FAIL_RESULT;
    if (desc.byteWidth == 0 || (desc.usage == GfxUsage::Dynamic && !desc.cpuWrite) ||
        (desc.usage == GfxUsage::Default && desc.cpuWrite))
        return E_INVALIDARG_RESULT;
    // A constant buffer holds whole 16-byte registers, at most 4096 of them.
    if (desc.bindKind == GfxBindKind::ConstantBuffer && (desc.byteWidth % 16 != 0 || desc.byteWidth > 65536))
        return E_INVALIDARG_RESULT;
    GfxBufferRing* ring = nullptr;
    uint64_t storageBytes = desc.byteWidth;
    if (desc.usage == GfxUsage::Dynamic) {
        const uint64_t granule = device->cache->sliceGranule;
        const uint64_t sliceBytes = (uint64_t(desc.byteWidth) + granule - 1) / granule * granule;
        uint64_t slices = std::min<uint64_t>(std::max<uint64_t>(kRingBytes / sliceBytes, 2), kMaxSlices);
        const uint64_t segments = std::min<uint64_t>(kRingSegments, slices);
        slices = slices / segments * segments;
        if (sliceBytes * slices > uint64_t(INT32_MAX))
            return E_OUTOFMEMORY_RESULT;
        ring = new GfxBufferRing;
        ring->sliceBytes = static_cast<uint32_t>(sliceBytes);
        ring->sliceCount = static_cast<uint32_t>(slices);
        ring->segmentSlices = static_cast<uint32_t>(slices / segments);
        ring->slice = ring->sliceCount - 1;  // the first map starts the first segment
        ring->fences.assign(segments, nullptr);
        storageBytes = sliceBytes * slices;
    }
    GLuint name = 0;
    ClearGLErrors();
    glGenBuffers(1, &name);
    glBindBuffer(GL_COPY_WRITE_BUFFER, name);
    glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(storageBytes), nullptr,
                 desc.usage == GfxUsage::Dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    const int32_t result = ResultOfGLError(glGetError());
    if (Failed(result)) {
        glDeleteBuffers(1, &name);
        DeleteRing(ring, true);
        return result;
    }
    // A new buffer may take the name of one released earlier that the
    // applied state still records.
    ForgetApplied(device);
    auto* made = new GfxBuffer;
    made->device = device;
    made->name = name;
    made->desc = desc;
    made->ring = ring;
    AddRef(device);
    *buffer = made;
    return S_OK_RESULT;
}

int32_t CreateVertexShader(GfxDevice* device, const GfxShaderCode& code, GfxShader** shader)
{
    return CreateShaderObject(device, code, GfxShaderStage::Vertex, shader);
}

int32_t CreatePixelShader(GfxDevice* device, const GfxShaderCode& code, GfxShader** shader)
{
    return CreateShaderObject(device, code, GfxShaderStage::Pixel, shader);
}

int32_t CreateInputLayout(GfxDevice* device, const GfxInputElement* elements, uint32_t count,
                          const GfxShaderCode& vertexCode, GfxInputLayout** layout)
{
    assert(layout != nullptr && "CreateInputLayout needs somewhere to put the layout");
    *layout = nullptr;
    if (!Live(device))
        return E_FAIL_RESULT;
    if (elements == nullptr || count == 0 || count > 16 || vertexCode.stage != GfxShaderStage::Vertex)
        return E_INVALIDARG_RESULT;

    struct Placed {
        std::string semantic;
        uint32_t index;
        GfxFormat format;
        uint32_t offset;
    };
    std::vector<Placed> placed;
    uint32_t nextOffset = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const GfxInputElement& element = elements[i];
        const uint32_t bytes = FormatBytes(element.format);
        if (element.semantic == nullptr || element.semantic[0] == '\0' || element.inputSlot != 0 ||
            (element.format != GfxFormat::R32G32B32Float && element.format != GfxFormat::R32G32B32A32Float))
            return E_INVALIDARG_RESULT;
        const uint32_t offset = element.byteOffset == GfxAppendAligned ? nextOffset : element.byteOffset;
        if (offset % 4 != 0 || offset > 2048)
            return E_INVALIDARG_RESULT;
        std::string semantic;
        for (const char* c = element.semantic; *c != '\0'; ++c)
            semantic += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
        for (const Placed& earlier : placed)
            if (earlier.semantic == semantic && earlier.index == element.semanticIndex)
                return E_INVALIDARG_RESULT;
        placed.push_back({semantic, element.semanticIndex, element.format, offset});
        nextOffset = offset + bytes;
    }

    auto* made = new GfxInputLayout;
    for (const GfxShaderInput& input : vertexCode.inputs) {
        const Placed* match = nullptr;
        for (const Placed& candidate : placed)
            if (candidate.semantic == input.semantic && candidate.index == input.semanticIndex)
                match = &candidate;
        if (match == nullptr || input.location >= 16) {
            WriteStandardError("The vertex shader reads " + input.semantic +
                               std::to_string(input.semanticIndex) +
                               ", which the input layout does not provide.\n");
            delete made;
            return E_INVALIDARG_RESULT;
        }
        made->attributes.push_back({input.location, match->format, match->offset});
    }
    made->device = device;
    AddRef(device);
    *layout = made;
    return S_OK_RESULT;
}

// ---------------------------------------------------------------- swap chain

int32_t GetSwapChainBuffer(GfxSwapChain* swapChain, uint32_t index, GfxTexture2D** texture)
{
    assert(swapChain != nullptr && texture != nullptr &&
           "GetSwapChainBuffer needs a swap chain and an output");
    *texture = nullptr;
    if (index != 0 || swapChain->backBuffer == nullptr)
        return E_INVALIDARG_RESULT;
    ++swapChain->backBuffer->refCount;
    *texture = swapChain->backBuffer;
    return S_OK_RESULT;
}

int32_t Present(GfxSwapChain* swapChain, uint32_t syncInterval, bool doNotWait)
{
    assert(swapChain != nullptr && "Present needs a swap chain");
    GfxDevice* device = swapChain->device;
    if (!Live(device))
        return E_FAIL_RESULT;
    GfxDeviceCache* cache = device->cache;
    ForgetApplied(device);
    int32_t drawableWidth = 0, drawableHeight = 0;
    GetWindowDrawableSize(device->window, &drawableWidth, &drawableHeight);
    if (drawableWidth > 0 && drawableHeight > 0) {
        const GfxTexture2D* back = swapChain->backBuffer;
        AttachToFramebuffer(cache->readFramebuffer, GL_READ_FRAMEBUFFER, back->name, 0);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        const bool sameSize = drawableWidth == back->width && drawableHeight == back->height;
        glBlitFramebuffer(0, 0, back->width, back->height, 0, 0, drawableWidth, drawableHeight,
                          GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    }
    // A wait for the vertical blank is the only wait a swap has; not
    // waiting means presenting at once.
    const int interval = (syncInterval > 0 && !doNotWait) ? 1 : 0;
    if (interval != cache->swapInterval) {
        SetSwapInterval(interval);
        cache->swapInterval = interval;
    }
    SwapWindowBuffers(device->window);
    return S_OK_RESULT;
}

int32_t SetFullscreenState(GfxSwapChain* swapChain, bool fullscreen)
{
    assert(swapChain != nullptr && "SetFullscreenState needs a swap chain");
    if (swapChain->device == nullptr || swapChain->device->window == nullptr)
        return E_FAIL_RESULT;
    if (swapChain->fullscreen != fullscreen)
        SetWindowFullscreen(swapChain->device->window, fullscreen);
    swapChain->fullscreen = fullscreen;
    return S_OK_RESULT;
}

int32_t ReadBackBuffer(GfxSwapChain* swapChain, std::vector<uint8_t>& rgba, int32_t& width, int32_t& height)
{
    assert(swapChain != nullptr && "ReadBackBuffer needs a swap chain");
    GfxDevice* device = swapChain->device;
    if (!Live(device))
        return E_FAIL_RESULT;
    const GfxTexture2D* back = swapChain->backBuffer;
    width = back->width;
    height = back->height;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> bottomUp(rowBytes * static_cast<size_t>(height));
    ForgetApplied(device);
    AttachToFramebuffer(device->cache->readFramebuffer, GL_READ_FRAMEBUFFER, back->name, 0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    rgba.resize(bottomUp.size());
    for (int32_t row = 0; row < height; ++row)
        std::memcpy(&rgba[static_cast<size_t>(row) * rowBytes],
                    &bottomUp[static_cast<size_t>(height - 1 - row) * rowBytes], rowBytes);
    return S_OK_RESULT;
}

// ---------------------------------------------------------------- release

int32_t Release(GfxDevice* device)
{
    assert(device != nullptr && device->refCount > 0 && "Release needs a live device");
    if (--device->refCount > 0)
        return device->refCount;
    DestroyDevice(device);
    return 0;
}

int32_t Release(GfxContext* context)
{
    return DropReference(context, [](GfxContext* c) {
        if (c->device != nullptr && c->device->immediateContext == c)
            c->device->immediateContext = nullptr;
    });
}

int32_t Release(GfxSwapChain* swapChain)
{
    return DropReference(swapChain, [](GfxSwapChain* s) {
        if (s->fullscreen)
            SetFullscreenState(s, false);
        if (s->backBuffer != nullptr)
            Release(s->backBuffer);
        s->backBuffer = nullptr;
    });
}

int32_t Release(GfxTexture2D* texture)
{
    return DropReference(texture, [](GfxTexture2D* t) {
        if (Live(t->device)) {
            GfxDeviceCache* cache = t->device->cache;
            if (cache->attachedColor == t->name || cache->attachedDepth == t->name) {
                AttachToFramebuffer(cache->drawFramebuffer, GL_DRAW_FRAMEBUFFER, 0, 0);
                cache->attachedColor = cache->attachedDepth = 0;
                cache->drawFramebufferComplete = false;
            }
            glDeleteTextures(1, &t->name);
        }
        ForgetApplied(t->device);
    });
}

int32_t Release(GfxRenderTargetView* view)
{
    return DropReference(view, [](GfxRenderTargetView* v) { Release(v->texture); });
}

int32_t Release(GfxDepthStencilView* view)
{
    return DropReference(view, [](GfxDepthStencilView* v) { Release(v->texture); });
}

int32_t Release(GfxDepthStencilState* state)
{
    return DropReference(state, [](GfxDepthStencilState*) {});
}

int32_t Release(GfxRasterizerState* state)
{
    return DropReference(state, [](GfxRasterizerState*) {});
}

int32_t Release(GfxBlendState* state)
{
    return DropReference(state, [](GfxBlendState*) {});
}

int32_t Release(GfxBuffer* buffer)
{
    return DropReference(buffer, [](GfxBuffer* b) {
        const bool live = Live(b->device);
        if (live)
            glDeleteBuffers(1, &b->name);
        DeleteRing(b->ring, live);
        b->ring = nullptr;
        ForgetApplied(b->device);
    });
}

int32_t Release(GfxShader* shader)
{
    return DropReference(shader, [](GfxShader* s) {
        if (s->device == nullptr || s->device->cache == nullptr)
            return;
        std::vector<LinkedProgram>& programs = s->device->cache->programs;
        const bool live = Live(s->device);
        for (const LinkedProgram& linked : programs)
            if ((linked.vertexShader == s || linked.pixelShader == s) && linked.program != 0 && live)
                glDeleteProgram(linked.program);
        programs.erase(std::remove_if(programs.begin(), programs.end(),
                                      [s](const LinkedProgram& linked) {
                                          return linked.vertexShader == s || linked.pixelShader == s;
                                      }),
                       programs.end());
        if (live)
            glDeleteShader(s->name);
        ForgetApplied(s->device);
    });
}

int32_t Release(GfxInputLayout* layout)
{
    return DropReference(layout, [](GfxInputLayout*) {});
}

// ---------------------------------------------------------------- adapter

bool QueryCurrentAdapter(GfxAdapterFacts& facts)
{
    facts = GfxAdapterFacts();
    const GLubyte* renderer = glGetString(GL_RENDERER);
    if (renderer == nullptr)
        return false;
    facts.description = reinterpret_cast<const char*>(renderer);
    ClearGLErrors();
    GLint kibibytes[4] = {};
    if (epoxy_has_gl_extension("GL_NVX_gpu_memory_info"))
        glGetIntegerv(GL_GPU_MEMORY_INFO_DEDICATED_VIDMEM_NVX, kibibytes);
    else if (epoxy_has_gl_extension("GL_ATI_meminfo"))
        glGetIntegerv(GL_VBO_FREE_MEMORY_ATI, kibibytes);
    if (glGetError() == GL_NO_ERROR && kibibytes[0] > 0)
        facts.dedicatedVideoMemory = static_cast<uint64_t>(kibibytes[0]) * 1024u;
    return true;
}

GfxDevice* CurrentDevice()
{
    return currentDevice;
}
