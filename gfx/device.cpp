// The device layer over OpenGL 3.3 core: object creation with validation,
// reference counting, the bound state of the immediate context and its
// application to GL at draw and clear time, present and read-back. What was
// last applied to GL is remembered per device so that unchanged state costs
// no GL call, and dynamic buffers are rings of copies so that a map never
// waits for or flushes the draws still reading the previous contents.

#include "gfx/device.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cassert>
#include <cstring>

#include "core/result.h"
#include "gfx/shader_compiler.h"
#include "platform/system.h"
#include "platform/window.h"

// A vertex and a pixel shader linked into one GL program, made on first use.
struct LinkedProgram {
    GfxShader* vertexShader = nullptr;
    GfxShader* pixelShader = nullptr;
    GLuint program = 0;            // 0 when linking failed: draws with the pair are skipped
    GLint constantBlockSize = -1;  // bytes the program reads from slot 0; -1 when it reads none
};

// The GL state the last draw left behind, as far as draws set it. Valid
// only while `known`; anything that changes GL state outside PrepareDraw
// clears `known` (ForgetApplied) and the next draw sets every piece again.
struct AppliedState {
    bool known = false;
    GLuint program = 0;
    GLuint arrayBuffer = 0;      // GL_ARRAY_BUFFER binding
    GLuint pointerBuffer = 0;    // buffer the attribute pointers read
    uint32_t pointerStride = 0;  // bytes
    uintptr_t pointerBase = 0;   // bytes: ring copy + bound offset
    std::vector<GfxInputLayout::Attribute> pointerAttributes;
    uint32_t enabledAttributes = 0;  // bit per attribute location
    GLuint elementBuffer = 0;        // index binding of the vertex array
    GLuint uniformBuffer = 0;        // uniform binding 0: buffer, offset, size
    GLintptr uniformOffset = 0;
    GLsizeiptr uniformSize = 0;
    GfxRasterizerDesc rasterizer;
    GfxDepthStencilDesc depth;
    GfxBlendDesc blend;
    float blendFactor[4] = {};
    GfxViewport viewport;
    int32_t targetHeight = 0;  // pixels; the viewport depends on it
};

struct GfxDeviceCache {
    GLuint drawFramebuffer = 0;   // carries the bound render target and depth view
    GLuint clearFramebuffer = 0;  // carries the one view a clear addresses
    GLuint readFramebuffer = 0;   // carries the back buffer for present and read-back
    GLuint vertexArray = 0;
    GLuint attachedColor = 0, attachedDepth = 0;  // textures on drawFramebuffer
    bool drawFramebufferComplete = false;         // for the attachments above
    uint32_t sliceGranule = 256;                  // bytes between ring copies: a multiple of this
    int swapInterval = -2;                        // last interval given to the platform
    AppliedState applied;
    std::vector<LinkedProgram> programs;
};

// The GL storage of a dynamic buffer holds sliceCount copies of it,
// sliceBytes apart. Each MapDiscard hands out the next copy unsynchronized,
// so the driver neither waits for nor flushes the draws still reading the
// previous copy (Mesa's software rasterizer would otherwise render its
// queued scene at every map); draws read the copy handed out last. The ring
// is cut into segments with one fence each: leaving a segment sets its
// fence, entering a segment waits for the fence set when it was last left,
// a whole lap earlier, so no copy is rewritten while a draw may still read
// it. The storage is made once and never re-created.
struct GfxBufferRing {
    uint32_t sliceBytes = 0;
    uint32_t sliceCount = 0;
    uint32_t segmentSlices = 0;  // slices per segment; sliceCount is a multiple
    uint32_t slice = 0;          // the copy holding the buffer's contents
    std::vector<GLsync> fences;  // per segment; null when none is pending
};

