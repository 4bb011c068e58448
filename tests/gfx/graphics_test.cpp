// The graphics start-up steps: their log lines, failure codes and message
// boxes, the state they leave bound, and the matrices they build.

#include "gfx_fixture.h"

#include "core/result.h"

namespace {

std::wstring Box(const std::wstring& firstLine, const std::wstring& systemText, const std::wstring& hex)
{
    return firstLine + L"\nError code: " + systemText + L" (0x" + hex + L")";
}

// -------------------------------------------------------------- hardware

TEST(PickRefreshRate, WalksEveryModeOfTheDesktopSize)
{
    struct Case {
        const char* name;
        std::vector<DisplayMode> modes;
        uint32_t desktopWidth, desktopHeight;
        std::wstring log;
        uint32_t numerator, denominator;
    };
    const Case cases[] = {
        {"two rates, the last one decides",
         {{1920, 1080, 60000, 1001}, {1280, 720, 75, 1}, {1920, 1080, 60, 1}},
         1920,
         1080,
         L"59Hz\n60Hz\n",
         60,
         1},
        {"no mode of the desktop size", {{1280, 720, 60, 1}, {1920, 1200, 60, 1}}, 1920, 1080, L"", 0, 0},
        {"only the desktop size counts, not a larger mode",
         {{2560, 1440, 144, 1}, {1024, 768, 75, 1}},
         1024,
         768,
         L"75Hz\n",
         75,
         1},
        {"a display that cannot tell its rate", {{1024, 768, 0, 0}}, 1024, 768, L"0Hz\n", 0, 0},
    };
    for (const Case& c : cases) {
        Recorder recorder;
        GraphicsContext graphics;
        PickRefreshRate(graphics, c.modes, c.desktopWidth, c.desktopHeight);
        EXPECT_EQ(Recorder::Log(), c.log) << c.name;
        EXPECT_EQ(graphics.refreshRate.numerator, c.numerator) << c.name;
        EXPECT_EQ(graphics.refreshRate.denominator, c.denominator) << c.name;
    }
}

TEST(EnumerateHardware, LogsTheAdapterAndFindsTheDesktopRate)
{
    ASSERT_TRUE(InitPlatform());
    Recorder recorder;
    GraphicsContext graphics;
    uint64_t memory = 0;
    ASSERT_EQ(EnumerateHardware(graphics, memory), 0);
    const std::wstring& log = Recorder::Log();
    const std::wstring banner = L"Enumerating hardware...\n> ";
    ASSERT_EQ(log.compare(0, banner.size(), banner), 0) << ToUtf8(log);
    const size_t adapterEnd = log.find(L'\n', banner.size());
    ASSERT_NE(adapterEnd, std::wstring::npos);
    EXPECT_GT(adapterEnd, banner.size()) << "the adapter has a name";
    const std::wstring memoryLine = log.substr(adapterEnd + 1);
    EXPECT_EQ(memoryLine.compare(0, 2, L"> "), 0) << ToUtf8(log);
    EXPECT_NE(memoryLine.find(L"MB / "), std::wstring::npos) << ToUtf8(log);
    EXPECT_EQ(log.substr(log.size() - 6), L"done!\n");
    EXPECT_TRUE(Recorder::Boxes().empty());
    EXPECT_GT(memory, 0u);

    // The rate comes from the desktop-sized modes the platform reports.
    std::vector<DisplayMode> modes;
    ASSERT_TRUE(GetDisplayModes(modes));
    const DesktopRect desktop = GetDesktopRect();
    GraphicsContext expected;
    {
        Recorder quiet;
        PickRefreshRate(expected, modes, static_cast<uint32_t>(desktop.right),
                        static_cast<uint32_t>(desktop.bottom));
    }
    EXPECT_EQ(graphics.refreshRate.numerator, expected.refreshRate.numerator);
    EXPECT_EQ(graphics.refreshRate.denominator, expected.refreshRate.denominator);
    EXPECT_EQ(CurrentDevice(), nullptr) << "the adapter probe leaves no device behind";
}

// -------------------------------------------------------------- device

struct DeviceCase {
    const char* name;
    bool vSync, tripleBuffering, fullscreen;
    RefreshRate found;
    uint32_t bufferCount, numerator, denominator;
};

TEST(InitDirect3D, SwapChainFollowsTheSettings)
{
    const DeviceCase cases[] = {
        {"plain", false, false, false, {60, 1}, 1, 0, 1},
        {"triple buffering", false, true, false, {60, 1}, 3, 0, 1},
        {"vsync takes the enumerated rate", true, false, false, {60000, 1001}, 1, 60000, 1001},
        {"vsync without a desktop-sized mode", true, false, false, {0, 0}, 1, 0, 0},
        {"full screen", false, false, true, {60, 1}, 1, 0, 1},
    };
    ASSERT_TRUE(InitPlatform());
    for (const DeviceCase& c : cases) {
        PlatformWindow* window = MakeHiddenWindow(64, 48);
        ASSERT_NE(window, nullptr);
        Settings settings = MakeSettings(64, 48);
        settings.vSync = c.vSync;
        settings.tripleBuffering = c.tripleBuffering;
        settings.fullscreen = c.fullscreen;
        settings.aaKind = 3;  // anti-aliasing settings change nothing
        settings.aaMult = 8;
        GraphicsContext graphics;
        graphics.refreshRate = c.found;
        Recorder recorder;
        ASSERT_EQ(InitDirect3D(graphics, settings, window), 0) << c.name;
        EXPECT_EQ(graphics.swapChain->desc.bufferCount, c.bufferCount) << c.name;
        EXPECT_EQ(graphics.swapChain->desc.refreshNumerator, c.numerator) << c.name;
        EXPECT_EQ(graphics.swapChain->desc.refreshDenominator, c.denominator) << c.name;
        EXPECT_EQ(graphics.swapChain->desc.sampleCount, 1u) << c.name;
        EXPECT_EQ(graphics.swapChain->desc.windowed, !c.fullscreen) << c.name;
        EXPECT_EQ(graphics.swapChain->fullscreen, c.fullscreen) << c.name;
        // Shut-down returns the swap chain to windowed state first.
        ReleaseDirect3D(graphics);
        ReleaseAllGraphics(graphics);
        DestroyPlatformWindow(window);
    }
}

TEST(InitDirect3D, LeavesTargetsViewportBlendAndDepthStateBound)
{
    ASSERT_TRUE(InitPlatform());
    // The resolution, not the window, sizes the back buffer and viewport.
    PlatformWindow* window = MakeHiddenWindow(64, 48);
    ASSERT_NE(window, nullptr);
    Settings settings = MakeSettings(64, 48);
    settings.resolutionX = 80;
    settings.resolutionY = 30;
    GraphicsContext graphics;
    Recorder recorder;
    ASSERT_EQ(InitDirect3D(graphics, settings, window), 0);
    EXPECT_EQ(Recorder::Log(), L"Initializing D3D11... done!\n");
    const GfxContext* bound = graphics.context;
    EXPECT_EQ(bound->renderTarget, graphics.renderTargetView);
    EXPECT_EQ(bound->depthStencil, graphics.depthStencilView);
    EXPECT_EQ(bound->blendState, graphics.alphaBlendState);
    EXPECT_EQ(bound->depthStencilState, graphics.depthEnabledState);
    EXPECT_EQ(bound->stencilRef, 1u);
    EXPECT_EQ(bound->rasterizerState, nullptr) << "the rasterizer state is created, never bound";
    EXPECT_NE(graphics.rasterizerState, nullptr);
    EXPECT_EQ(bound->viewport.topLeftX, 0.0f);
    EXPECT_EQ(bound->viewport.topLeftY, 0.0f);
    EXPECT_EQ(bound->viewport.width, 80.0f);
    EXPECT_EQ(bound->viewport.height, 30.0f);
    EXPECT_EQ(bound->viewport.minDepth, 0.0f);
    EXPECT_EQ(bound->viewport.maxDepth, 1.0f);
    EXPECT_EQ(graphics.renderTargetView->texture->width, 80);
    EXPECT_EQ(graphics.depthStencilView->texture->height, 30);
    EXPECT_TRUE(graphics.depthEnabledState->desc.depthEnable);
    EXPECT_FALSE(graphics.depthDisabledState->desc.depthEnable);
    EXPECT_EQ(graphics.depthDisabledState->desc.depthFunc, GfxComparison::Less);
    const GfxBlendDesc& blend = graphics.alphaBlendState->desc;
    EXPECT_TRUE(blend.blendEnable);
    EXPECT_EQ(blend.srcBlend, GfxBlendFactor::SrcAlpha);
    EXPECT_EQ(blend.destBlend, GfxBlendFactor::InvSrcAlpha);
    EXPECT_EQ(blend.srcBlendAlpha, GfxBlendFactor::One);
    EXPECT_EQ(blend.destBlendAlpha, GfxBlendFactor::Zero);

    std::vector<uint8_t> rgba;
    int32_t w = 0, h = 0;
    ASSERT_EQ(ReadBackBuffer(graphics.swapChain, rgba, w, h), 0);
    EXPECT_EQ(w, 80);
    EXPECT_EQ(h, 30);
    EXPECT_EQ(rgba.size(), 80u * 30u * 4u);
    ReleaseAllGraphics(graphics);
    DestroyPlatformWindow(window);
}

TEST(InitDirect3D, ABackBufferThatCannotBeMadeFailsTheSwapChain)
{
    struct Case {
        const char* name;
        int32_t width, height;
    };
    const Case cases[] = {
        {"larger than any texture", 100000, 100000}, {"zero", 0, 0}, {"negative", -640, 480}};
    ASSERT_TRUE(InitPlatform());
    for (const Case& c : cases) {
        PlatformWindow* window = MakeHiddenWindow(64, 48);
        ASSERT_NE(window, nullptr);
        Settings settings = MakeSettings(64, 48);
        settings.resolutionX = c.width;
        settings.resolutionY = c.height;
        GraphicsContext graphics;
        Recorder recorder;
        const int32_t result = InitDirect3D(graphics, settings, window);
        EXPECT_EQ(result, E_INVALIDARG_RESULT) << c.name;
        EXPECT_EQ(lastResult, result) << c.name;
        EXPECT_EQ(Recorder::Log(), L"Initializing D3D11... ERROR: 0x80070057\n") << c.name;
        ASSERT_EQ(Recorder::Boxes().size(), 1u) << c.name;
        EXPECT_EQ(Recorder::Boxes()[0].text,
                  Box(L"Unable to create swapchain.", L"The parameter is incorrect.", L"80070057"));
        EXPECT_EQ(Recorder::Boxes()[0].caption, L"Error");
        EXPECT_EQ(graphics.device, nullptr);
        EXPECT_EQ(CurrentDevice(), nullptr) << c.name;
        DestroyPlatformWindow(window);
    }
}

TEST(InitDirect3D, NullWindowFailsTheSwapChain)
{
    GraphicsContext graphics;
    Recorder recorder;
    EXPECT_TRUE(Failed(InitDirect3D(graphics, MakeSettings(64, 48), nullptr)));
    ASSERT_EQ(Recorder::Boxes().size(), 1u);
    EXPECT_EQ(Recorder::Boxes()[0].text.rfind(L"Unable to create swapchain.\n", 0), 0u);
}

TEST(CreateDeviceAndSwapChain, RefusesANullWindowAndCreatesNothing)
{
    ASSERT_TRUE(InitPlatform());
    GfxSwapChainDesc desc;
    desc.width = 64;
    desc.height = 48;
    GfxDevice* device = nullptr;
    GfxContext* context = nullptr;
    GfxSwapChain* chain = nullptr;
    EXPECT_EQ(CreateDeviceAndSwapChain(desc, &device, &context, &chain), E_INVALIDARG_RESULT);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(context, nullptr);
    EXPECT_EQ(chain, nullptr);
}

TEST(ReleaseDirect3D, LogsAndDropsTheFiveObjects)
{
    ASSERT_TRUE(InitPlatform());
    PlatformWindow* window = MakeHiddenWindow(64, 48);
    ASSERT_NE(window, nullptr);
    GraphicsContext graphics;
    ASSERT_EQ(InitDirect3D(graphics, MakeSettings(64, 48), window), 0);
    Recorder recorder;
    ReleaseDirect3D(graphics);
    EXPECT_EQ(Recorder::Log(), L"Cleaning D3D11... done!\n");
    EXPECT_EQ(graphics.swapChain, nullptr);
    EXPECT_EQ(graphics.device, nullptr);
    EXPECT_EQ(graphics.context, nullptr);
    EXPECT_EQ(graphics.renderTargetView, nullptr);
    EXPECT_EQ(graphics.depthStencilView, nullptr);
    // The states are kept; they keep the GL context until they go too.
    EXPECT_NE(graphics.depthEnabledState, nullptr);
    EXPECT_NE(CurrentDevice(), nullptr);
    ReleaseAllGraphics(graphics);
    EXPECT_EQ(CurrentDevice(), nullptr);
    DestroyPlatformWindow(window);
}

// -------------------------------------------------------------- shaders

class ShaderLoading : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InitPlatform());
        window = MakeHiddenWindow(64, 48);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(InitDirect3D(graphics, MakeSettings(64, 48), window), 0);
        for (const char* name : {"main", "test", "plain"})
            folder.CopyFromRepository(name);
    }
    void TearDown() override
    {
        ReleaseAllGraphics(graphics);
        DestroyPlatformWindow(window);
    }

    PlatformWindow* window = nullptr;
    GraphicsContext graphics;
    TemporaryShaderFolder folder;
};

