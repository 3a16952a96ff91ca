#pragma once
// How each DXGI texture format is stored in OpenGL: the internal format and
// the client format and type of its upload, or a conversion on the CPU for
// the packed formats OpenGL has no storage for.
#include <cstdint>
#include <vector>

#include <epoxy/gl.h>

#include "render/dxgi_format.h"

namespace brivonel::gl {

enum class Conversion {
  None,
  RgbgToRgba8,  // R8G8_B8G8: pairs of pixels sharing red and blue
  GrgbToRgba8,  // G8R8_G8B8
  Yuy2ToRgba8,  // 4:2:2 luma and chroma
  R1ToR8,       // one bit per pixel, most significant bit first
  XrBiasToRgba32f,
  D24S8ToGl,  // depth in the low 24 bits becomes depth in the high 24 bits
};

enum class Extension { None, S3tc, S3tcSrgb, Bptc };

struct GlFormat {
  GLenum internalFormat = 0;
  GLenum format = 0;  // client format of uncompressed uploads
  GLenum type = 0;    // client type of uncompressed uploads
  bool compressed = false;
  bool alphaOnly = false;  // A8: the red channel read as alpha
  Conversion conversion = Conversion::None;
  Extension needs = Extension::None;
  std::uint32_t uploadBytesPerPixel = 0;  // of the upload after any conversion
};

// False for formats OpenGL cannot sample.
bool LookUpGlFormat(DxgiFormat format, GlFormat* info);

// Converts one image of width x height pixels, rows rowPitch bytes apart,
// into tightly packed rows of the format's upload.
void ConvertImage(Conversion conversion, const std::uint8_t* source, std::uint32_t rowPitch,
                  std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t>& out);

}  // namespace brivonel::gl
