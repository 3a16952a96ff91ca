#include "tests/windows/windows_test_support.h"

#include <objbase.h>
#include <windows.h>

#include <fstream>
#include <iterator>

#include "base/unicode.h"

namespace brivonel::test {

void UseCom() {
  static const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  (void)initialised;
}

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::u16string D3dShaderFolder() { return Utf8ToUtf16(BRIVONEL_D3D_SHADER_DIR); }

std::vector<char> ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace brivonel::test
