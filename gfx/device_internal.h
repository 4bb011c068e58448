// Internals of the device layer shared by device.cpp (object creation, the
// swap chain, release) and device_draw.cpp (binding, buffer maps, draws,
// clears and the applied-state cache). Private to the device layer: nothing
// outside those two files includes it. The records here live inside the
// device and its dynamic buffers and are freed with them.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "gfx/device.h"

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

// True when device is the device whose GL context is current; only then may
// it or its objects touch GL.
bool Live(const GfxDevice* device);

// Makes the next draw set every piece of GL state again. Call after any GL
// state change made outside PrepareDraw. A null device is ignored.
void ForgetApplied(GfxDevice* device);

// Bytes of one element of format; 0 for GfxFormat::Unknown.
uint32_t FormatBytes(GfxFormat format);

// Binds framebuffer to target and attaches the two textures (0 detaches).
void AttachToFramebuffer(GLuint framebuffer, GLenum target, GLuint colorTexture, GLuint depthTexture);