namespace {

GfxDevice* currentDevice = nullptr;

bool Live(const GfxDevice* device)
{
    return device != nullptr && device == currentDevice;
}

void ForgetApplied(GfxDevice* device)
{
    if (device != nullptr && device->cache != nullptr)
        device->cache->applied.known = false;
}

// Every dynamic buffer gets at least two copies and at most this many bytes
// of copies (unless two copies need more), and never more than kMaxSlices.
constexpr uint64_t kRingBytes = 1u * 1024u * 1024u;
constexpr uint32_t kMaxSlices = 1024;
constexpr uint32_t kRingSegments = 4;

// Byte offset of the copy a draw reads; 0 for buffers without copies.
uintptr_t RingOffset(const GfxBuffer* buffer)
{
    const GfxBufferRing* ring = buffer->ring;
    return ring != nullptr ? uintptr_t(ring->slice) * ring->sliceBytes : 0;
}

// Waits until fence is signalled; flushing first, so the wait can end.
void WaitAndDeleteFence(GLsync& fence)
{
    if (fence == nullptr)
        return;
    constexpr GLuint64 kOneSecond = 1000000000u;
    GLbitfield flags = GL_SYNC_FLUSH_COMMANDS_BIT;
    for (;;) {
        const GLenum status = glClientWaitSync(fence, flags, kOneSecond);
        if (status != GL_TIMEOUT_EXPIRED)
            break;  // signalled, or a failed wait that waiting longer cannot fix
        flags = 0;
    }
    glDeleteSync(fence);
    fence = nullptr;
}

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

bool SameRasterizer(const GfxRasterizerDesc& a, const GfxRasterizerDesc& b)
{
    return a.fillMode == b.fillMode && a.cullMode == b.cullMode &&
           a.frontCounterClockwise == b.frontCounterClockwise && a.depthBias == b.depthBias &&
           a.depthBiasClamp == b.depthBiasClamp && a.slopeScaledDepthBias == b.slopeScaledDepthBias &&
           a.depthClipEnable == b.depthClipEnable && a.scissorEnable == b.scissorEnable &&
           a.multisampleEnable == b.multisampleEnable && a.antialiasedLineEnable == b.antialiasedLineEnable;
}

bool SameDepth(const GfxDepthStencilDesc& a, const GfxDepthStencilDesc& b)
{
    return a.depthEnable == b.depthEnable && a.depthWriteAll == b.depthWriteAll &&
           a.depthFunc == b.depthFunc && a.stencilEnable == b.stencilEnable;
}

bool SameBlend(const GfxBlendDesc& a, const GfxBlendDesc& b)
{
    return a.alphaToCoverageEnable == b.alphaToCoverageEnable &&
           a.independentBlendEnable == b.independentBlendEnable && a.blendEnable == b.blendEnable &&
           a.srcBlend == b.srcBlend && a.destBlend == b.destBlend && a.blendOp == b.blendOp &&
           a.srcBlendAlpha == b.srcBlendAlpha && a.destBlendAlpha == b.destBlendAlpha &&
           a.blendOpAlpha == b.blendOpAlpha && a.writeMask == b.writeMask;
}

bool SameViewport(const GfxViewport& a, const GfxViewport& b)
{
    return a.topLeftX == b.topLeftX && a.topLeftY == b.topLeftY && a.width == b.width &&
           a.height == b.height && a.minDepth == b.minDepth && a.maxDepth == b.maxDepth;
}

bool SameAttributes(const std::vector<GfxInputLayout::Attribute>& a,
                    const std::vector<GfxInputLayout::Attribute>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].location != b[i].location || a[i].format != b[i].format ||
            a[i].byteOffset != b[i].byteOffset)
            return false;
    return true;
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

GLint FormatComponents(GfxFormat format)
{
    return format == GfxFormat::R32G32B32Float ? 3 : 4;
}

