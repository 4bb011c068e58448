// Result codes: signed 32-bit values in the HRESULT convention, negative
// meaning failure. Start-up steps and the device layer return them; nothing
// here allocates or keeps state.
#pragma once

#include <cstdint>

constexpr int32_t ResultCode(uint32_t bits)
{
    return static_cast<int32_t>(bits);
}

constexpr int32_t S_OK_RESULT = 0;
constexpr int32_t E_FAIL_RESULT = ResultCode(0x80004005u);            // unspecified failure
constexpr int32_t E_NOTIMPL_RESULT = ResultCode(0x80004001u);         // operation not available
constexpr int32_t E_OUTOFMEMORY_RESULT = ResultCode(0x8007000Eu);     // allocation refused
constexpr int32_t E_INVALIDARG_RESULT = ResultCode(0x80070057u);      // argument out of range
constexpr int32_t E_FILE_NOT_FOUND_RESULT = ResultCode(0x80070002u);  // file missing or unreadable

// Platform error numbers that the program turns into results.
constexpr uint32_t ERROR_DEVICE_NOT_CONNECTED_CODE = 1167;

constexpr bool Failed(int32_t result)
{
    return result < 0;
}
constexpr bool Succeeded(int32_t result)
{
    return result >= 0;
}

// A platform error number as a result: a positive number e becomes
// 0x80070000 | (e & 0xFFFF); zero and negative values pass unchanged.
constexpr int32_t ResultFromErrorNumber(int32_t error)
{
    return error <= 0 ? error : ResultCode(0x80070000u | (static_cast<uint32_t>(error) & 0xFFFFu));
}
