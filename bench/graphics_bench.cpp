// Per-primitive drawing against one batched draw of the same geometry: 1000
// boxes drawn through DrawBox (three buffer maps and one draw each, as the
// game draws its entities) against the same 36000 indices transformed on the
// CPU, uploaded once and drawn with one DrawIndexed. Both run interleaved in
// one offscreen GL context, each ending with the GPU finished; the counter
// "ratio" is per-primitive time / batched time.
//
// The argument "malloc_kept" 1 runs the comparison with the C library
// keeping freed heap memory, as InitPlatform sets it up for the game
// (mallopt trim and mmap thresholds raised); 0 puts glibc's default
// thresholds back for the run, to show what they cost: the software
// rasterizer allocates and frees its per-frame scene memory, and with the
// default thresholds that memory goes back to the system and is
// page-faulted in again every frame.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/result.h"
#include "core/settings.h"
#include "gfx/graphics.h"
#include "platform/window.h"
#include "render/primitives.h"
#include "render/scene.h"

namespace {

constexpr int kBoxCount = 1000;
constexpr int kVerticesPerBox = 8;
constexpr int kIndicesPerBox = 36;
constexpr float kHalfExtent = 0.04f;  // small boxes: the cost measured is submission, not fill

// mallopt values: glibc's defaults (128 KiB), and the two InitPlatform sets:
// a trim threshold that keeps every freed byte up to 256 MiB, and the
// largest mmap threshold allowed.
constexpr int kDefaultMallocThreshold = 128 * 1024;
constexpr int kKeptHeapBytes = 256 * 1024 * 1024;
constexpr int kLargestMmapThreshold = 32 * 1024 * 1024;

const Float4 kBoxColour = {0.9f, 1.1f, 2.0f, 1.0f};
const Float4 kWhiteTint = {1.0f, 1.0f, 1.0f, 1.0f};

// The offscreen device for the whole run: made on first use, never released.
struct BenchDevice {
    Settings settings;
    PlatformWindow* window = nullptr;
    GraphicsContext graphics;
    GfxBuffer* batchVertices = nullptr;  // kBoxCount * 8 vertices
    GfxBuffer* batchIndices = nullptr;   // kBoxCount * 36 indices
    bool ready = false;
};

BenchDevice* OpenBenchDevice()
{
    static BenchDevice* device = [] {
        setenv("VORLANDIS_NO_MESSAGE_BOXES", "1", 0);
        auto* d = new BenchDevice;
        if (!InitPlatform())
            return d;
        d->settings.resolutionX = d->settings.windowWidth = 640;
        d->settings.resolutionY = d->settings.windowHeight = 360;
        d->settings.aspectRatio = 640.0f / 360.0f;
        WindowDesc desc;
        desc.width = 640;
        desc.height = 360;
        desc.visible = false;
        d->window = CreatePlatformWindow(desc);
        if (!d->window)
            return d;
        if (InitDirect3D(d->graphics, d->settings, d->window) < 0 ||
            LoadShaders(d->graphics, "Shaders") < 0 || LoadStartingGraphics(d->graphics, d->settings) < 0)
            return d;
        GfxBufferDesc buffer;
        buffer.usage = GfxUsage::Dynamic;
        buffer.cpuWrite = true;
        buffer.bindKind = GfxBindKind::VertexBuffer;
        buffer.byteWidth = kBoxCount * kVerticesPerBox * sizeof(Vertex);
        if (Failed(CreateBuffer(d->graphics.device, buffer, &d->batchVertices)))
            return d;
        buffer.bindKind = GfxBindKind::IndexBuffer;
        buffer.byteWidth = kBoxCount * kIndicesPerBox * sizeof(uint32_t);
        if (Failed(CreateBuffer(d->graphics.device, buffer, &d->batchIndices)))
            return d;
        d->ready = true;
        return d;
    }();
    return device;
}

// A 25 x 40 sheet of boxes in front of the start camera.
Matrix4 BoxWorld(int i)
{
    const float x = (i % 40 - 19.5f) * 0.2f;
    const float y = (i / 40 - 12.0f) * 0.2f;
    return Translation(x, y, 8.0f);
}

// The same geometry DrawBox sends, every box's corners moved to its place.
void BuildBatch(std::vector<Vertex>& vertices, std::vector<uint32_t>& indices)
{
    static const uint32_t boxIndices[kIndicesPerBox] = {
        0, 3, 2, 0, 2, 1, 0, 4, 7, 0, 7, 3, 0, 1, 5, 0, 5, 4,
        6, 2, 3, 6, 3, 7, 6, 5, 1, 6, 1, 2, 6, 4, 5, 4, 6, 7,
    };
    const float h = kHalfExtent;
    const Float3 corners[kVerticesPerBox] = {
        {-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h}, {-h, -h, h}, {h, -h, h}, {h, h, h}, {-h, h, h},
    };
    vertices.clear();
    indices.clear();
    for (int i = 0; i < kBoxCount; ++i) {
        const Matrix4 world = BoxWorld(i);
        const uint32_t base = static_cast<uint32_t>(vertices.size());
        for (const Float3& corner : corners) {
            const Float3 p = TransformPoint(corner, world);
            vertices.push_back(
                Vertex{{p.x, p.y, p.z}, {kBoxColour.x, kBoxColour.y, kBoxColour.z, kBoxColour.w}});
        }
        for (uint32_t index : boxIndices)
            indices.push_back(base + index);
    }
}

void BeginBoxPass(GraphicsContext& graphics)
{
    BeginFrame(graphics);
    SetVertexBuffer(graphics.context, 0, graphics.vertexBuffer, sizeof(Vertex), 0);
    SetDepthStencilState(graphics.context, graphics.depthEnabledState, 1);
    BindShaderProgram(graphics, graphics.testShader);
}

void DrawBoxesOneByOne(GraphicsContext& graphics)
{
    BeginBoxPass(graphics);
    for (int i = 0; i < kBoxCount; ++i) {
        graphics.objectWorld = BoxWorld(i);
        DrawBox(graphics, kHalfExtent, kHalfExtent, kHalfExtent, kBoxColour, kWhiteTint);
    }
    FinishGpuWork(graphics.context);
}

void DrawBoxesBatched(BenchDevice& device, const std::vector<Vertex>& vertices,
                      const std::vector<uint32_t>& indices)
{
    GraphicsContext& graphics = device.graphics;
    BeginBoxPass(graphics);
    void* data = nullptr;
    if (Succeeded(MapDiscard(graphics.context, device.batchVertices, &data))) {
        std::memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex));
        Unmap(graphics.context, device.batchVertices);
    }
    if (Succeeded(MapDiscard(graphics.context, device.batchIndices, &data))) {
        std::memcpy(data, indices.data(), indices.size() * sizeof(uint32_t));
        Unmap(graphics.context, device.batchIndices);
    }
    SetVertexBuffer(graphics.context, 0, device.batchVertices, sizeof(Vertex), 0);
    SetIndexBuffer(graphics.context, device.batchIndices, GfxFormat::R32Uint, 0);
    UpdateDrawConstants(graphics, graphics.identityWorld, graphics.cameraView, graphics.cameraProjection,
                        kWhiteTint);
    SetTopology(graphics.context, GfxTopology::TriangleList);
    DrawIndexed(graphics.context, static_cast<uint32_t>(indices.size()), 0, 0);
    FinishGpuWork(graphics.context);
    // Back to the shared buffers for the next per-primitive round.
    SetIndexBuffer(graphics.context, graphics.indexBuffer, GfxFormat::R32Uint, 0);
}