GLenum ComparisonFunc(GfxComparison comparison)
{
    switch (comparison) {
    case GfxComparison::Never:
        return GL_NEVER;
    case GfxComparison::Less:
        return GL_LESS;
    case GfxComparison::Equal:
        return GL_EQUAL;
    case GfxComparison::LessEqual:
        return GL_LEQUAL;
    case GfxComparison::Greater:
        return GL_GREATER;
    case GfxComparison::NotEqual:
        return GL_NOTEQUAL;
    case GfxComparison::GreaterEqual:
        return GL_GEQUAL;
    case GfxComparison::Always:
        return GL_ALWAYS;
    }
    return GL_LESS;
}

GLenum BlendFactorOf(GfxBlendFactor factor)
{
    switch (factor) {
    case GfxBlendFactor::Zero:
        return GL_ZERO;
    case GfxBlendFactor::One:
        return GL_ONE;
    case GfxBlendFactor::SrcAlpha:
        return GL_SRC_ALPHA;
    case GfxBlendFactor::InvSrcAlpha:
        return GL_ONE_MINUS_SRC_ALPHA;
    case GfxBlendFactor::DestAlpha:
        return GL_DST_ALPHA;
    case GfxBlendFactor::InvDestAlpha:
        return GL_ONE_MINUS_DST_ALPHA;
    case GfxBlendFactor::SrcColor:
        return GL_SRC_COLOR;
    case GfxBlendFactor::InvSrcColor:
        return GL_ONE_MINUS_SRC_COLOR;
    }
    return GL_ONE;
}

GLenum BlendOpOf(GfxBlendOp op)
{
    switch (op) {
    case GfxBlendOp::Add:
        return GL_FUNC_ADD;
    case GfxBlendOp::Subtract:
        return GL_FUNC_SUBTRACT;
    case GfxBlendOp::ReverseSubtract:
        return GL_FUNC_REVERSE_SUBTRACT;
    case GfxBlendOp::Min:
        return GL_MIN;
    case GfxBlendOp::Max:
        return GL_MAX;
    }
    return GL_FUNC_ADD;
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

void AttachToFramebuffer(GLuint framebuffer, GLenum target, GLuint colorTexture, GLuint depthTexture)
{
    glBindFramebuffer(target, framebuffer);
    glFramebufferTexture2D(target, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colorTexture, 0);
    glFramebufferTexture2D(target, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depthTexture, 0);
}

// Binds the draw framebuffer with the context's views; false when there is
// nothing complete to draw into.
bool ApplyTargets(GfxContext* context, int32_t& targetHeight)
{
    GfxDeviceCache* cache = context->device->cache;
    const GLuint color = context->renderTarget != nullptr ? context->renderTarget->texture->name : 0;
    const GLuint depth = context->depthStencil != nullptr ? context->depthStencil->texture->name : 0;
    if (color == 0 && depth == 0)
        return false;
    // Clears and present bind other framebuffers and forget the applied state.
    if (!cache->applied.known)
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, cache->drawFramebuffer);
    if (color != cache->attachedColor || depth != cache->attachedDepth) {
        AttachToFramebuffer(cache->drawFramebuffer, GL_DRAW_FRAMEBUFFER, color, depth);
        glDrawBuffer(color != 0 ? GL_COLOR_ATTACHMENT0 : GL_NONE);
        cache->attachedColor = color;
        cache->attachedDepth = depth;
        cache->drawFramebufferComplete =
            glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    }
    targetHeight = context->renderTarget != nullptr ? context->renderTarget->texture->height
                                                    : context->depthStencil->texture->height;
    return cache->drawFramebufferComplete;
}

