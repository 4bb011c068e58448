#include "core/fatal_error.h"

#include <cwchar>
#include <initializer_list>

#include "core/log.h"
#include "core/result.h"
#include "platform/system.h"

int32_t lastResult = 0;
wchar_t messageBuffer[64] = {};
PlatformWindow* messageBoxOwner = nullptr;

namespace {

// Characters a report can hold, terminator included; longer texts are cut.
constexpr size_t kReportBufferLength = 512;

struct FatalErrorText {
    FatalError code;
    const wchar_t* text;  // "%s" takes the next text argument, "%X" the result
};

// Codes not listed here have no message: their box shows empty text.
constexpr FatalErrorText kFatalErrorTexts[] = {
    {DebugMonitorFailed, L"Debug monitor creation failed! Program will now terminate."},
    {HardwareEnumerationFailed, L"Hardware enumeration failed! Program will now terminate."},
    {DirectXInitFailed, L"DirectX11 initialization failed! Program will now terminate."},
    {HidRegistrationFailed, L"HID objects registration failed! Program will now terminate."},
    {ShadersInitFailed, L"Shaders initialization failed! Program will now terminate."},
    {FontsInitFailed, L"Fonts initialization failed! Program will now terminate."},
    {GraphicsInitFailed, L"Graphics initialization failed! Program will now terminate."},
    {PhysicsInitFailed, L"Physics initialization failed! Program will now terminate."},
    {StartingFilesFailed, L"Could not load starting files! Program will now terminate."},
    {FactoryCreationFailed, L"Unable to create DirectX graphics interface factory.\nError code: %s (0x%X)"},
    {AdapterEnumerationFailed, L"Unable to enumerate graphic adapter.\nError code: %s (0x%X)"},
    {OutputEnumerationFailed, L"Unable to enumerate output device.\nError code: %s (0x%X)"},
    {ModeCountFailed, L"Unable to enumerate output modes count.\nError code: %s (0x%X)"},
    {ModeListFailed, L"Unable to fill output modes list.\nError code: %s (0x%X)"},
    {GpuDescriptionFailed, L"Unable to get GPU description.\nError code: %s (0x%X)"},
    {MemoryInfoFailed, L"Unable to get memory info.\nError code: %s (0x%X)"},
    {SwapChainFailed, L"Unable to create swapchain.\nError code: %s (0x%X)"},
    {SurfaceBufferFailed, L"Unable to create surface buffer.\nError code: %s (0x%X)"},
    {RenderTargetFailed, L"Unable to create render target.\nError code: %s (0x%X)"},
    {DepthTextureFailed, L"Unable to create depth stencil texture.\nError code: %s (0x%X)"},
    {DepthStateFailed, L"Unable to create depth stencil state.\nError code: %s (0x%X)"},
    {DepthViewFailed, L"Unable to create depth stencil view.\nError code: %s (0x%X)"},
    {RasterizerStateFailed, L"Unable to create rasterizer state.\nError code: %s (0x%X)"},
    {BlendStateFailed, L"Unable to create alpha blending state.\nError code: %s (0x%X)"},
    {ShaderCompileFailed, L"Unable to compile shader from file.\nError code: %s (0x%X)"},
    {ShaderCreateFailed, L"Unable to create shader.\nError code: %s (0x%X)"},
    {InputLayoutFailed, L"Unable to create input layout from shader.\nError code: %s (0x%X)"},
    {FontFactoryFailed, L"Unable to create font wrapper factory.\nError code: %s (0x%X)"},
    {FontWrapperFailed, L"Unable to create font wrapper for font \"%s\".\nError code: %s (0x%X)"},
    {VertexBufferFailed, L"Unable to create vertex buffer.\nError code: %s (0x%X)"},
    {ConstantBufferFailed, L"Unable to create constant buffer.\nError code: %s (0x%X)"},
    {IndexBufferFailed, L"Unable to create index buffer.\nError code: %s (0x%X)"},
};

struct ResultText {
    int32_t result;
    const wchar_t* text;
};

// The descriptions of the result codes this program produces itself.
constexpr ResultText kResultTexts[] = {
    {S_OK_RESULT, L"The operation completed successfully."},
    {E_FAIL_RESULT, L"Unspecified error"},
    {E_NOTIMPL_RESULT, L"Not implemented"},
    {E_OUTOFMEMORY_RESULT, L"Not enough memory resources are available to complete this operation."},
    {E_INVALIDARG_RESULT, L"The parameter is incorrect."},
    {E_FILE_NOT_FOUND_RESULT, L"The system cannot find the file specified."},
    {ResultFromErrorNumber(static_cast<int32_t>(ERROR_DEVICE_NOT_CONNECTED_CODE)),
     L"The device is not connected."},
};

std::wstring UpperHex(int32_t value)
{
    wchar_t digits[16];
    std::swprintf(digits, sizeof digits / sizeof digits[0], L"%X",
                  static_cast<unsigned>(static_cast<uint32_t>(value)));
    return digits;
}

// Expands "%s" (the next of args; "" once they run out) and "%X" (result);
// the arguments themselves are copied verbatim, never read as formats.
std::wstring ExpandMessage(const wchar_t* format, int32_t result,
                           std::initializer_list<const std::wstring*> args)
{
    std::wstring text;
    auto nextArg = args.begin();
    for (const wchar_t* p = format; *p != L'\0'; ++p) {
        if (p[0] == L'%' && p[1] == L's') {
            if (nextArg != args.end())
                text += **nextArg++;
            ++p;
        } else if (p[0] == L'%' && p[1] == L'X') {
            text += UpperHex(result);
            ++p;
        } else {
            text.push_back(*p);
        }
    }
    return text;
}

}  // namespace

std::wstring HresultText(int32_t result)
{
    for (const ResultText& entry : kResultTexts)
        if (entry.result == result)
            return entry.text;

    uint32_t code = static_cast<uint32_t>(result);
    wchar_t text[32];
    if (code > 0x80040200u && code <= 0x8004FFFFu)
        std::swprintf(text, 32, L"IDispatch error #%d", static_cast<int>(code - 0x80040200u));
    else
        std::swprintf(text, 32, L"Unknown error 0x%0lX", static_cast<unsigned long>(code));
    return text;
}

std::wstring FatalErrorMessage(FatalError code, int32_t result, const std::wstring& fontName)
{
    const wchar_t* format = nullptr;
    for (const FatalErrorText& entry : kFatalErrorTexts)
        if (entry.code == code)
            format = entry.text;
    if (format == nullptr)
        return std::wstring();

    std::wstring description = HresultText(result);
    std::wstring text = code == FontWrapperFailed ? ExpandMessage(format, result, {&fontName, &description})
                                                  : ExpandMessage(format, result, {&description});
    if (text.size() > kReportBufferLength - 1)
        text.resize(kReportBufferLength - 1);
    return text;
}

int32_t LogErrorCode(int32_t result)
{
    std::swprintf(messageBuffer, sizeof messageBuffer / sizeof messageBuffer[0], L"ERROR: 0x%X\n",
                  static_cast<unsigned>(static_cast<uint32_t>(result)));
    return WriteLog(false, messageBuffer);
}

bool CheckStartupResult(int32_t& slot, FatalError code, int32_t result, const std::wstring& fontName)
{
    slot = result;
    if (result >= 0)
        return true;
    LogErrorCode(result);
    ShowMessageBox(messageBoxOwner, FatalErrorMessage(code, result, fontName), L"Error");
    return false;
}