constexpr const char* positionOnlyShader = R"(
cbuffer DrawConstants : register(b0) { float4x4 world; float4x4 view; float4x4 projection; float4 tint; };
float4 VShader(float3 position : POSITION) : SV_POSITION
{
    return mul(mul(mul(float4(position, 1.0), world), view), projection);
}
float4 PShader(float4 position : SV_POSITION) : SV_TARGET { return tint; }
)";

constexpr const char* normalShader = R"(
cbuffer DrawConstants : register(b0) { float4x4 world; float4x4 view; float4x4 projection; float4 tint; };
struct VertexIn { float3 position : POSITION; float3 normal : NORMAL; float4 color : COLOR; };
float4 VShader(VertexIn input) : SV_POSITION { return float4(input.position + input.normal, 1.0); }
float4 PShader(float4 position : SV_POSITION) : SV_TARGET { return tint; }
)";

constexpr const char* noPixelShader = R"(
float4 VShader(float3 position : POSITION) : SV_POSITION { return float4(position, 1.0); }
)";

constexpr const char* syntaxError = R"(
float4 VShader(float3 position : POSITION) : SV_POSITION { return float4(position, undeclaredThing); }
float4 PShader(float4 position : SV_POSITION) : SV_TARGET { return position; }
)";

TEST_F(ShaderLoading, AllThreeProgramsLoad)
{
    Recorder recorder;
    ASSERT_EQ(LoadShaders(graphics, folder.path.string()), 0);
    EXPECT_EQ(Recorder::Log(), L"Loading shaders... done!\n");
    for (const ShaderProgram* program : {&graphics.mainShader, &graphics.testShader, &graphics.plainShader}) {
        EXPECT_TRUE(program->loaded);
        EXPECT_NE(program->vertexShader, nullptr);
        EXPECT_NE(program->pixelShader, nullptr);
        EXPECT_NE(program->inputLayout, nullptr);
        EXPECT_EQ(program->geometryShader, nullptr);
        EXPECT_EQ(program->hullShader, nullptr);
        EXPECT_EQ(program->computeShader, nullptr);
        EXPECT_EQ(program->domainShader, nullptr);
    }
    EXPECT_EQ(lastResult, 0);
}