LinkedProgram* FindOrLinkProgram(GfxDevice* device, GfxShader* vertexShader, GfxShader* pixelShader)
{
    std::vector<LinkedProgram>& programs = device->cache->programs;
    for (LinkedProgram& linked : programs)
        if (linked.vertexShader == vertexShader && linked.pixelShader == pixelShader)
            return &linked;

    LinkedProgram linked;
    linked.vertexShader = vertexShader;
    linked.pixelShader = pixelShader;
    GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader->name);
    glAttachShader(program, pixelShader->name);
    for (uint32_t location = 0; location < 16; ++location)
        glBindAttribLocation(program, location, VertexInputName(location).c_str());
    glBindFragDataLocation(program, 0, PixelOutputName(0).c_str());
    glLinkProgram(program);
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (status != GL_TRUE) {
        GLint length = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
        glGetProgramInfoLog(program, length, nullptr, &log[0]);
        WriteStandardError("Linking a shader program failed:\n" + log + "\n");
        glDeleteProgram(program);
        program = 0;
    } else {
        const GLuint block = glGetUniformBlockIndex(program, ConstantBlockName(0).c_str());
        if (block != GL_INVALID_INDEX) {
            glUniformBlockBinding(program, block, 0);
            glGetActiveUniformBlockiv(program, block, GL_UNIFORM_BLOCK_DATA_SIZE, &linked.constantBlockSize);
        }
    }
    linked.program = program;
    programs.push_back(linked);
    return &programs.back();
}

void ApplyRasterizer(const GfxRasterizerDesc& desc)
{
    glPolygonMode(GL_FRONT_AND_BACK, desc.fillMode == GfxFillMode::Wireframe ? GL_LINE : GL_FILL);
    if (desc.cullMode == GfxCullMode::None) {
        glDisable(GL_CULL_FACE);
    } else {
        glEnable(GL_CULL_FACE);
        glCullFace(desc.cullMode == GfxCullMode::Front ? GL_FRONT : GL_BACK);
    }
    glFrontFace(desc.frontCounterClockwise ? GL_CCW : GL_CW);
    if (desc.depthClipEnable)
        glDisable(GL_DEPTH_CLAMP);
    else
        glEnable(GL_DEPTH_CLAMP);
    if (desc.depthBias != 0 || desc.slopeScaledDepthBias != 0.0f) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(desc.slopeScaledDepthBias, static_cast<float>(desc.depthBias));
    } else {
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
    glDisable(GL_SCISSOR_TEST);
}

void ApplyDepth(const GfxDepthStencilDesc& depth)
{
    if (depth.depthEnable) {
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(ComparisonFunc(depth.depthFunc));
        glDepthMask(depth.depthWriteAll ? GL_TRUE : GL_FALSE);
    } else {
        glDisable(GL_DEPTH_TEST);  // no test means no depth writes either
    }
    glDisable(GL_STENCIL_TEST);
}

void ApplyBlend(const GfxBlendDesc& blend, const float blendFactor[4])
{
    if (blend.blendEnable) {
        glEnable(GL_BLEND);
        glBlendFuncSeparate(BlendFactorOf(blend.srcBlend), BlendFactorOf(blend.destBlend),
                            BlendFactorOf(blend.srcBlendAlpha), BlendFactorOf(blend.destBlendAlpha));
        glBlendEquationSeparate(BlendOpOf(blend.blendOp), BlendOpOf(blend.blendOpAlpha));
        glBlendColor(blendFactor[0], blendFactor[1], blendFactor[2], blendFactor[3]);
    } else {
        glDisable(GL_BLEND);
    }
    glColorMask((blend.writeMask & 1) != 0, (blend.writeMask & 2) != 0, (blend.writeMask & 4) != 0,
                (blend.writeMask & 8) != 0);
}

void ApplyViewport(const GfxViewport& viewport, int32_t targetHeight)
{
    // The viewport's origin is the top-left corner; GL counts rows from the
    // bottom of the target.
    const float bottom = static_cast<float>(targetHeight) - viewport.topLeftY - viewport.height;
    glViewport(static_cast<GLint>(viewport.topLeftX), static_cast<GLint>(bottom),
               static_cast<GLsizei>(std::max(viewport.width, 0.0f)),
               static_cast<GLsizei>(std::max(viewport.height, 0.0f)));
    glDepthRange(viewport.minDepth, viewport.maxDepth);
}

