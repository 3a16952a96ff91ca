#include "render/gl/gl_texture_images.h"

#include <cstring>
#include <vector>

#include "render/texture_layout.h"

namespace brivonel::gl {
namespace {

// Bytes per row and rows (block rows when compressed) of one tightly packed
// image; the sizes come from a valid texture description, so they fit.
void ImageRows(DxgiFormat format, std::uint64_t width, std::uint64_t height,
               std::uint64_t* rowBytes, std::uint64_t* rows) {
  ImagePitch pitch;
  if (Failed(ComputePitch(format, width, height, &pitch)) || pitch.rowPitch == 0) {
    *rowBytes = *rows = 0;
    return;
  }
  *rowBytes = pitch.rowPitch;
  *rows = pitch.slicePitch / pitch.rowPitch;
}

// How a target's image calls hold the array layers: its images have
// `dimensions` dimensions, of which the layers are dimension `layerAxis`
// (-1: the target has one layer), or each layer is a face target of its own.
struct TargetLayout {
  int dimensions;
  int layerAxis;
  bool faces;
};

TargetLayout LayoutOf(GLenum target) {
  switch (target) {
    case GL_TEXTURE_1D:
      return {1, -1, false};
    case GL_TEXTURE_1D_ARRAY:
      return {2, 1, false};
    case GL_TEXTURE_2D:
      return {2, -1, false};
    case GL_TEXTURE_CUBE_MAP:
      return {2, -1, true};
    case GL_TEXTURE_3D:
      return {3, -1, false};
    default:  // 2-D and cube-map arrays
      return {3, 2, false};
  }
}

// The target an image call names for layer (or face) `layer`.
GLenum ImageTarget(GLenum target, std::uint32_t layer) {
  return LayoutOf(target).faces ? GL_TEXTURE_CUBE_MAP_POSITIVE_X + layer : target;
}

// A box of one image call: its target, and where it lies in the call's
// dimensions.
struct ImageBox {
  GLenum target;
  int dimensions;
  GLint offset[3] = {0, 0, 0};
  GLsizei size[3] = {1, 1, 1};
};

// All of mip level `mip`, every array layer included (of the first face, for
// cube maps).
ImageBox LevelBox(GLenum target, const TextureShape& shape, std::uint32_t mip) {
  const TargetLayout layout = LayoutOf(target);
  ImageBox box{ImageTarget(target, 0), layout.dimensions};
  box.size[0] = static_cast<GLsizei>(MipSize(shape.width, mip));
  box.size[1] = static_cast<GLsizei>(MipSize(shape.height, mip));
  box.size[2] = static_cast<GLsizei>(MipSize(shape.depth, mip));
  if (layout.layerAxis >= 0) box.size[layout.layerAxis] = static_cast<GLsizei>(shape.arraySize);
  return box;
}

// Subresource (slice, mip): one layer of the level, or one face of it.
ImageBox SubresourceBox(GLenum target, const TextureShape& shape, std::uint32_t slice,
                        std::uint32_t mip) {
  const TargetLayout layout = LayoutOf(target);
  ImageBox box = LevelBox(target, shape, mip);
  box.target = ImageTarget(target, slice);
  if (layout.layerAxis >= 0) {
    box.offset[layout.layerAxis] = static_cast<GLint>(slice);
    box.size[layout.layerAxis] = 1;
  }
  return box;
}

// Block-compressed formats are 2-D only (array layers make the third
// dimension), so every call with a compressed format has two or three.
void AllocateImage(const ImageBox& box, GLint level, const GlFormat& info,
                   GLsizei compressedBytes) {
  const GLsizei* s = box.size;
  const auto internal = static_cast<GLint>(info.internalFormat);
  if (info.compressed && box.dimensions == 2) {
    glCompressedTexImage2D(box.target, level, info.internalFormat, s[0], s[1], 0,
                           compressedBytes, nullptr);
  } else if (info.compressed) {
    glCompressedTexImage3D(box.target, level, info.internalFormat, s[0], s[1], s[2], 0,
                           compressedBytes, nullptr);
  } else if (box.dimensions == 1) {
    glTexImage1D(box.target, level, internal, s[0], 0, info.format, info.type, nullptr);
  } else if (box.dimensions == 2) {
    glTexImage2D(box.target, level, internal, s[0], s[1], 0, info.format, info.type, nullptr);
  } else {
    glTexImage3D(box.target, level, internal, s[0], s[1], s[2], 0, info.format, info.type,
                 nullptr);
  }
}

void WriteImage(const ImageBox& box, GLint level, const GlFormat& info, const void* pixels,
                GLsizei bytes) {
  const GLint* o = box.offset;
  const GLsizei* s = box.size;
  if (info.compressed && box.dimensions == 2) {
    glCompressedTexSubImage2D(box.target, level, o[0], o[1], s[0], s[1], info.internalFormat,
                              bytes, pixels);
  } else if (info.compressed) {
    glCompressedTexSubImage3D(box.target, level, o[0], o[1], o[2], s[0], s[1], s[2],
                              info.internalFormat, bytes, pixels);
  } else if (box.dimensions == 1) {
    glTexSubImage1D(box.target, level, o[0], s[0], info.format, info.type, pixels);
  } else if (box.dimensions == 2) {
    glTexSubImage2D(box.target, level, o[0], o[1], s[0], s[1], info.format, info.type, pixels);
  } else {
    glTexSubImage3D(box.target, level, o[0], o[1], o[2], s[0], s[1], s[2], info.format,
                    info.type, pixels);
  }
}

// One subresource as tightly packed rows (converted when the format needs
// it), ready for glTexImage; points into the caller's data when it already is.
const void* TightImage(const GlFormat& info, DxgiFormat format, const gpu::SubresourceData& source,
                       int dimensions, std::uint32_t width, std::uint32_t height,
                       std::uint32_t depth, std::vector<std::uint8_t>& scratch,
                       std::size_t* bytes) {
  std::uint64_t rowBytes = 0;
  std::uint64_t rows = 0;
  ImageRows(format, width, height, &rowBytes, &rows);
  const std::uint64_t pitch = dimensions == 1 ? rowBytes : source.sysMemPitch;
  const std::uint64_t slicePitch = dimensions == 3 ? source.sysMemSlicePitch : pitch * rows;
  const auto* base = static_cast<const std::uint8_t*>(source.sysMem);
  if (info.conversion != Conversion::None) {
    scratch.clear();
    std::vector<std::uint8_t> slice;
    for (std::uint32_t z = 0; z < depth; ++z) {
      ConvertImage(info.conversion, base + z * slicePitch, static_cast<std::uint32_t>(pitch),
                   width, height, slice);
      scratch.insert(scratch.end(), slice.begin(), slice.end());
    }
    *bytes = scratch.size();
    return scratch.data();
  }
  // Uncompressed uploads of formats with fewer bits than a byte do not
  // occur: every such format is converted above.
  *bytes = static_cast<std::size_t>(rowBytes * rows * depth);
  if (pitch == rowBytes && slicePitch == rowBytes * rows) return base;
  scratch.resize(*bytes);
  for (std::uint32_t z = 0; z < depth; ++z)
    for (std::uint64_t row = 0; row < rows; ++row)
      std::memcpy(scratch.data() + (z * rows + row) * rowBytes,
                  base + z * slicePitch + row * pitch, rowBytes);
  return scratch.data();
}

HResult WriteSubresource(GLenum target, const TextureShape& shape, const GlFormat& info,
                         std::uint32_t slice, std::uint32_t mip,
                         const gpu::SubresourceData& source, std::vector<std::uint8_t>& scratch) {
  if (source.sysMem == nullptr) return kEInvalidArg;
  const std::uint32_t w = MipSize(shape.width, mip);
  const std::uint32_t h = MipSize(shape.height, mip);
  std::uint64_t rowBytes = 0;
  std::uint64_t rows = 0;
  ImageRows(shape.format, w, h, &rowBytes, &rows);
  if (shape.dimensions != 1 && source.sysMemPitch < rowBytes) return kEInvalidArg;
  std::size_t bytes = 0;
  const void* pixels = TightImage(info, shape.format, source, shape.dimensions, w, h,
                                  MipSize(shape.depth, mip), scratch, &bytes);
  WriteImage(SubresourceBox(target, shape, slice, mip), static_cast<GLint>(mip), info, pixels,
             static_cast<GLsizei>(bytes));
  return kSOk;
}

}  // namespace

GLenum TextureTarget(const TextureShape& shape) {
  const bool array = shape.arraySize > 1;
  if (shape.dimensions == 1) return array ? GL_TEXTURE_1D_ARRAY : GL_TEXTURE_1D;
  if (shape.dimensions == 3) return GL_TEXTURE_3D;
  if (shape.cube) return shape.arraySize > 6 ? GL_TEXTURE_CUBE_MAP_ARRAY : GL_TEXTURE_CUBE_MAP;
  return array ? GL_TEXTURE_2D_ARRAY : GL_TEXTURE_2D;
}

void AllocateLevel(GLenum target, const TextureShape& shape, const GlFormat& info,
                   std::uint32_t mip) {
  const TargetLayout layout = LayoutOf(target);
  std::uint64_t rowBytes = 0;
  std::uint64_t rows = 0;
  ImageRows(shape.format, MipSize(shape.width, mip), MipSize(shape.height, mip), &rowBytes,
            &rows);
  const std::uint64_t layers = layout.layerAxis >= 0 ? shape.arraySize : 1;
  const auto compressedBytes = static_cast<GLsizei>(rowBytes * rows * layers);
  ImageBox box = LevelBox(target, shape, mip);
  for (std::uint32_t face = 0; face < (layout.faces ? 6u : 1u); ++face) {
    box.target = ImageTarget(target, face);
    AllocateImage(box, static_cast<GLint>(mip), info, compressedBytes);
  }
}

HResult WriteSubresources(GLenum target, const TextureShape& shape, const GlFormat& info,
                          std::uint32_t mips, const gpu::SubresourceData* data) {
  std::vector<std::uint8_t> scratch;
  for (std::uint32_t slice = 0; slice < shape.arraySize; ++slice) {
    for (std::uint32_t mip = 0; mip < mips; ++mip) {
      const HResult hr =
          WriteSubresource(target, shape, info, slice, mip, data[slice * mips + mip], scratch);
      if (Failed(hr)) return hr;
    }
  }
  return kSOk;
}

}  // namespace brivonel::gl