// Which program breaks and how, and where the loading stops.
struct ShaderFailure {
    const char* name;
    const char* file;  // the program whose file is changed
    const char* text;  // new contents; null removes the file
    int32_t result;
    FatalError code;
    bool vertexShaderMade;  // of the failing program
    bool inputLayoutMade;
    const char* diagnostic;  // part of what standard error must say
};

TEST_F(ShaderLoading, EachFailureStopsTheStepWithItsCode)
{
    const std::wstring compile = L"Unable to compile shader from file.";
    const ShaderFailure cases[] = {
        {"missing main", "main", nullptr, E_FILE_NOT_FOUND_RESULT, ShaderCompileFailed, false, false,
         "main.hlsl: cannot open the file"},
        {"compile error in test", "test", syntaxError, E_FAIL_RESULT, ShaderCompileFailed, false, false,
         "'undeclaredThing' : unknown variable"},
        {"empty plain", "plain", "", E_FAIL_RESULT, ShaderCompileFailed, false, false,
         "entry point \"VShader\" not found"},
        {"main without a pixel shader", "main", noPixelShader, E_FAIL_RESULT, ShaderCompileFailed, true, true,
         "entry point \"PShader\" not found"},
        {"main reads a normal", "main", normalShader, E_INVALIDARG_RESULT, InputLayoutFailed, true, false,
         "reads NORMAL0"},
    };
    for (const ShaderFailure& c : cases) {
        for (const char* name : {"main", "test", "plain"})
            folder.CopyFromRepository(name);
        if (c.text == nullptr)
            std::filesystem::remove(folder.path / (std::string(c.file) + ".hlsl"));
        else
            folder.Write(c.file, c.text);
        ReleaseAllGraphics(graphics);
        DestroyPlatformWindow(window);
        window = MakeHiddenWindow(64, 48);
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(InitDirect3D(graphics, MakeSettings(64, 48), window), 0);

        Recorder recorder;
        ::testing::internal::CaptureStderr();
        const int32_t result = LoadShaders(graphics, folder.path.string());
        const std::string errors = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, c.result) << c.name;
        EXPECT_EQ(lastResult, c.result) << c.name;

        wchar_t hex[16];
        std::swprintf(hex, 16, L"%X", static_cast<uint32_t>(c.result));
        EXPECT_EQ(Recorder::Log(), L"Loading shaders... ERROR: 0x" + std::wstring(hex) + L"\n") << c.name;
        ASSERT_EQ(Recorder::Boxes().size(), 1u) << c.name;
        const std::wstring first =
            c.code == InputLayoutFailed ? L"Unable to create input layout from shader." : compile;
        EXPECT_EQ(Recorder::Boxes()[0].text, Box(first, HresultText(c.result), hex)) << c.name;

        const std::string file = c.file;
        ShaderProgram& failing = file == "main"   ? graphics.mainShader
                                 : file == "test" ? graphics.testShader
                                                  : graphics.plainShader;
        EXPECT_FALSE(failing.loaded) << c.name;
        EXPECT_EQ(failing.vertexShader != nullptr, c.vertexShaderMade) << c.name;
        EXPECT_EQ(failing.inputLayout != nullptr, c.inputLayoutMade) << c.name;
        EXPECT_EQ(failing.pixelShader, nullptr) << c.name;
        // Programs after the failing one are never tried.
        if (file == "main") {
            EXPECT_EQ(graphics.testShader.vertexShader, nullptr) << c.name;
            EXPECT_EQ(graphics.plainShader.vertexShader, nullptr) << c.name;
        }
        if (file == "test") {
            EXPECT_TRUE(graphics.mainShader.loaded) << c.name;
            EXPECT_EQ(graphics.plainShader.vertexShader, nullptr) << c.name;
        }
        if (file == "plain") {
            EXPECT_TRUE(graphics.testShader.loaded) << c.name;
        }
        // The compiler says what went wrong on standard error.
        EXPECT_NE(errors.find(c.diagnostic), std::string::npos) << c.name << ": " << errors;
    }
}