uint32_t LayoutVertexBytes(const GfxInputLayout* layout)
{
    uint32_t end = 0;
    for (const GfxInputLayout::Attribute& attribute : layout->attributes)
        end = std::max(end, attribute.byteOffset + FormatBytes(attribute.format));
    return end;
}

bool Mapped(const GfxBuffer* buffer)
{
    return buffer != nullptr && buffer->mapped;
}

// Everything shared by Draw and DrawIndexed; the vertex range is checked
// by the caller. False when the draw must be skipped.
bool PrepareDraw(GfxContext* context, GLenum& mode)
{
    if (!Live(context->device) || context->vertexShader == nullptr || context->pixelShader == nullptr ||
        context->inputLayout == nullptr)
        return false;
    if (context->topology == GfxTopology::LineList)
        mode = GL_LINES;
    else if (context->topology == GfxTopology::TriangleList)
        mode = GL_TRIANGLES;
    else
        return false;
    if (Mapped(context->vertexBuffer) || Mapped(context->indexBuffer) || Mapped(context->constantBuffer))
        return false;

    LinkedProgram* linked = FindOrLinkProgram(context->device, context->vertexShader, context->pixelShader);
    if (linked->program == 0)
        return false;
    if (linked->constantBlockSize >= 0 &&
        (context->constantBuffer == nullptr ||
         context->constantBuffer->desc.byteWidth < static_cast<uint32_t>(linked->constantBlockSize)))
        return false;

    int32_t targetHeight = 0;
    if (!ApplyTargets(context, targetHeight))
        return false;
    GfxDeviceCache* cache = context->device->cache;
    AppliedState& applied = cache->applied;
    const bool known = applied.known;
    if (!known || applied.program != linked->program) {
        glUseProgram(linked->program);
        applied.program = linked->program;
    }
    if (!known)
        glBindVertexArray(cache->vertexArray);

    // Attribute pointers capture the buffer bound to GL_ARRAY_BUFFER, so they
    // are set again only when the buffer, its copy, the stride, the offset or
    // the layout changed.
    const GfxBuffer* vertexBuffer = context->vertexBuffer;
    const GLuint vertexName = vertexBuffer != nullptr ? vertexBuffer->name : 0;
    const uintptr_t vertexBase =
        vertexBuffer != nullptr ? RingOffset(vertexBuffer) + context->vertexOffset : 0;
    const std::vector<GfxInputLayout::Attribute>& attributes = context->inputLayout->attributes;
    if (!known || applied.pointerBuffer != vertexName || applied.pointerStride != context->vertexStride ||
        applied.pointerBase != vertexBase || !SameAttributes(applied.pointerAttributes, attributes)) {
        if (!known || applied.arrayBuffer != vertexName) {
            glBindBuffer(GL_ARRAY_BUFFER, vertexName);
            applied.arrayBuffer = vertexName;
        }
        uint32_t wanted = 0;
        for (const GfxInputLayout::Attribute& attribute : attributes) {
            wanted |= 1u << attribute.location;
            glVertexAttribPointer(attribute.location, FormatComponents(attribute.format), GL_FLOAT, GL_FALSE,
                                  static_cast<GLsizei>(context->vertexStride),
                                  reinterpret_cast<const void*>(vertexBase + attribute.byteOffset));
        }
        for (uint32_t location = 0; location < 16; ++location) {
            const uint32_t bit = 1u << location;
            const bool enabled = (applied.enabledAttributes & bit) != 0;
            if ((wanted & bit) != 0 && (!known || !enabled))
                glEnableVertexAttribArray(location);
            if ((wanted & bit) == 0 && (!known || enabled))
                glDisableVertexAttribArray(location);
        }
        applied.enabledAttributes = wanted;
        applied.pointerBuffer = vertexName;
        applied.pointerStride = context->vertexStride;
        applied.pointerBase = vertexBase;
        applied.pointerAttributes = attributes;
    }

    const GLuint indexName = context->indexBuffer != nullptr ? context->indexBuffer->name : 0;
    if (!known || applied.elementBuffer != indexName) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexName);
        applied.elementBuffer = indexName;
    }

    const GfxBuffer* constants = context->constantBuffer;
    const GLuint uniformName = constants != nullptr ? constants->name : 0;
    const GLintptr uniformOffset = constants != nullptr ? static_cast<GLintptr>(RingOffset(constants)) : 0;
    const GLsizeiptr uniformSize = constants != nullptr ? constants->desc.byteWidth : 0;
    if (!known || applied.uniformBuffer != uniformName || applied.uniformOffset != uniformOffset ||
        applied.uniformSize != uniformSize) {
        if (uniformName != 0)
            glBindBufferRange(GL_UNIFORM_BUFFER, 0, uniformName, uniformOffset, uniformSize);
        else
            glBindBufferBase(GL_UNIFORM_BUFFER, 0, 0);
        applied.uniformBuffer = uniformName;
        applied.uniformOffset = uniformOffset;
        applied.uniformSize = uniformSize;
    }

    const GfxRasterizerDesc rasterizer =
        context->rasterizerState != nullptr ? context->rasterizerState->desc : GfxRasterizerDesc();
    if (!known || !SameRasterizer(applied.rasterizer, rasterizer)) {
        ApplyRasterizer(rasterizer);
        applied.rasterizer = rasterizer;
    }
    const GfxDepthStencilDesc depth =
        context->depthStencilState != nullptr ? context->depthStencilState->desc : GfxDepthStencilDesc();
    if (!known || !SameDepth(applied.depth, depth)) {
        ApplyDepth(depth);
        applied.depth = depth;
    }
    const GfxBlendDesc blend = context->blendState != nullptr ? context->blendState->desc : GfxBlendDesc();
    if (!known || !SameBlend(applied.blend, blend) ||
        !std::equal(context->blendFactor, context->blendFactor + 4, applied.blendFactor)) {
        ApplyBlend(blend, context->blendFactor);
        applied.blend = blend;
        std::copy(context->blendFactor, context->blendFactor + 4, applied.blendFactor);
    }
    if (!known || applied.targetHeight != targetHeight ||
        !SameViewport(applied.viewport, context->viewport)) {
        ApplyViewport(context->viewport, targetHeight);
        applied.viewport = context->viewport;
        applied.targetHeight = targetHeight;
    }
    applied.known = true;
    return true;
}

