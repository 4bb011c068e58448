// The device layer's immediate context: binding, maps of dynamic buffers,
// draws and clears. What was last applied to GL is remembered per device so
// that unchanged state costs no GL call, and dynamic buffers are rings of
// copies so that a map never waits for or flushes the draws still reading
// the previous contents.

#include "gfx/device.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cassert>

#include "core/result.h"
#include "gfx/device_internal.h"
#include "gfx/shader_compiler.h"
#include "platform/system.h"

void ForgetApplied(GfxDevice* device)
{
    if (device != nullptr && device->cache != nullptr)
        device->cache->applied.known = false;
}

namespace {

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

}  // namespace

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
