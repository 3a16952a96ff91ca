#pragma once
// The Direct3D 11 device and its immediate context as the program creates
// them: the hardware driver with the runtime's default feature levels,
// single-threaded (everything runs on one thread) and with BGRA support
// (the window's surface is B8G8R8A8 and Direct2D draws on it). There is no
// software fallback: a machine without a usable driver gets the device
// error.
#include <d3d11_1.h>
#include <wrl/client.h>

#include <string>

namespace brivonel::d3d11 {

struct DeviceAndContext {
  Microsoft::WRL::ComPtr<ID3D11Device1> device;
  Microsoft::WRL::ComPtr<ID3D11DeviceContext1> context;
};

// Throws AppException with code 1100 and the failing HRESULT.
DeviceAndContext CreateDeviceAndContext();

// "Direct3D 11 on <adapter description>", for messages.
std::string DescribeDevice(ID3D11Device* device);

// Whether the device's adapter renders on the processor (Microsoft's WARP,
// Mesa's llvmpipe under Wine, and the like).
bool RendersInSoftware(ID3D11Device* device);

// The system's text for a result code, in UTF-8 without the line break
// ("0x887A0004: The specified device interface ..."); just the number when
// the system has none.
std::string DescribeResult(HRESULT hr);

}  // namespace brivonel::d3d11