// True when vertices first..first+count-1 lie inside the bound vertex buffer.
bool VertexRangeFits(const GfxContext* context, uint64_t first, uint64_t count)
{
    if (context->inputLayout->attributes.empty())
        return true;
    if (context->vertexBuffer == nullptr || count == 0)
        return false;
    const uint64_t end = context->vertexOffset + (first + count - 1) * uint64_t(context->vertexStride) +
                         LayoutVertexBytes(context->inputLayout);
    return end <= context->vertexBuffer->desc.byteWidth;
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

// ---------------------------------------------------------------- binding

void SetRenderTargets(GfxContext* context, GfxRenderTargetView* target, GfxDepthStencilView* depth)
{
    assert(context != nullptr && "SetRenderTargets needs a context");
    context->renderTarget = target;
    context->depthStencil = depth;
}

void SetViewport(GfxContext* context, const GfxViewport& viewport)
{
    assert(context != nullptr && "SetViewport needs a context");
    context->viewport = viewport;
}

void SetDepthStencilState(GfxContext* context, GfxDepthStencilState* state, uint32_t stencilRef)
{
    assert(context != nullptr && "SetDepthStencilState needs a context");
    context->depthStencilState = state;
    context->stencilRef = stencilRef;
}

void SetRasterizerState(GfxContext* context, GfxRasterizerState* state)
{
    assert(context != nullptr && "SetRasterizerState needs a context");
    context->rasterizerState = state;
}

void SetBlendState(GfxContext* context, GfxBlendState* state, const float* blendFactor, uint32_t sampleMask)
{
    assert(context != nullptr && "SetBlendState needs a context");
    context->blendState = state;
    for (int i = 0; i < 4; ++i)
        context->blendFactor[i] = blendFactor != nullptr ? blendFactor[i] : 1.0f;
    context->sampleMask = sampleMask;
}

void SetVertexBuffer(GfxContext* context, uint32_t slot, GfxBuffer* buffer, uint32_t stride, uint32_t offset)
{
    assert(context != nullptr && "SetVertexBuffer needs a context");
    assert(slot == 0 && "only input slot 0 exists");
    assert((buffer == nullptr || buffer->desc.bindKind == GfxBindKind::VertexBuffer) &&
           "not a vertex buffer");
    (void)slot;
    context->vertexBuffer = buffer;
    context->vertexStride = stride;
    context->vertexOffset = offset;
}

void SetIndexBuffer(GfxContext* context, GfxBuffer* buffer, GfxFormat format, uint32_t offset)
{
    assert(context != nullptr && "SetIndexBuffer needs a context");
    assert(format == GfxFormat::R32Uint && "indices are 32-bit unsigned");
    assert((buffer == nullptr || buffer->desc.bindKind == GfxBindKind::IndexBuffer) && "not an index buffer");
    context->indexBuffer = buffer;
    context->indexFormat = format;
    context->indexOffset = offset;
}

void SetConstantBuffer(GfxContext* context, uint32_t slot, GfxBuffer* buffer)
{
    assert(context != nullptr && "SetConstantBuffer needs a context");
    assert(slot == 0 && "only constant-buffer slot 0 exists");
    assert((buffer == nullptr || buffer->desc.bindKind == GfxBindKind::ConstantBuffer) &&
           "not a constant buffer");
    (void)slot;
    context->constantBuffer = buffer;
}

void SetInputLayout(GfxContext* context, GfxInputLayout* layout)
{
    assert(context != nullptr && "SetInputLayout needs a context");
    context->inputLayout = layout;
}

void SetTopology(GfxContext* context, GfxTopology topology)
{
    assert(context != nullptr && "SetTopology needs a context");
    context->topology = topology;
}

void SetShader(GfxContext* context, GfxShaderStage stage, GfxShader* shader)
{
    assert(context != nullptr && "SetShader needs a context");
    assert((shader == nullptr || shader->stage == stage) && "a shader binds only to its own stage");
    if (stage == GfxShaderStage::Vertex)
        context->vertexShader = shader;
    else if (stage == GfxShaderStage::Pixel)
        context->pixelShader = shader;
}

// ---------------------------------------------------------------- data and drawing

int32_t MapDiscard(GfxContext* context, GfxBuffer* buffer, void** data)
{
    assert(context != nullptr && buffer != nullptr && data != nullptr &&
           "MapDiscard needs a context, a buffer and an output");
    *data = nullptr;
    if (!Live(context->device) || buffer->device != context->device)
        return E_FAIL_RESULT;
    if (buffer->desc.usage != GfxUsage::Dynamic || !buffer->desc.cpuWrite || buffer->mapped)
        return E_INVALIDARG_RESULT;
    GfxBufferRing* ring = buffer->ring;
    assert(ring != nullptr && "a dynamic buffer has its copies");
    const uint32_t next = (ring->slice + 1) % ring->sliceCount;
    if (next % ring->segmentSlices == 0) {
        // Every draw that reads the segment being left has been issued.
        const uint32_t segments = static_cast<uint32_t>(ring->fences.size());
        const uint32_t entering = next / ring->segmentSlices;
        const uint32_t leaving = (entering + segments - 1) % segments;
        if (ring->fences[leaving] != nullptr)
            glDeleteSync(ring->fences[leaving]);
        ring->fences[leaving] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
        WaitAndDeleteFence(ring->fences[entering]);
    }
    // The copy target leaves the vertex array's index binding untouched.
    // Draws only ever read the copy handed out last, and the fences keep
    // the GPU off this one, so the map needs no synchronisation.
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer->name);
    void* pointer =
        glMapBufferRange(GL_COPY_WRITE_BUFFER, GLintptr(next) * ring->sliceBytes, buffer->desc.byteWidth,
                         GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    if (pointer == nullptr)
        return E_OUTOFMEMORY_RESULT;
    ring->slice = next;
    buffer->mapped = true;
    *data = pointer;
    return S_OK_RESULT;
}

void Unmap(GfxContext* context, GfxBuffer* buffer)
{
    assert(context != nullptr && buffer != nullptr && "Unmap needs a context and a buffer");
    if (!buffer->mapped || !Live(context->device))
        return;
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer->name);
    glUnmapBuffer(GL_COPY_WRITE_BUFFER);
    glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
    buffer->mapped = false;
}