TEST_F(ShaderLoading, AProgramReadingOnlyThePositionLoads)
{
    folder.Write("main", positionOnlyShader);
    Recorder recorder;
    ASSERT_EQ(LoadShaders(graphics, folder.path.string()), 0);
    EXPECT_TRUE(graphics.mainShader.loaded);
    ASSERT_EQ(graphics.mainShader.inputLayout->attributes.size(), 1u);
    EXPECT_EQ(graphics.mainShader.inputLayout->attributes[0].byteOffset, 0u);
}

TEST_F(ShaderLoading, BindingAProgramThatIsNotLoadedKeepsThePreviousOne)
{
    ASSERT_EQ(LoadShaders(graphics, folder.path.string()), 0);
    BindShaderProgram(graphics, graphics.plainShader);
    ShaderProgram broken;
    broken.vertexShader = graphics.testShader.vertexShader;  // half made, never loaded
    BindShaderProgram(graphics, broken);
    EXPECT_EQ(graphics.context->vertexShader, graphics.plainShader.vertexShader);
    EXPECT_EQ(graphics.context->pixelShader, graphics.plainShader.pixelShader);
    EXPECT_EQ(graphics.context->inputLayout, graphics.plainShader.inputLayout);
}

TEST(CompileShader, ReadsTheSemanticsOfTheVertexInputs)
{
    const char* source = R"(
struct In { float4 color : COLOR; float3 position : POSITION; float2 extra : TEXCOORD3; };
float4 VShader(In input) : SV_POSITION { return float4(input.position, input.color.x + input.extra.y); }
)";
    GfxShaderCode code;
    std::string diagnostics;
    ASSERT_EQ(CompileShaderFromText(source, "inline", "VShader", "vs_4_0", code, diagnostics), 0)
        << diagnostics;
    ASSERT_EQ(code.inputs.size(), 3u);
    std::vector<std::pair<std::string, uint32_t>> seen;
    for (const GfxShaderInput& input : code.inputs)
        seen.push_back({input.semantic, input.semanticIndex});
    EXPECT_NE(std::find(seen.begin(), seen.end(), std::pair<std::string, uint32_t>{"COLOR", 0}), seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), std::pair<std::string, uint32_t>{"POSITION", 0}),
              seen.end());
    EXPECT_NE(std::find(seen.begin(), seen.end(), std::pair<std::string, uint32_t>{"TEXCOORD", 3}),
              seen.end());

    EXPECT_EQ(CompileShaderFromText(source, "inline", "VShader", "gs_4_0", code, diagnostics),
              E_INVALIDARG_RESULT);
}

