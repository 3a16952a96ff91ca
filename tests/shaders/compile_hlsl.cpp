// Compiles one HLSL file with the system's D3DCompile (d3dcompiler_47) and
// writes the blob. Used once to make the reference blobs in data/; not part
// of the build. Cross-compile and run under Wine:
//   x86_64-w64-mingw32-g++-posix -O2 -static -o compile_hlsl.exe compile_hlsl.cpp -ld3dcompiler_47
//   wine compile_hlsl.exe data/transform_vs.hlsl vs_4_0 data/transform_vs.cso
#include <d3dcompiler.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: compile_hlsl <source.hlsl> <target> <output>\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ID3DBlob* code = nullptr;
  ID3DBlob* errors = nullptr;
  const HRESULT hr = D3DCompile(source.data(), source.size(), argv[1], nullptr, nullptr, "main",
                                argv[2], 0, 0, &code, &errors);
  if (errors) std::fprintf(stderr, "%s\n", static_cast<const char*>(errors->GetBufferPointer()));
  if (FAILED(hr)) {
    std::fprintf(stderr, "compile_hlsl: %s: D3DCompile failed 0x%08lx\n", argv[1], hr);
    return 1;
  }
  std::ofstream out(argv[3], std::ios::binary);
  out.write(static_cast<const char*>(code->GetBufferPointer()),
            static_cast<std::streamsize>(code->GetBufferSize()));
  return out ? 0 : 1;
}