void Draw(GfxContext* context, uint32_t vertexCount, uint32_t startVertex)
{
    assert(context != nullptr && "Draw needs a context");
    GLenum mode = GL_TRIANGLES;
    if (vertexCount == 0 || !PrepareDraw(context, mode) ||
        !VertexRangeFits(context, startVertex, vertexCount))
        return;
    glDrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertexCount));
}

void DrawIndexed(GfxContext* context, uint32_t indexCount, uint32_t startIndex, int32_t baseVertex)
{
    assert(context != nullptr && "DrawIndexed needs a context");
    GLenum mode = GL_TRIANGLES;
    if (indexCount == 0 || context->indexBuffer == nullptr || !PrepareDraw(context, mode))
        return;
    const uint64_t end = context->indexOffset + (uint64_t(startIndex) + indexCount) * 4u;
    if (end > context->indexBuffer->desc.byteWidth)
        return;
    // The index values are not known here; the driver keeps vertex fetches
    // inside the buffer. A negative base vertex needs at least a vertex
    // buffer to offset into.
    if (!context->inputLayout->attributes.empty() && context->vertexBuffer == nullptr)
        return;
    const uintptr_t offset =
        RingOffset(context->indexBuffer) + context->indexOffset + uintptr_t(startIndex) * 4u;
    glDrawElementsBaseVertex(mode, static_cast<GLsizei>(indexCount), GL_UNSIGNED_INT,
                             reinterpret_cast<const void*>(offset), baseVertex);
}