// -------------------------------------------------------------- buffers and matrices

void ExpectRow(const Matrix4& m, int row, float a, float b, float c, float d)
{
    EXPECT_NEAR(m.m[row][0], a, 1e-6f) << "row " << row;
    EXPECT_NEAR(m.m[row][1], b, 1e-6f) << "row " << row;
    EXPECT_NEAR(m.m[row][2], c, 1e-6f) << "row " << row;
    EXPECT_NEAR(m.m[row][3], d, 1e-6f) << "row " << row;
}

TEST(LoadStartingGraphics, BuffersAndMatricesForA16By9Window)
{
    ASSERT_TRUE(InitPlatform());
    PlatformWindow* window = MakeHiddenWindow(128, 72);
    ASSERT_NE(window, nullptr);
    Settings settings = MakeSettings(1280, 720);
    GraphicsContext graphics;
    ASSERT_EQ(InitDirect3D(graphics, settings, window), 0);
    Recorder recorder;
    ASSERT_EQ(LoadStartingGraphics(graphics, settings), 0);
    EXPECT_EQ(Recorder::Log(), L"Loading starting graphics... done!\n");

    EXPECT_EQ(graphics.vertexBuffer->desc.byteWidth, 14336u);
    EXPECT_EQ(graphics.constantBuffer->desc.byteWidth, 208u);
    EXPECT_EQ(graphics.indexBuffer->desc.byteWidth, 2048u);
    for (const GfxBuffer* buffer : {graphics.vertexBuffer, graphics.constantBuffer, graphics.indexBuffer}) {
        EXPECT_EQ(buffer->desc.usage, GfxUsage::Dynamic);
        EXPECT_TRUE(buffer->desc.cpuWrite);
    }
    EXPECT_EQ(graphics.context->vertexBuffer, graphics.vertexBuffer);
    EXPECT_EQ(graphics.context->vertexStride, 28u);
    EXPECT_EQ(graphics.context->vertexOffset, 0u);
    EXPECT_EQ(graphics.context->indexBuffer, graphics.indexBuffer);
    EXPECT_EQ(graphics.context->indexFormat, GfxFormat::R32Uint);
    EXPECT_EQ(graphics.context->constantBuffer, graphics.constantBuffer);

    for (const Matrix4* m : {&graphics.identityWorld, &graphics.objectWorld})
        for (int row = 0; row < 4; ++row)
            ExpectRow(*m, row, row == 0, row == 1, row == 2, row == 3);
    for (const Matrix4* m : {&graphics.cameraView, &graphics.overlayView}) {
        ExpectRow(*m, 0, 1, 0, 0, 0);
        ExpectRow(*m, 1, 0, 1, 0, 0);
        ExpectRow(*m, 2, 0, 0, 1, 0);
        ExpectRow(*m, 3, 0, 0, 1, 1);
    }
    // Vertical field of view pi/4: cot(pi/8) = 2.4142135, divided by 16/9.
    ExpectRow(graphics.cameraProjection, 0, 1.3579951f, 0, 0, 0);
    ExpectRow(graphics.cameraProjection, 1, 0, 2.4142135f, 0, 0);
    const float r = 1.0f / 9999.999f;
    ExpectRow(graphics.overlayProjection, 0, 1.0f / 640, 0, 0, 0);
    ExpectRow(graphics.overlayProjection, 1, 0, 1.0f / 360, 0, 0);
    ExpectRow(graphics.overlayProjection, 2, 0, 0, r, 0);
    ExpectRow(graphics.overlayProjection, 3, 0, 0, -0.001f * r, 1);
    ReleaseAllGraphics(graphics);
    DestroyPlatformWindow(window);
}

