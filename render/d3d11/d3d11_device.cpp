#include "render/d3d11/d3d11_device.h"

#include <dxgi.h>

#include <cstdio>

#include "base/app_exception.h"
#include "base/unicode.h"
#include "render/multisampling.h"

namespace brivonel::d3d11 {

using Microsoft::WRL::ComPtr;

DeviceAndContext CreateDeviceAndContext() {
  ComPtr<ID3D11Device> device;
  ComPtr<ID3D11DeviceContext> context;
  const UINT flags = D3D11_CREATE_DEVICE_SINGLETHREADED | D3D11_CREATE_DEVICE_BGRA_SUPPORT;
  ThrowIfFailed(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, flags, nullptr, 0,
                                  D3D11_SDK_VERSION, &device, nullptr, &context),
                error::kDevice);
  DeviceAndContext result;
  ThrowIfFailed(device.As(&result.device), error::kDevice);
  ThrowIfFailed(context.As(&result.context), error::kDevice);
  return result;
}

namespace {

bool AdapterOf(ID3D11Device* device, DXGI_ADAPTER_DESC* desc) {
  ComPtr<IDXGIDevice> dxgi;
  ComPtr<IDXGIAdapter> adapter;
  return device != nullptr && SUCCEEDED(device->QueryInterface(IID_PPV_ARGS(&dxgi))) &&
         SUCCEEDED(dxgi->GetAdapter(&adapter)) && SUCCEEDED(adapter->GetDesc(desc));
}

}  // namespace

bool RendersInSoftware(ID3D11Device* device) {
  constexpr UINT kMicrosoft = 0x1414;  // the vendor of the Basic Render Driver (WARP)
  DXGI_ADAPTER_DESC desc{};
  if (!AdapterOf(device, &desc)) return false;
  if (desc.VendorId == kMicrosoft) return true;
  return NamesSoftwareRenderer(Utf16ToUtf8(reinterpret_cast<const char16_t*>(desc.Description)));
}

std::string DescribeDevice(ID3D11Device* device) {
  std::string text = "Direct3D 11";
  DXGI_ADAPTER_DESC desc{};
  if (AdapterOf(device, &desc)) {
    text += " on ";
    text += Utf16ToUtf8(reinterpret_cast<const char16_t*>(desc.Description));
  }
  return text;
}

std::string DescribeResult(HRESULT hr) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(hr));
  wchar_t* message = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  std::string text = number;
  if (length > 0 && message != nullptr) {
    std::u16string words(reinterpret_cast<const char16_t*>(message), length);
    while (!words.empty() && (words.back() == u'\n' || words.back() == u'\r' || words.back() == u' '))
      words.pop_back();
    text += ": " + Utf16ToUtf8(words);
  }
  if (message != nullptr) LocalFree(message);
  return text;
}

}  // namespace brivonel::d3d11