void ClearRenderTarget(GfxContext* context, GfxRenderTargetView* target, const float rgba[4])
{
    assert(context != nullptr && target != nullptr && rgba != nullptr &&
           "ClearRenderTarget needs a context, a view and a colour");
    if (!Live(context->device))
        return;
    GfxDeviceCache* cache = context->device->cache;
    ForgetApplied(context->device);
    AttachToFramebuffer(cache->clearFramebuffer, GL_DRAW_FRAMEBUFFER, target->texture->name, 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearBufferfv(GL_COLOR, 0, rgba);
}

void ClearDepth(GfxContext* context, GfxDepthStencilView* view, float depth)
{
    assert(context != nullptr && view != nullptr && "ClearDepth needs a context and a view");
    if (!Live(context->device))
        return;
    GfxDeviceCache* cache = context->device->cache;
    ForgetApplied(context->device);
    AttachToFramebuffer(cache->clearFramebuffer, GL_DRAW_FRAMEBUFFER, 0, view->texture->name);
    glDrawBuffer(GL_NONE);
    glDisable(GL_SCISSOR_TEST);
    glDepthMask(GL_TRUE);
    const GLfloat value = depth;
    glClearBufferfv(GL_DEPTH, 0, &value);
}

void FinishGpuWork(GfxContext* context)
{
    assert(context != nullptr && "FinishGpuWork needs a context");
    if (Live(context->device))
        glFinish();
}

void ForgetAppliedState(GfxContext* context)
{
    assert(context != nullptr && "ForgetAppliedState needs a context");
    ForgetApplied(context->device);
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
