#pragma once
// How a texture's levels and subresources become OpenGL image calls.
// Direct3D addresses a texture by array slice and mip level; OpenGL writes
// images of one, two or three dimensions into a target, where array layers
// are one more dimension of the image and cube faces are targets of their
// own. These calls work on the texture bound to the target on the active
// unit.
#include <cstdint>

#include <epoxy/gl.h>

#include "base/hresult.h"
#include "render/dxgi_format.h"
#include "render/gl/gl_formats.h"
#include "render/gpu_device.h"

namespace brivonel::gl {

// A texture as the device's three creation calls describe it.
struct TextureShape {
  int dimensions = 2;
  std::uint32_t width = 0;
  std::uint32_t height = 1;
  std::uint32_t depth = 1;
  std::uint32_t mipLevels = 0;  // 0: full chain
  std::uint32_t arraySize = 1;
  DxgiFormat format = DxgiFormat::Unknown;
  gpu::Usage usage = gpu::Usage::Default;
  bool cube = false;
};

// The OpenGL target a texture of this shape lives in.
GLenum TextureTarget(const TextureShape& shape);

// Storage without contents for mip level `mip` of every layer and face.
void AllocateLevel(GLenum target, const TextureShape& shape, const GlFormat& info,
                   std::uint32_t mip);

// Writes the caller's subresources (mips levels of each array slice, in
// Direct3D's order), converting or repacking rows where OpenGL needs them
// tight. kEInvalidArg for a subresource without data or with rows shorter
// than the image's; OpenGL's own errors are left for the caller to take.
HResult WriteSubresources(GLenum target, const TextureShape& shape, const GlFormat& info,
                          std::uint32_t mips, const gpu::SubresourceData* data);

}  // namespace brivonel::gl
