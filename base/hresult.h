#pragma once
// Result codes of graphics and texture operations. They keep the Windows
// HRESULT values because they reach users inside error messages.
#include <cstdint>

namespace brivonel {

using HResult = std::int32_t;

constexpr HResult kSOk = 0;
constexpr HResult kSFalse = 1;
constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057u);
constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
constexpr HResult kEOutOfMemory = static_cast<HResult>(0x8007000Eu);
constexpr HResult kEPointer = static_cast<HResult>(0x80004003u);
constexpr HResult kENoInterface = static_cast<HResult>(0x80004002u);
constexpr HResult kEUnexpected = static_cast<HResult>(0x8000FFFFu);
constexpr HResult kENotImpl = static_cast<HResult>(0x80004001u);
constexpr HResult kInvalidData = static_cast<HResult>(0x8007000Du);
constexpr HResult kNotSupported = static_cast<HResult>(0x80070032u);
constexpr HResult kFileTooLarge = static_cast<HResult>(0x800700DFu);

constexpr bool Failed(HResult hr) { return hr < 0; }
constexpr bool Succeeded(HResult hr) { return hr >= 0; }

// A system error number (errno or a Windows error code) as a result code,
// the way Windows turns its last error into an HRESULT.
constexpr HResult HResultFromSystemError(std::uint32_t error) {
  return error == 0 ? kSOk
                    : static_cast<HResult>((error & 0xFFFFu) | 0x80070000u);
}

}  // namespace brivonel