TEST(LoadStartingGraphics, WithoutADeviceFailsAtTheVertexBuffer)
{
    GraphicsContext graphics;
    Recorder recorder;
    EXPECT_EQ(LoadStartingGraphics(graphics, MakeSettings(64, 48)), E_FAIL_RESULT);
    EXPECT_EQ(Recorder::Log(), L"Loading starting graphics... ERROR: 0x80004005\n");
    ASSERT_EQ(Recorder::Boxes().size(), 1u);
    EXPECT_EQ(Recorder::Boxes()[0].text,
              Box(L"Unable to create vertex buffer.", L"Unspecified error", L"80004005"));
    EXPECT_EQ(graphics.vertexBuffer, nullptr);
    EXPECT_EQ(graphics.constantBuffer, nullptr);
}

// The 3D projection follows the window's proportions, the overlay the
// back-buffer size.
TEST(LoadStartingGraphics, ProjectionUsesTheWindowAndOverlayTheResolution)
{
    ASSERT_TRUE(InitPlatform());
    PlatformWindow* window = MakeHiddenWindow(64, 48);
    ASSERT_NE(window, nullptr);
    Settings settings = MakeSettings(800, 800);
    settings.resolutionX = 400;
    settings.resolutionY = 100;
    GraphicsContext graphics;
    ASSERT_EQ(InitDirect3D(graphics, settings, window), 0);
    ASSERT_EQ(LoadStartingGraphics(graphics, settings), 0);
    ExpectRow(graphics.cameraProjection, 0, 2.4142135f, 0, 0, 0);
    ExpectRow(graphics.overlayProjection, 0, 1.0f / 200, 0, 0, 0);
    ExpectRow(graphics.overlayProjection, 1, 0, 1.0f / 50, 0, 0);
    ReleaseAllGraphics(graphics);
    DestroyPlatformWindow(window);
}

}  // namespace
