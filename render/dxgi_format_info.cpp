#include "render/dxgi_format_info.h"

namespace brivonel {
namespace {

struct FormatFacts {
  std::uint32_t value;
  const char* name;
  unsigned bitsPerPixel;
};

// Sorted by value; the gaps are values without a defined format.
constexpr FormatFacts kFormats[] = {
    {0, "UNKNOWN", 0},
    {1, "R32G32B32A32_TYPELESS", 128},
    {2, "R32G32B32A32_FLOAT", 128},
    {3, "R32G32B32A32_UINT", 128},
    {4, "R32G32B32A32_SINT", 128},
    {5, "R32G32B32_TYPELESS", 96},
    {6, "R32G32B32_FLOAT", 96},
    {7, "R32G32B32_UINT", 96},
    {8, "R32G32B32_SINT", 96},
    {9, "R16G16B16A16_TYPELESS", 64},
    {10, "R16G16B16A16_FLOAT", 64},
    {11, "R16G16B16A16_UNORM", 64},
    {12, "R16G16B16A16_UINT", 64},
    {13, "R16G16B16A16_SNORM", 64},
    {14, "R16G16B16A16_SINT", 64},
    {15, "R32G32_TYPELESS", 64},
    {16, "R32G32_FLOAT", 64},
    {17, "R32G32_UINT", 64},
    {18, "R32G32_SINT", 64},
    {19, "R32G8X24_TYPELESS", 64},
    {20, "D32_FLOAT_S8X24_UINT", 64},
    {21, "R32_FLOAT_X8X24_TYPELESS", 64},
    {22, "X32_TYPELESS_G8X24_UINT", 64},
    {23, "R10G10B10A2_TYPELESS", 32},
    {24, "R10G10B10A2_UNORM", 32},
    {25, "R10G10B10A2_UINT", 32},
    {26, "R11G11B10_FLOAT", 32},
    {27, "R8G8B8A8_TYPELESS", 32},
    {28, "R8G8B8A8_UNORM", 32},
    {29, "R8G8B8A8_UNORM_SRGB", 32},
    {30, "R8G8B8A8_UINT", 32},
    {31, "R8G8B8A8_SNORM", 32},
    {32, "R8G8B8A8_SINT", 32},
    {33, "R16G16_TYPELESS", 32},
    {34, "R16G16_FLOAT", 32},
    {35, "R16G16_UNORM", 32},
    {36, "R16G16_UINT", 32},
    {37, "R16G16_SNORM", 32},
    {38, "R16G16_SINT", 32},
    {39, "R32_TYPELESS", 32},
    {40, "D32_FLOAT", 32},
    {41, "R32_FLOAT", 32},
    {42, "R32_UINT", 32},
    {43, "R32_SINT", 32},
    {44, "R24G8_TYPELESS", 32},
    {45, "D24_UNORM_S8_UINT", 32},
    {46, "R24_UNORM_X8_TYPELESS", 32},
    {47, "X24_TYPELESS_G8_UINT", 32},
    {48, "R8G8_TYPELESS", 16},
    {49, "R8G8_UNORM", 16},
    {50, "R8G8_UINT", 16},
    {51, "R8G8_SNORM", 16},
    {52, "R8G8_SINT", 16},
    {53, "R16_TYPELESS", 16},
    {54, "R16_FLOAT", 16},
    {55, "D16_UNORM", 16},
    {56, "R16_UNORM", 16},
    {57, "R16_UINT", 16},
    {58, "R16_SNORM", 16},
    {59, "R16_SINT", 16},
    {60, "R8_TYPELESS", 8},
    {61, "R8_UNORM", 8},
    {62, "R8_UINT", 8},
    {63, "R8_SNORM", 8},
    {64, "R8_SINT", 8},
    {65, "A8_UNORM", 8},
    {66, "R1_UNORM", 1},
    {67, "R9G9B9E5_SHAREDEXP", 32},
    {68, "R8G8_B8G8_UNORM", 16},
    {69, "G8R8_G8B8_UNORM", 16},
    {70, "BC1_TYPELESS", 4},
    {71, "BC1_UNORM", 4},
    {72, "BC1_UNORM_SRGB", 4},
    {73, "BC2_TYPELESS", 8},
    {74, "BC2_UNORM", 8},
    {75, "BC2_UNORM_SRGB", 8},
    {76, "BC3_TYPELESS", 8},
    {77, "BC3_UNORM", 8},
    {78, "BC3_UNORM_SRGB", 8},
    {79, "BC4_TYPELESS", 4},
    {80, "BC4_UNORM", 4},
    {81, "BC4_SNORM", 4},
    {82, "BC5_TYPELESS", 8},
    {83, "BC5_UNORM", 8},
    {84, "BC5_SNORM", 8},
    {85, "B5G6R5_UNORM", 16},
    {86, "B5G5R5A1_UNORM", 16},
    {87, "B8G8R8A8_UNORM", 32},
    {88, "B8G8R8X8_UNORM", 32},
    {89, "R10G10B10_XR_BIAS_A2_UNORM", 32},
    {90, "B8G8R8A8_TYPELESS", 32},
    {91, "B8G8R8A8_UNORM_SRGB", 32},
    {92, "B8G8R8X8_TYPELESS", 32},
    {93, "B8G8R8X8_UNORM_SRGB", 32},
    {94, "BC6H_TYPELESS", 8},
    {95, "BC6H_UF16", 8},
    {96, "BC6H_SF16", 8},
    {97, "BC7_TYPELESS", 8},
    {98, "BC7_UNORM", 8},
    {99, "BC7_UNORM_SRGB", 8},
    {100, "AYUV", 32},
    {101, "Y410", 32},
    {102, "Y416", 64},
    {103, "NV12", 12},
    {104, "P010", 24},
    {105, "P016", 24},
    {106, "420_OPAQUE", 12},
    {107, "YUY2", 16},
    {108, "Y210", 32},
    {109, "Y216", 32},
    {110, "NV11", 12},
    {111, "AI44", 8},
    {112, "IA44", 8},
    {113, "P8", 8},
    {114, "A8P8", 16},
    {115, "B4G4R4A4_UNORM", 16},
    {130, "P208", 16},
    {131, "V208", 16},
    {132, "V408", 24},
};

const FormatFacts* Lookup(DxgiFormat format) {
  const std::uint32_t value = ToUint(format);
  for (const FormatFacts& facts : kFormats) {
    if (facts.value == value) return &facts;
    if (facts.value > value) break;
  }
  return nullptr;
}

}  // namespace

unsigned BitsPerPixel(DxgiFormat format) {
  const FormatFacts* facts = Lookup(format);
  return facts != nullptr ? facts->bitsPerPixel : 0;
}

unsigned BlockCompressedBytes(DxgiFormat format) {
  const std::uint32_t value = ToUint(format);
  if ((value >= 70 && value <= 72) || (value >= 79 && value <= 81)) return 8;
  if ((value >= 73 && value <= 78) || (value >= 82 && value <= 84) ||
      (value >= 94 && value <= 99)) {
    return 16;
  }
  return 0;
}

std::string_view DxgiFormatName(DxgiFormat format) {
  const FormatFacts* facts = Lookup(format);
  return facts != nullptr ? facts->name : "UNKNOWN";
}

}  // namespace brivonel
