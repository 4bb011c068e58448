// Start-up failure reporting: the FatalError codes with their messages, the
// one check every start-up step goes through, and the text of a result code.
// Stateless apart from lastResult, messageBuffer and the message-box owner.
#pragma once

#include <cstdint>
#include <string>

struct PlatformWindow;

enum FatalError : uint32_t {
    DebugMonitorFailed = 0,
    HardwareEnumerationFailed = 1,
    DirectXInitFailed = 2,
    HidRegistrationFailed = 3,
    ShadersInitFailed = 4,
    FontsInitFailed = 5,
    GraphicsInitFailed = 6,
    PhysicsInitFailed = 7,
    StartingFilesFailed = 8,
    FactoryCreationFailed = 0x10,
    AdapterEnumerationFailed = 0x12,
    OutputEnumerationFailed = 0x13,
    ModeCountFailed = 0x14,
    ModeListFailed = 0x15,
    GpuDescriptionFailed = 0x16,
    MemoryInfoFailed = 0x17,
    SwapChainFailed = 0x20,
    SurfaceBufferFailed = 0x21,
    RenderTargetFailed = 0x22,
    DepthTextureFailed = 0x23,
    DepthStateFailed = 0x24,
    DepthViewFailed = 0x25,
    RasterizerStateFailed = 0x26,
    BlendStateFailed = 0x27,
    ShaderCompileFailed = 0x30,
    ShaderCreateFailed = 0x31,
    InputLayoutFailed = 0x32,
    FontFactoryFailed = 0x40,
    FontWrapperFailed = 0x41,
    VertexBufferFailed = 0x50,
    ConstantBufferFailed = 0x51,
    IndexBufferFailed = 0x52,
};

extern int32_t lastResult;               // result of the last start-up step or call
extern wchar_t messageBuffer[64];        // shared buffer for short formatted texts
extern PlatformWindow* messageBoxOwner;  // main window once it exists, else null

// Stores result in slot; a negative result is logged ("ERROR: 0x%X"), its
// message shown in a box captioned "Error", and false returned.
bool CheckStartupResult(int32_t& slot, FatalError code, int32_t result,
                        const std::wstring& fontName = std::wstring());

// Continues the current log line with "ERROR: 0x%X\n".
int32_t LogErrorCode(int32_t result);

// Description of a result code (known system texts, else the fallbacks).
std::wstring HresultText(int32_t result);

// The message box text for a code, formatted as the check shows it; empty
// for codes without a message.
std::wstring FatalErrorMessage(FatalError code, int32_t result, const std::wstring& fontName);
