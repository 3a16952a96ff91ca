#include "tools/inspect/texture_command.h"

#include <array>
#include <charconv>
#include <iostream>
#include <ostream>

#include "base/unicode.h"
#include "render/dxgi_format_info.h"
#include "render/texture_loaders.h"
#include "render/texture_pixel.h"
#include "tools/common/tool_messages.h"
#include "tools/inspect/inspect_commands.h"

namespace brivonel::inspect {
namespace {

constexpr const char* kUsage = "usage: brivonel-inspect texture FILE [--pixel X,Y]";

bool ParseUnsigned(std::string_view text, std::uint64_t* value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, *value);
  return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool ParsePixel(std::string_view text, std::uint64_t* x, std::uint64_t* y) {
  const std::size_t comma = text.find(',');
  return comma != std::string_view::npos && ParseUnsigned(text.substr(0, comma), x) &&
         ParseUnsigned(text.substr(comma + 1), y);
}

}  // namespace

int RunTextureCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string file;
  bool wantPixel = false;
  std::uint64_t x = 0;
  std::uint64_t y = 0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--pixel") {
      if (i + 1 >= args.size() || !ParsePixel(args[i + 1], &x, &y)) {
        err << "brivonel-inspect: texture: --pixel needs X,Y (whole numbers)\n";
        return tools::kExitUsage;
      }
      wantPixel = true;
      ++i;
    } else if (file.empty()) {
      file = args[i];
    } else {
      err << kUsage << '\n';
      return tools::kExitUsage;
    }
  }
  if (file.empty()) {
    err << kUsage << '\n';
    return tools::kExitUsage;
  }

  LoadedImage image;
  TextureMetadata md;
  const HResult hr = LoadTextureFile(Utf8ToUtf16(file), &md, image);
  if (Failed(hr)) {
    err << "brivonel-inspect: " << file << ": cannot load the texture: "
        << tools::TextureFailureText(ToFsPath(Utf8ToUtf16(file)), hr) << "\n";
    return tools::kExitFailed;
  }
  if (wantPixel && (x >= md.width || y >= md.height)) {
    err << "brivonel-inspect: " << file << ": pixel " << x << ',' << y << " is outside the "
        << md.width << 'x' << md.height << " texture\n";
    return tools::kExitFailed;
  }
  std::array<std::uint8_t, 4> rgba{};
  if (wantPixel && !ReadPixelRgba8(image, x, y, &rgba)) {
    err << "brivonel-inspect: " << file << ": no 8-bit pixel at " << x << ',' << y
        << " (format " << DxgiFormatName(md.format) << ", " << md.width << 'x' << md.height
        << ")\n";
    return tools::kExitFailed;
  }
  out << "{\"width\": " << md.width
      << ", \"height\": " << md.height << ", \"depth\": " << md.depth
      << ", \"arraySize\": " << md.arraySize << ", \"mipLevels\": " << md.mipLevels
      << ", \"format\": " << ToUint(md.format) << ", \"formatName\": \""
      << DxgiFormatName(md.format) << "\", \"dimension\": " << static_cast<unsigned>(md.dimension)
      << ", \"cube\": " << (md.IsCubemap() ? "true" : "false")
      << ", \"alphaMode\": " << md.miscFlags2;
  if (wantPixel) {
    out << ", \"rgba\": [" << unsigned{rgba[0]} << ", " << unsigned{rgba[1]} << ", "
        << unsigned{rgba[2]} << ", " << unsigned{rgba[3]} << "]";
  }
  out << "}\n";
  return 0;
}

}  // namespace brivonel::inspect

namespace brivonel::tools {

int RunTextureCommand(const std::vector<std::string>& args) {
  return inspect::RunTextureCommand(args, std::cout, std::cerr);
}

}  // namespace brivonel::tools