// Both renderings must give the same picture, or the comparison means nothing.
bool SamePicture(BenchDevice& device, const std::vector<Vertex>& vertices,
                 const std::vector<uint32_t>& indices)
{
    std::vector<uint8_t> single, batched;
    int32_t width = 0, height = 0;
    DrawBoxesOneByOne(device.graphics);
    ReadBackBuffer(device.graphics.swapChain, single, width, height);
    DrawBoxesBatched(device, vertices, indices);
    ReadBackBuffer(device.graphics.swapChain, batched, width, height);
    return single == batched;
}

void BM_BoxesPerPrimitiveVsBatched(benchmark::State& state)
{
    BenchDevice* device = OpenBenchDevice();
    if (!device->ready) {
        state.SkipWithError("no offscreen GL device (set SDL_VIDEODRIVER=offscreen)");
        return;
    }
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;
    BuildBatch(vertices, indices);
    if (!SamePicture(*device, vertices, indices)) {
        state.SkipWithError("per-primitive and batched pictures differ");
        return;
    }

    const bool keepHeap = state.range(0) != 0;
    if (!keepHeap) {
        mallopt(M_TRIM_THRESHOLD, kDefaultMallocThreshold);
        mallopt(M_MMAP_THRESHOLD, kDefaultMallocThreshold);
    }

    using Clock = std::chrono::steady_clock;
    double singleSeconds = 0.0, batchedSeconds = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        DrawBoxesOneByOne(device->graphics);
        const auto t1 = Clock::now();
        DrawBoxesBatched(*device, vertices, indices);
        const auto t2 = Clock::now();
        const double single = std::chrono::duration<double>(t1 - t0).count();
        singleSeconds += single;
        batchedSeconds += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(single);
    }
    if (!keepHeap) {
        mallopt(M_TRIM_THRESHOLD, kKeptHeapBytes);
        mallopt(M_MMAP_THRESHOLD, kLargestMmapThreshold);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["per_box_us"] = benchmark::Counter(singleSeconds * 1e6 / (n * kBoxCount));
    state.counters["single_ms"] = benchmark::Counter(singleSeconds * 1e3 / n);
    state.counters["batched_ms"] = benchmark::Counter(batchedSeconds * 1e3 / n);
    state.counters["ratio"] = benchmark::Counter(batchedSeconds > 0 ? singleSeconds / batchedSeconds : 0);
}

BENCHMARK(BM_BoxesPerPrimitiveVsBatched)
    ->ArgName("malloc_kept")
    ->DenseRange(0, 1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
