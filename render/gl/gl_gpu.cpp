#include "render/gl/gl_gpu.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "base/trace.h"
#include "render/dxgi_format_info.h"
#include "render/gl/framebuffer.h"
#include "render/gl/gl_formats.h"
#include "render/gl/gl_texture_images.h"
#include "render/texture_layout.h"

namespace brivonel::gl {

namespace {

constexpr std::uint32_t kMaxSlots = 16;
constexpr GLsizeiptr kZeroBlockBytes = 65536;

// Drains the error flags so that the next check sees only new errors.
void ClearGlErrors() {
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

HResult TakeGlError(const char* what) {
  const GLenum error = glGetError();
  if (error == GL_NO_ERROR) return kSOk;
  ClearGlErrors();
  TraceFormat("OpenGL refused %s: error 0x%04X\n", what, error);
  return error == GL_OUT_OF_MEMORY ? kEOutOfMemory : kEInvalidArg;
}

// The number at the end of a name ("cb3" -> 3, "TEXCOORD" -> none).
std::optional<std::uint32_t> TrailingNumber(std::string_view name, std::string_view* stem) {
  std::size_t digits = name.size();
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
  *stem = name.substr(0, digits);
  if (digits == name.size() || name.size() - digits > 6) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : name.substr(digits)) value = value * 10 + static_cast<std::uint32_t>(c - '0');
  return value;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

GLint GetInteger(GLenum name) {
  GLint value = 0;
  glGetIntegerv(name, &value);
  return value;
}

bool HasExtension(const char* name) {
  const GLint count = GetInteger(GL_NUM_EXTENSIONS);
  for (GLint i = 0; i < count; ++i) {
    const auto* extension =
        reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
    if (extension != nullptr && std::strcmp(extension, name) == 0) return true;
  }
  return false;
}

std::string InfoLog(GLuint object, bool program) {
  GLint length = 0;
  if (program)
    glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  else
    glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
  if (program)
    glGetProgramInfoLog(object, length, nullptr, log.data());
  else
    glGetShaderInfoLog(object, length, nullptr, log.data());
  log.resize(std::strlen(log.c_str()));
  return log;
}

void TraceLog(const char* what, const std::string& log) {
  TraceFormat("%s\n", what);
  // The trace cuts long lines: send the log line by line.
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    Trace(std::string_view(log).substr(start, end - start + 1));
    start = end + 1;
  }
}

GLuint CompileShader(GLenum kind, const void* source, std::size_t length) {
  if (source == nullptr || length == 0 || length > 0x7FFFFFFF) return 0;
  const GLuint shader = glCreateShader(kind);
  const auto* text = static_cast<const GLchar*>(source);
  const auto size = static_cast<GLint>(length);
  glShaderSource(shader, 1, &text, &size);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    TraceLog(kind == GL_VERTEX_SHADER ? "vertex shader does not compile:"
                                      : "pixel shader does not compile:",
             InfoLog(shader, false));
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

struct Attribute {
  std::string name;
  GLenum type = 0;
  GLint location = -1;
};

bool IsIntegerType(GLenum type) {
  switch (type) {
    case GL_INT:
    case GL_INT_VEC2:
    case GL_INT_VEC3:
    case GL_INT_VEC4:
    case GL_UNSIGNED_INT:
    case GL_UNSIGNED_INT_VEC2:
    case GL_UNSIGNED_INT_VEC3:
    case GL_UNSIGNED_INT_VEC4:
      return true;
    default:
      return false;
  }
}

// The active vertex inputs of a linked program.
std::vector<Attribute> ActiveAttributes(GLuint program) {
  std::vector<Attribute> attributes;
  GLint count = 0;
  glGetProgramiv(program, GL_ACTIVE_ATTRIBUTES, &count);
  for (GLint i = 0; i < count; ++i) {
    char name[256] = {};
    GLsizei length = 0;
    GLint size = 0;
    Attribute attribute;
    glGetActiveAttrib(program, static_cast<GLuint>(i), sizeof name, &length, &size,
                      &attribute.type, name);
    attribute.name.assign(name, static_cast<std::size_t>(length));
    if (attribute.name.starts_with("gl_")) continue;
    attribute.location = glGetAttribLocation(program, name);
    attributes.push_back(std::move(attribute));
  }
  return attributes;
}

// The vertex inputs a compiled vertex shader uses on its own. Inputs that
// only feed outputs no pixel shader is known to read yet may be missing.
std::optional<std::vector<Attribute>> InspectVertexInputs(GLuint shader) {
  const GLuint probe = glCreateProgram();
  glAttachShader(probe, shader);
  glLinkProgram(probe);
  GLint ok = GL_FALSE;
  glGetProgramiv(probe, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    TraceLog("vertex shader does not link:", InfoLog(probe, true));
    glDeleteProgram(probe);
    return std::nullopt;
  }
  std::vector<Attribute> attributes = ActiveAttributes(probe);
  glDeleteProgram(probe);
  return attributes;
}

struct AttributeFormat {
  GLint size = 0;
  GLenum type = 0;
  GLboolean normalized = GL_FALSE;
  bool integer = false;
};

bool LookUpAttributeFormat(DxgiFormat format, AttributeFormat* out) {
  switch (format) {
    case DxgiFormat::R32G32B32A32_FLOAT:
      *out = {4, GL_FLOAT, GL_FALSE, false};
      return true;
    case DxgiFormat::R32G32B32_FLOAT:
      *out = {3, GL_FLOAT, GL_FALSE, false};
      return true;
    case DxgiFormat::R32G32_FLOAT:
      *out = {2, GL_FLOAT, GL_FALSE, false};
      return true;
    case DxgiFormat::R32_FLOAT:
      *out = {1, GL_FLOAT, GL_FALSE, false};
      return true;
    case DxgiFormat::R16G16B16A16_FLOAT:
      *out = {4, GL_HALF_FLOAT, GL_FALSE, false};
      return true;
    case DxgiFormat::R16G16_FLOAT:
      *out = {2, GL_HALF_FLOAT, GL_FALSE, false};
      return true;
    case DxgiFormat::R16G16B16A16_UNORM:
      *out = {4, GL_UNSIGNED_SHORT, GL_TRUE, false};
      return true;
    case DxgiFormat::R16G16B16A16_SNORM:
      *out = {4, GL_SHORT, GL_TRUE, false};
      return true;
    case DxgiFormat::R16G16_UNORM:
      *out = {2, GL_UNSIGNED_SHORT, GL_TRUE, false};
      return true;
    case DxgiFormat::R16G16_SNORM:
      *out = {2, GL_SHORT, GL_TRUE, false};
      return true;
    case DxgiFormat::R16_UNORM:
      *out = {1, GL_UNSIGNED_SHORT, GL_TRUE, false};
      return true;
    case DxgiFormat::R10G10B10A2_UNORM:
      *out = {4, GL_UNSIGNED_INT_2_10_10_10_REV, GL_TRUE, false};
      return true;
    case DxgiFormat::R8G8B8A8_UNORM:
      *out = {4, GL_UNSIGNED_BYTE, GL_TRUE, false};
      return true;
    case DxgiFormat::R8G8B8A8_SNORM:
      *out = {4, GL_BYTE, GL_TRUE, false};
      return true;
    case DxgiFormat::B8G8R8A8_UNORM:
      *out = {GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, false};
      return true;
    case DxgiFormat::R8G8_UNORM:
      *out = {2, GL_UNSIGNED_BYTE, GL_TRUE, false};
      return true;
    case DxgiFormat::R8_UNORM:
      *out = {1, GL_UNSIGNED_BYTE, GL_TRUE, false};
      return true;
    case DxgiFormat::R8G8B8A8_UINT:
      *out = {4, GL_UNSIGNED_BYTE, GL_FALSE, true};
      return true;
    case DxgiFormat::R32G32B32A32_UINT:
      *out = {4, GL_UNSIGNED_INT, GL_FALSE, true};
      return true;
    case DxgiFormat::R32_UINT:
      *out = {1, GL_UNSIGNED_INT, GL_FALSE, true};
      return true;
    case DxgiFormat::R16_UINT:
      *out = {1, GL_UNSIGNED_SHORT, GL_FALSE, true};
      return true;
    default:
      return false;
  }
}

GLenum WrapMode(gpu::TextureAddressMode mode) {
  switch (mode) {
    case gpu::TextureAddressMode::Mirror:
      return GL_MIRRORED_REPEAT;
    case gpu::TextureAddressMode::Clamp:
      return GL_CLAMP_TO_EDGE;
    case gpu::TextureAddressMode::Border:
      return GL_CLAMP_TO_BORDER;
    case gpu::TextureAddressMode::Wrap:
      break;
  }
  return GL_REPEAT;
}

}  // namespace

// --- shared state and objects ---

class GlBuffer;
class GlTexture;
class GlInputLayout;
template <typename Interface>
class GlShader;
using GlVertexShader = GlShader<gpu::VertexShader>;
using GlPixelShader = GlShader<gpu::PixelShader>;
class GlRasterizer;

struct Program {
  GLuint name = 0;
  bool linked = false;
  std::vector<Attribute> attributes;
  std::vector<std::pair<std::uint32_t, GLint>> blocks;  // slot, bytes the shader reads
};

struct GlBindings {
  struct VertexSlot {
    GlBuffer* buffer = nullptr;
    std::uint32_t stride = 0;
    std::uint32_t offset = 0;
  };
  GLuint vertexArray = 0;
  std::array<VertexSlot, kMaxSlots> vertexSlots{};
  GlInputLayout* layout = nullptr;
  bool attributesDirty = true;
  std::uint32_t enabledAttributes = 0;  // bit per location
  GlBuffer* indexBuffer = nullptr;
  DxgiFormat indexFormat = DxgiFormat::R32_UINT;
  std::uint32_t indexOffset = 0;
  GlVertexShader* vertexShader = nullptr;
  GlPixelShader* pixelShader = nullptr;
  Program* program = nullptr;
  bool programDirty = true;
  std::array<GlBuffer*, kMaxSlots> constantBuffers{};
  std::array<GLenum, kMaxSlots> textureTargets{};
  gpu::Viewport viewport;
  bool viewportSet = false;
  std::int32_t targetWidth = 0;
  std::int32_t targetHeight = 0;
  // The picture's top row is the framebuffer's first (clip-control origin
  // at the upper left, as in Direct3D).
  bool topRowFirst = false;
};

struct GlState {
  bool alive = true;  // the GlGpu exists, so its context is current
  GlBindings* bindings = nullptr;
  std::uint64_t nextSerial = 1;
  std::map<std::pair<std::uint64_t, std::uint64_t>, Program> programs;
  GLuint zeroBlock = 0;  // read by blocks whose slot holds no buffer
  GLint maxTextureSize = 0;
  GLint max3dTextureSize = 0;
  GLint maxCubeSize = 0;
  GLint maxArrayLayers = 0;
  GLint scratchUnit = 0;  // texture unit used while uploading
  bool s3tc = false;
  bool s3tcSrgb = false;
  bool bptc = false;
  bool cubeArrays = false;

  // Removes every binding and cached program that refers to a dying object.
  void Forget(const void* object, std::uint64_t serial = 0);
};

class GlBuffer final : public gpu::Buffer {
 public:
  explicit GlBuffer(std::shared_ptr<GlState> state) : state_(std::move(state)) {}
  ~GlBuffer() override {
    if (!state_->alive) return;
    state_->Forget(this);
    glDeleteBuffers(1, &name);
  }
  GLuint name = 0;
  gpu::BufferDesc desc;
  GLsizeiptr glSize = 0;
  std::vector<std::uint8_t> shadow;  // constant buffers: the content, to grow the storage
  bool mapped = false;

 private:
  std::shared_ptr<GlState> state_;
};

class GlTexture final : public gpu::Resource {
 public:
  explicit GlTexture(std::shared_ptr<GlState> state) : state_(std::move(state)) {}
  ~GlTexture() override {
    if (state_->alive) glDeleteTextures(1, &name);
  }
  GLuint name = 0;
  GLenum target = 0;
  DxgiFormat format = DxgiFormat::Unknown;
  std::uint32_t mipLevels = 0;
  std::uint32_t arraySize = 0;
  bool cube = false;
  std::uint32_t baseLevel = 0;  // the mip range currently set on the texture
  std::uint32_t maxLevel = 0;

 private:
  std::shared_ptr<GlState> state_;
};

class GlView final : public gpu::ShaderResourceView {
 public:
  std::shared_ptr<GlTexture> texture;
  std::uint32_t firstMip = 0;
  std::uint32_t lastMip = 0;
};

// A compiled GLSL stage: the vertex and the pixel shader differ only in the
// interface they stand for. The serial names the shader in the program cache.
template <typename Interface>
class GlShader final : public Interface {
 public:
  explicit GlShader(std::shared_ptr<GlState> state) : state_(std::move(state)) {}
  ~GlShader() override {
    if (!state_->alive) return;
    state_->Forget(this, serial);
    glDeleteShader(name);
  }
  GLuint name = 0;
  std::uint64_t serial = 0;

 private:
  std::shared_ptr<GlState> state_;
};

class GlInputLayout final : public gpu::InputLayout {
 public:
  explicit GlInputLayout(std::shared_ptr<GlState> state) : state_(std::move(state)) {}
  ~GlInputLayout() override {
    if (state_->alive) state_->Forget(this);
  }
  struct Element {
    std::string semantic;
    std::uint32_t index = 0;
    std::uint32_t slot = 0;
    std::uint32_t offset = 0;
    AttributeFormat format;
    std::uint32_t divisor = 0;
  };
  // The element a vertex input named after its semantic reads, or null.
  const Element* Find(std::string_view attributeName) const;
  std::vector<Element> elements;

 private:
  std::shared_ptr<GlState> state_;
};

class GlSampler final : public gpu::SamplerState {
 public:
  explicit GlSampler(std::shared_ptr<GlState> state) : state_(std::move(state)) {}
  ~GlSampler() override {
    if (state_->alive) glDeleteSamplers(1, &name);
  }
  GLuint name = 0;

 private:
  std::shared_ptr<GlState> state_;
};

class GlRasterizer final : public gpu::RasterizerState {
 public:
  gpu::RasterizerDesc desc;
};

void GlState::Forget(const void* object, std::uint64_t serial) {
  if (bindings != nullptr) {
    GlBindings& b = *bindings;
    for (auto& slot : b.vertexSlots)
      if (slot.buffer == object) slot.buffer = nullptr;
    for (auto& buffer : b.constantBuffers)
      if (buffer == object) buffer = nullptr;
    if (b.indexBuffer == object) b.indexBuffer = nullptr;
    if (b.layout == object) {
      b.layout = nullptr;
      b.attributesDirty = true;
    }
    if (b.vertexShader == object || b.pixelShader == object) {
      if (b.vertexShader == object) b.vertexShader = nullptr;
      if (b.pixelShader == object) b.pixelShader = nullptr;
      b.program = nullptr;
      b.programDirty = true;
    }
  }
  if (serial == 0) return;
  for (auto it = programs.begin(); it != programs.end();) {
    if (it->first.first == serial || it->first.second == serial) {
      glDeleteProgram(it->second.name);
      it = programs.erase(it);
    } else {
      ++it;
    }
  }
}

// --- construction ---

GlGpu::GlGpu() : state_(std::make_shared<GlState>()), bindings_(std::make_unique<GlBindings>()) {
  state_->bindings = bindings_.get();
  state_->maxTextureSize = GetInteger(GL_MAX_TEXTURE_SIZE);
  state_->max3dTextureSize = GetInteger(GL_MAX_3D_TEXTURE_SIZE);
  state_->maxCubeSize = GetInteger(GL_MAX_CUBE_MAP_TEXTURE_SIZE);
  state_->maxArrayLayers = GetInteger(GL_MAX_ARRAY_TEXTURE_LAYERS);
  state_->scratchUnit = GetInteger(GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS) - 1;
  state_->s3tc = HasExtension("GL_EXT_texture_compression_s3tc");
  state_->s3tcSrgb = state_->s3tc && (HasExtension("GL_EXT_texture_sRGB") ||
                                      HasExtension("GL_EXT_texture_compression_s3tc_srgb"));
  state_->bptc = HasExtension("GL_ARB_texture_compression_bptc");
  state_->cubeArrays = HasExtension("GL_ARB_texture_cube_map_array");

  glGenVertexArrays(1, &bindings_->vertexArray);
  glBindVertexArray(bindings_->vertexArray);
  glGenBuffers(1, &state_->zeroBlock);
  glBindBuffer(GL_COPY_WRITE_BUFFER, state_->zeroBlock);
  const std::vector<std::uint8_t> zeros(kZeroBlockBytes, 0);
  glBufferData(GL_COPY_WRITE_BUFFER, kZeroBlockBytes, zeros.data(), GL_STATIC_DRAW);
  for (std::uint32_t slot = 0; slot < kMaxSlots; ++slot)
    glBindBufferBase(GL_UNIFORM_BUFFER, slot, state_->zeroBlock);

  // Rows as Direct3D lays them out: the picture's top row first. Besides
  // sparing the read-back a flip, the samples of a multisampled pixel then
  // sit where Direct3D's standard pattern puts them, so that antialiased
  // edges come out the same on both backends. Drawing, winding and depth
  // stay as they were: only the rows' order in memory changes.
  if (Framebuffer::HasClipControl()) {
    glClipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    bindings_->topRowFirst = true;
  }
  // Direct3D's defaults: depth test "less" with writes, no blending, the
  // default rasterizer state.
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDepthMask(GL_TRUE);
  glDisable(GL_BLEND);
  glDisable(GL_STENCIL_TEST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  ApplyRasterizer(gpu::RasterizerDesc{});
  ClearGlErrors();
}

GlGpu::~GlGpu() {
  for (auto& [key, program] : state_->programs) glDeleteProgram(program.name);
  state_->programs.clear();
  glDeleteBuffers(1, &state_->zeroBlock);
  glBindVertexArray(0);
  glDeleteVertexArrays(1, &bindings_->vertexArray);
  state_->bindings = nullptr;
  state_->alive = false;
}

std::string GlGpu::DescribeContext() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return std::string(version != nullptr ? version : "?") + " on " +
         (renderer != nullptr ? renderer : "?");
}

void GlGpu::SetRenderTargetSize(std::int32_t width, std::int32_t height) {
  bindings_->targetWidth = width;
  bindings_->targetHeight = height;
  if (bindings_->viewportSet) ApplyViewport();
}

// --- device: buffers ---

HResult GlGpu::CreateBuffer(const gpu::BufferDesc& desc, const gpu::SubresourceData* initialData,
                            std::shared_ptr<gpu::Buffer>* buffer) {
  if (buffer == nullptr) return kEInvalidArg;
  buffer->reset();
  const bool constant = (desc.bindFlags & gpu::kBindConstantBuffer) != 0;
  const bool hasData = initialData != nullptr && initialData->sysMem != nullptr;
  if (desc.byteWidth == 0 || (constant && desc.byteWidth % 16 != 0) ||
      desc.byteWidth > 0x7FFFFFFFu ||
      (desc.usage == gpu::Usage::Dynamic && (desc.cpuAccessFlags & gpu::kCpuAccessWrite) == 0) ||
      (desc.usage == gpu::Usage::Immutable && !hasData) || desc.usage == gpu::Usage::Staging) {
    return kEInvalidArg;
  }
  ClearGlErrors();
  auto object = std::make_shared<GlBuffer>(state_);
  object->desc = desc;
  object->glSize = desc.byteWidth;
  glGenBuffers(1, &object->name);
  glBindBuffer(GL_COPY_WRITE_BUFFER, object->name);
  const GLenum usage = desc.usage == gpu::Usage::Dynamic || constant ? GL_DYNAMIC_DRAW
                                                                     : GL_STATIC_DRAW;
  glBufferData(GL_COPY_WRITE_BUFFER, object->glSize, hasData ? initialData->sysMem : nullptr,
               usage);
  if (const HResult hr = TakeGlError("a buffer"); Failed(hr)) return hr;
  if (constant) {
    object->shadow.assign(desc.byteWidth, 0);
    if (hasData) std::memcpy(object->shadow.data(), initialData->sysMem, desc.byteWidth);
  }
  *buffer = std::move(object);
  return kSOk;
}

// --- device: textures ---

namespace {

// The number of mip levels (0 asks for the full chain); kEInvalidArg for an
// empty texture or more levels than its chain has.
HResult CountMipLevels(const TextureShape& shape, std::uint32_t* mips) {
  if (shape.width == 0 || shape.height == 0 || shape.depth == 0 || shape.arraySize == 0)
    return kEInvalidArg;
  const std::uint32_t fullChain =
      static_cast<std::uint32_t>(FullMipChain(shape.width, shape.height, shape.depth));
  *mips = shape.mipLevels == 0 ? fullChain : shape.mipLevels;
  return *mips > fullChain ? kEInvalidArg : kSOk;
}

// The OpenGL storage of the texture's format; kNotSupported when this
// OpenGL has none for it in this shape.
HResult FindTextureFormat(const GlState& state, const TextureShape& shape, GlFormat* info) {
  if (!LookUpGlFormat(shape.format, info)) {
    TraceFormat("texture format %u has no OpenGL storage\n",
                static_cast<unsigned>(shape.format));
    return kNotSupported;
  }
  if ((info->needs == Extension::S3tc && !state.s3tc) ||
      (info->needs == Extension::S3tcSrgb && !state.s3tcSrgb) ||
      (info->needs == Extension::Bptc && !state.bptc) ||
      (info->compressed && shape.dimensions != 2)) {
    TraceFormat("texture format %u is not available on this OpenGL\n",
                static_cast<unsigned>(shape.format));
    return kNotSupported;
  }
  return kSOk;
}

// What Direct3D refuses beyond empty sizes (kEInvalidArg), and cube-map
// arrays where this OpenGL has none (kNotSupported).
HResult CheckTextureLimits(const GlState& state, const TextureShape& shape, bool hasData) {
  if (shape.usage == gpu::Usage::Immutable && !hasData) return kEInvalidArg;
  if (shape.cube && (shape.dimensions != 2 || shape.arraySize % 6 != 0 ||
                     shape.width != shape.height))
    return kEInvalidArg;
  if (shape.cube && shape.arraySize > 6 && !state.cubeArrays) return kNotSupported;
  const auto limit = static_cast<std::uint32_t>(shape.dimensions == 3 ? state.max3dTextureSize
                                                : shape.cube        ? state.maxCubeSize
                                                                    : state.maxTextureSize);
  if (std::max({shape.width, shape.height, shape.depth}) > limit ||
      shape.arraySize > static_cast<std::uint32_t>(state.maxArrayLayers))
    return kEInvalidArg;
  return kSOk;
}

// Sampling reads the texture's own levels; an alpha-only format's one
// channel is read as alpha over black.
void SetSamplingRange(GLenum target, std::uint32_t mips, const GlFormat& info) {
  glTexParameteri(target, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(mips - 1));
  if (info.alphaOnly) {
    const GLint swizzle[4] = {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED};
    glTexParameteriv(target, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  }
}

}  // namespace

static HResult CreateGlTexture(const std::shared_ptr<GlState>& state, const TextureShape& shape,
                               const gpu::SubresourceData* initialData,
                               std::shared_ptr<gpu::Resource>* texture) {
  if (texture == nullptr) return kEInvalidArg;
  texture->reset();
  std::uint32_t mips = 0;
  GlFormat info;
  if (const HResult hr = CountMipLevels(shape, &mips); Failed(hr)) return hr;
  if (const HResult hr = FindTextureFormat(*state, shape, &info); Failed(hr)) return hr;
  if (const HResult hr = CheckTextureLimits(*state, shape, initialData != nullptr); Failed(hr))
    return hr;

  auto object = std::make_shared<GlTexture>(state);
  object->format = shape.format;
  object->mipLevels = mips;
  object->arraySize = shape.arraySize;
  object->cube = shape.cube;
  object->maxLevel = mips - 1;
  object->target = TextureTarget(shape);

  ClearGlErrors();
  glGenTextures(1, &object->name);
  glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(state->scratchUnit));
  glBindTexture(object->target, object->name);
  // Storage for every level first, then the subresources one by one.
  for (std::uint32_t mip = 0; mip < mips; ++mip) AllocateLevel(object->target, shape, info, mip);
  if (initialData != nullptr) {
    if (const HResult hr = WriteSubresources(object->target, shape, info, mips, initialData);
        Failed(hr)) {
      ClearGlErrors();
      return hr;
    }
  }
  SetSamplingRange(object->target, mips, info);
  if (const HResult hr = TakeGlError("a texture"); Failed(hr)) return hr;
  *texture = std::move(object);
  return kSOk;
}

HResult GlGpu::CreateTexture1D(const gpu::Texture1DDesc& desc,
                               const gpu::SubresourceData* initialData,
                               std::shared_ptr<gpu::Resource>* texture) {
  TextureShape shape;
  shape.dimensions = 1;
  shape.width = desc.width;
  shape.mipLevels = desc.mipLevels;
  shape.arraySize = desc.arraySize;
  shape.format = desc.format;
  shape.usage = desc.usage;
  return CreateGlTexture(state_, shape, initialData, texture);
}

HResult GlGpu::CreateTexture2D(const gpu::Texture2DDesc& desc,
                               const gpu::SubresourceData* initialData,
                               std::shared_ptr<gpu::Resource>* texture) {
  if (desc.sampleCount != 1) return kNotSupported;
  TextureShape shape;
  shape.dimensions = 2;
  shape.width = desc.width;
  shape.height = desc.height;
  shape.mipLevels = desc.mipLevels;
  shape.arraySize = desc.arraySize;
  shape.format = desc.format;
  shape.usage = desc.usage;
  shape.cube = (desc.miscFlags & gpu::kResourceMiscTextureCube) != 0;
  return CreateGlTexture(state_, shape, initialData, texture);
}

HResult GlGpu::CreateTexture3D(const gpu::Texture3DDesc& desc,
                               const gpu::SubresourceData* initialData,
                               std::shared_ptr<gpu::Resource>* texture) {
  TextureShape shape;
  shape.dimensions = 3;
  shape.width = desc.width;
  shape.height = desc.height;
  shape.depth = desc.depth;
  shape.mipLevels = desc.mipLevels;
  shape.format = desc.format;
  shape.usage = desc.usage;
  return CreateGlTexture(state_, shape, initialData, texture);
}

HResult GlGpu::CreateShaderResourceView(const std::shared_ptr<gpu::Resource>& texture,
                                        const gpu::ShaderResourceViewDesc* desc,
                                        std::shared_ptr<gpu::ShaderResourceView>* view) {
  if (view == nullptr) return kEInvalidArg;
  view->reset();
  auto source = std::dynamic_pointer_cast<GlTexture>(texture);
  if (source == nullptr) return kEInvalidArg;
  auto object = std::make_shared<GlView>();
  object->firstMip = 0;
  object->lastMip = source->mipLevels - 1;
  if (desc != nullptr) {
    if (desc->format != DxgiFormat::Unknown && desc->format != source->format)
      return kEInvalidArg;
    GLenum target = 0;
    std::uint64_t slices = 1;
    switch (desc->viewDimension) {
      case gpu::SrvDimension::Texture1D:
        target = GL_TEXTURE_1D;
        break;
      case gpu::SrvDimension::Texture1DArray:
        target = GL_TEXTURE_1D_ARRAY;
        slices = desc->arraySize;
        break;
      case gpu::SrvDimension::Texture2D:
        target = GL_TEXTURE_2D;
        break;
      case gpu::SrvDimension::Texture2DArray:
        target = GL_TEXTURE_2D_ARRAY;
        slices = desc->arraySize;
        break;
      case gpu::SrvDimension::Texture3D:
        target = GL_TEXTURE_3D;
        break;
      case gpu::SrvDimension::TextureCube:
        target = GL_TEXTURE_CUBE_MAP;
        slices = 6;
        break;
      case gpu::SrvDimension::TextureCubeArray:
        target = GL_TEXTURE_CUBE_MAP_ARRAY;
        slices = 6ull * desc->arraySize;
        break;
    }
    // OpenGL 3.3 has no views onto part of a texture's slices or another
    // dimension: the view must show the whole texture as it was created.
    if (target != source->target) return kNotSupported;
    const bool arrayed = target != GL_TEXTURE_1D && target != GL_TEXTURE_2D &&
                         target != GL_TEXTURE_3D;
    if (arrayed && (desc->firstArraySlice != 0 || slices != source->arraySize))
      return kNotSupported;
    if (desc->mostDetailedMip >= source->mipLevels || desc->mipLevels == 0) return kEInvalidArg;
    const std::uint64_t end = desc->mipLevels == 0xFFFFFFFFu
                                  ? source->mipLevels
                                  : std::uint64_t{desc->mostDetailedMip} + desc->mipLevels;
    if (end > source->mipLevels) return kEInvalidArg;
    object->firstMip = desc->mostDetailedMip;
    object->lastMip = static_cast<std::uint32_t>(end - 1);
  }
  object->texture = std::move(source);
  *view = std::move(object);
  return kSOk;
}

// --- device: shaders and states ---

HResult GlGpu::CreateVertexShader(const void* bytecode, std::size_t length,
                                  std::shared_ptr<gpu::VertexShader>* shader) {
  if (shader == nullptr) return kEInvalidArg;
  shader->reset();
  const GLuint name = CompileShader(GL_VERTEX_SHADER, bytecode, length);
  if (name == 0) return kEInvalidArg;
  if (!InspectVertexInputs(name)) {
    glDeleteShader(name);
    return kEInvalidArg;
  }
  auto object = std::make_shared<GlVertexShader>(state_);
  object->name = name;
  object->serial = state_->nextSerial++;
  *shader = std::move(object);
  return kSOk;
}

HResult GlGpu::CreatePixelShader(const void* bytecode, std::size_t length,
                                 std::shared_ptr<gpu::PixelShader>* shader) {
  if (shader == nullptr) return kEInvalidArg;
  shader->reset();
  const GLuint name = CompileShader(GL_FRAGMENT_SHADER, bytecode, length);
  if (name == 0) return kEInvalidArg;
  auto object = std::make_shared<GlPixelShader>(state_);
  object->name = name;
  object->serial = state_->nextSerial++;
  *shader = std::move(object);
  return kSOk;
}

const GlInputLayout::Element* GlInputLayout::Find(std::string_view attributeName) const {
  std::string_view stem;
  const std::uint32_t index = TrailingNumber(attributeName, &stem).value_or(0);
  for (const Element& element : elements)
    if (element.index == index && EqualsIgnoringCase(stem, element.semantic)) return &element;
  return nullptr;
}

HResult GlGpu::CreateInputLayout(const gpu::InputElementDesc* elements, std::uint32_t count,
                                 const void* shaderBytecode, std::size_t bytecodeLength,
                                 std::shared_ptr<gpu::InputLayout>* layout) {
  if (layout == nullptr) return kEInvalidArg;
  layout->reset();
  if ((count > 0 && elements == nullptr) || count > 32) return kEInvalidArg;

  auto object = std::make_shared<GlInputLayout>(state_);
  // Element offsets, resolving "right after the previous element" per slot.
  std::array<std::uint32_t, kMaxSlots> slotEnd{};
  for (std::uint32_t i = 0; i < count; ++i) {
    const gpu::InputElementDesc& desc = elements[i];
    GlInputLayout::Element element;
    if (desc.semanticName == nullptr || desc.inputSlot >= kMaxSlots ||
        !LookUpAttributeFormat(desc.format, &element.format))
      return kEInvalidArg;
    element.semantic = desc.semanticName;
    element.index = desc.semanticIndex;
    element.slot = desc.inputSlot;
    element.offset =
        desc.alignedByteOffset == 0xFFFFFFFFu ? slotEnd[desc.inputSlot] : desc.alignedByteOffset;
    element.divisor = desc.inputSlotClass == gpu::InputClassification::PerInstanceData
                          ? std::max<std::uint32_t>(desc.instanceDataStepRate, 1)
                          : 0;
    slotEnd[desc.inputSlot] = element.offset + BitsPerPixel(desc.format) / 8;
    object->elements.push_back(std::move(element));
  }

  // Every input the shader reads needs an element of a matching kind.
  const GLuint shader = CompileShader(GL_VERTEX_SHADER, shaderBytecode, bytecodeLength);
  if (shader == 0) return kEInvalidArg;
  const auto attributes = InspectVertexInputs(shader);
  glDeleteShader(shader);
  if (!attributes) return kEInvalidArg;
  for (const Attribute& attribute : *attributes) {
    const GlInputLayout::Element* element = object->Find(attribute.name);
    if (element == nullptr || element->format.integer != IsIntegerType(attribute.type)) {
      TraceFormat("vertex input %s has no matching layout element\n", attribute.name.c_str());
      return kEInvalidArg;
    }
  }
  *layout = std::move(object);
  return kSOk;
}

HResult GlGpu::CreateSamplerState(const gpu::SamplerDesc& desc,
                                  std::shared_ptr<gpu::SamplerState>* state) {
  if (state == nullptr) return kEInvalidArg;
  state->reset();
  if (desc.minLod > desc.maxLod) return kEInvalidArg;
  ClearGlErrors();
  auto object = std::make_shared<GlSampler>(state_);
  glGenSamplers(1, &object->name);
  const bool linear = desc.filter == gpu::Filter::MinMagMipLinear;
  glSamplerParameteri(object->name, GL_TEXTURE_MIN_FILTER,
                      linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST);
  glSamplerParameteri(object->name, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
  glSamplerParameteri(object->name, GL_TEXTURE_WRAP_S, static_cast<GLint>(WrapMode(desc.addressU)));
  glSamplerParameteri(object->name, GL_TEXTURE_WRAP_T, static_cast<GLint>(WrapMode(desc.addressV)));
  glSamplerParameteri(object->name, GL_TEXTURE_WRAP_R, static_cast<GLint>(WrapMode(desc.addressW)));
  glSamplerParameterf(object->name, GL_TEXTURE_LOD_BIAS, desc.mipLodBias);
  glSamplerParameterf(object->name, GL_TEXTURE_MIN_LOD, desc.minLod);
  glSamplerParameterf(object->name, GL_TEXTURE_MAX_LOD, desc.maxLod);
  glSamplerParameterfv(object->name, GL_TEXTURE_BORDER_COLOR, desc.borderColor);
  if (const HResult hr = TakeGlError("a sampler"); Failed(hr)) return hr;
  *state = std::move(object);
  return kSOk;
}

HResult GlGpu::CreateRasterizerState(const gpu::RasterizerDesc& desc,
                                     std::shared_ptr<gpu::RasterizerState>* state) {
  if (state == nullptr) return kEInvalidArg;
  auto object = std::make_shared<GlRasterizer>();
  object->desc = desc;
  *state = std::move(object);
  return kSOk;
}

// --- context: buffers ---

HResult GlGpu::Map(gpu::Buffer* buffer, gpu::MapType type, gpu::MappedSubresource* mapped) {
  auto* object = dynamic_cast<GlBuffer*>(buffer);
  if (object == nullptr || mapped == nullptr || type != gpu::MapType::WriteDiscard ||
      object->desc.usage != gpu::Usage::Dynamic || object->mapped)
    return kEInvalidArg;
  glBindBuffer(GL_COPY_WRITE_BUFFER, object->name);
  void* data = glMapBufferRange(GL_COPY_WRITE_BUFFER, 0, object->glSize,
                                GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT);
  if (data == nullptr) {
    *mapped = {};
    return TakeGlError("mapping a buffer") == kEOutOfMemory ? kEOutOfMemory : kEFail;
  }
  object->mapped = true;
  mapped->data = data;
  mapped->rowPitch = object->desc.byteWidth;
  mapped->depthPitch = object->desc.byteWidth;
  return kSOk;
}

void GlGpu::Unmap(gpu::Buffer* buffer) {
  auto* object = dynamic_cast<GlBuffer*>(buffer);
  if (object == nullptr || !object->mapped) return;
  glBindBuffer(GL_COPY_WRITE_BUFFER, object->name);
  glUnmapBuffer(GL_COPY_WRITE_BUFFER);
  object->mapped = false;
}

void GlGpu::UpdateSubresource(gpu::Buffer* buffer, const void* data) {
  auto* object = dynamic_cast<GlBuffer*>(buffer);
  if (object == nullptr || data == nullptr || object->mapped) return;
  if (!object->shadow.empty()) std::memcpy(object->shadow.data(), data, object->desc.byteWidth);
  glBindBuffer(GL_COPY_WRITE_BUFFER, object->name);
  glBufferSubData(GL_COPY_WRITE_BUFFER, 0, object->desc.byteWidth, data);
}

void GlGpu::VSSetConstantBuffers(std::uint32_t slot, gpu::Buffer* buffer) {
  if (slot >= kMaxSlots) return;
  auto* object = dynamic_cast<GlBuffer*>(buffer);
  bindings_->constantBuffers[slot] = object;
  glBindBufferBase(GL_UNIFORM_BUFFER, slot, object != nullptr ? object->name : state_->zeroBlock);
}

void GlGpu::PSSetConstantBuffers(std::uint32_t slot, gpu::Buffer* buffer) {
  VSSetConstantBuffers(slot, buffer);
}

// --- context: input assembly ---

void GlGpu::IASetVertexBuffers(std::uint32_t slot, gpu::Buffer* buffer, std::uint32_t stride,
                               std::uint32_t offset) {
  if (slot >= kMaxSlots) return;
  bindings_->vertexSlots[slot] = {dynamic_cast<GlBuffer*>(buffer), stride, offset};
  bindings_->attributesDirty = true;
}

void GlGpu::IASetIndexBuffer(gpu::Buffer* buffer, DxgiFormat format, std::uint32_t offset) {
  auto* object = dynamic_cast<GlBuffer*>(buffer);
  bindings_->indexBuffer = object;
  bindings_->indexFormat = format;
  bindings_->indexOffset = offset;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, object != nullptr ? object->name : 0);
}

void GlGpu::IASetPrimitiveTopology(gpu::PrimitiveTopology) {
  // Triangle lists are the only topology.
}

void GlGpu::IASetInputLayout(gpu::InputLayout* layout) {
  bindings_->layout = dynamic_cast<GlInputLayout*>(layout);
  bindings_->attributesDirty = true;
}

void GlGpu::VSSetShader(gpu::VertexShader* shader) {
  auto* object = dynamic_cast<GlVertexShader*>(shader);
  if (object != bindings_->vertexShader) bindings_->programDirty = true;
  bindings_->vertexShader = object;
}

void GlGpu::PSSetShader(gpu::PixelShader* shader) {
  auto* object = dynamic_cast<GlPixelShader*>(shader);
  if (object != bindings_->pixelShader) bindings_->programDirty = true;
  bindings_->pixelShader = object;
}

// --- context: rasterizer, resources, viewport ---

void GlGpu::ApplyRasterizer(const gpu::RasterizerDesc& desc) {
  glPolygonMode(GL_FRONT_AND_BACK, desc.fillMode == gpu::FillMode::Wireframe ? GL_LINE : GL_FILL);
  if (desc.cullMode == gpu::CullMode::None) {
    glDisable(GL_CULL_FACE);
  } else {
    glEnable(GL_CULL_FACE);
    glCullFace(desc.cullMode == gpu::CullMode::Front ? GL_FRONT : GL_BACK);
  }
  // Both decide the winding as the picture shows it: the viewport keeps the
  // picture upright (only the row order of memory differs), so clockwise on
  // Direct3D's target is clockwise in OpenGL's window too.
  glFrontFace(desc.frontCounterClockwise ? GL_CCW : GL_CW);
  if (desc.depthBias != 0 || desc.slopeScaledDepthBias != 0.0f) {
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(desc.slopeScaledDepthBias, static_cast<float>(desc.depthBias));
  } else {
    glDisable(GL_POLYGON_OFFSET_FILL);
  }
  if (desc.depthClipEnable)
    glDisable(GL_DEPTH_CLAMP);
  else
    glEnable(GL_DEPTH_CLAMP);
  if (desc.scissorEnable)
    glEnable(GL_SCISSOR_TEST);
  else
    glDisable(GL_SCISSOR_TEST);
}

void GlGpu::RSSetState(gpu::RasterizerState* state) {
  const auto* object = dynamic_cast<GlRasterizer*>(state);
  ApplyRasterizer(object != nullptr ? object->desc : gpu::RasterizerDesc{});
}

void GlGpu::PSSetShaderResources(std::uint32_t slot, gpu::ShaderResourceView* view) {
  if (slot >= kMaxSlots) return;
  const auto* object = dynamic_cast<GlView*>(view);
  glActiveTexture(GL_TEXTURE0 + slot);
  GLenum& bound = bindings_->textureTargets[slot];
  const GLenum target = object != nullptr ? object->texture->target : 0;
  if (bound != 0 && bound != target) glBindTexture(bound, 0);
  bound = target;
  if (object == nullptr) return;
  GlTexture& texture = *object->texture;
  glBindTexture(target, texture.name);
  if (texture.baseLevel != object->firstMip || texture.maxLevel != object->lastMip) {
    texture.baseLevel = object->firstMip;
    texture.maxLevel = object->lastMip;
    glTexParameteri(target, GL_TEXTURE_BASE_LEVEL, static_cast<GLint>(texture.baseLevel));
    glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(texture.maxLevel));
  }
}

void GlGpu::PSSetSamplers(std::uint32_t slot, gpu::SamplerState* sampler) {
  if (slot >= kMaxSlots) return;
  const auto* object = dynamic_cast<GlSampler*>(sampler);
  glBindSampler(slot, object != nullptr ? object->name : 0);
}

void GlGpu::RSSetViewports(const gpu::Viewport& viewport) {
  bindings_->viewport = viewport;
  bindings_->viewportSet = true;
  ApplyViewport();
}

void GlGpu::ApplyViewport() {
  const gpu::Viewport& v = bindings_->viewport;
  const auto x = static_cast<GLint>(std::lround(v.topLeftX));
  const auto width = static_cast<GLsizei>(std::lround(v.width));
  const auto height = static_cast<GLsizei>(std::lround(v.height));
  const auto top = static_cast<GLint>(std::lround(v.topLeftY));
  const GLint y = bindings_->topRowFirst || bindings_->targetHeight <= 0
                      ? top
                      : bindings_->targetHeight - (top + height);
  glViewport(x, y, width, height);
  glDepthRange(v.minDepth, v.maxDepth);
}

void GlGpu::ClearRenderTargetView(const float rgba[4]) {
  const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
  glClear(GL_COLOR_BUFFER_BIT);
  if (scissor == GL_TRUE) glEnable(GL_SCISSOR_TEST);
}

void GlGpu::ClearDepthStencilView(float depth, std::uint8_t stencil) {
  const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  glDisable(GL_SCISSOR_TEST);
  glDepthMask(GL_TRUE);
  glStencilMask(0xFF);
  glClearDepth(depth);
  glClearStencil(stencil);
  glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  if (scissor == GL_TRUE) glEnable(GL_SCISSOR_TEST);
}

// --- drawing ---

namespace {

// Links a vertex and a pixel shader into a program whose blocks and
// samplers are tied to the slots their names carry.
Program LinkProgram(const GlVertexShader& vertex, const GlPixelShader& pixel) {
  Program program;
  program.name = glCreateProgram();
  glAttachShader(program.name, vertex.name);
  glAttachShader(program.name, pixel.name);
  glLinkProgram(program.name);
  GLint ok = GL_FALSE;
  glGetProgramiv(program.name, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    TraceLog("vertex and pixel shader do not link:", InfoLog(program.name, true));
    return program;
  }
  program.linked = true;
  program.attributes = ActiveAttributes(program.name);

  GLint blocks = 0;
  glGetProgramiv(program.name, GL_ACTIVE_UNIFORM_BLOCKS, &blocks);
  for (GLint i = 0; i < blocks; ++i) {
    char name[128] = {};
    glGetActiveUniformBlockName(program.name, static_cast<GLuint>(i), sizeof name, nullptr, name);
    std::string_view stem;
    const auto slot = TrailingNumber(name, &stem);
    if (!slot || *slot >= kMaxSlots) {
      TraceFormat("uniform block %s names no constant buffer slot\n", name);
      continue;
    }
    GLint size = 0;
    glGetActiveUniformBlockiv(program.name, static_cast<GLuint>(i), GL_UNIFORM_BLOCK_DATA_SIZE,
                              &size);
    glUniformBlockBinding(program.name, static_cast<GLuint>(i), *slot);
    program.blocks.emplace_back(*slot, size);
  }

  glUseProgram(program.name);
  GLint uniforms = 0;
  glGetProgramiv(program.name, GL_ACTIVE_UNIFORMS, &uniforms);
  for (GLint i = 0; i < uniforms; ++i) {
    char name[128] = {};
    GLint size = 0;
    GLenum type = 0;
    glGetActiveUniform(program.name, static_cast<GLuint>(i), sizeof name, nullptr, &size, &type,
                       name);
    const GLint location = glGetUniformLocation(program.name, name);
    if (location < 0) continue;  // block members
    std::string_view stem;
    const auto slot = TrailingNumber(name, &stem);
    if (slot && *slot < kMaxSlots) glUniform1i(location, static_cast<GLint>(*slot));
  }
  return program;
}

}  // namespace

bool GlGpu::PrepareDraw() {
  GlBindings& b = *bindings_;
  if (b.vertexShader == nullptr || b.pixelShader == nullptr || b.indexBuffer == nullptr)
    return false;
  if (b.programDirty) {
    const auto key = std::make_pair(b.vertexShader->serial, b.pixelShader->serial);
    auto it = state_->programs.find(key);
    if (it == state_->programs.end())
      it = state_->programs.emplace(key, LinkProgram(*b.vertexShader, *b.pixelShader)).first;
    b.program = &it->second;
    if (b.program->linked) glUseProgram(b.program->name);
    b.programDirty = false;
    b.attributesDirty = true;  // the new program may place its inputs elsewhere
  }
  if (b.program == nullptr || !b.program->linked) return false;

  // A block reads as many bytes as the shader declares; a smaller buffer is
  // grown with zeros so that reads past its content give 0.
  for (const auto& [slot, size] : b.program->blocks) {
    GlBuffer* buffer = b.constantBuffers[slot];
    if (buffer == nullptr || buffer->glSize >= size || buffer->shadow.empty()) continue;
    glBindBuffer(GL_COPY_WRITE_BUFFER, buffer->name);
    glBufferData(GL_COPY_WRITE_BUFFER, size, nullptr, GL_DYNAMIC_DRAW);
    glBufferSubData(GL_COPY_WRITE_BUFFER, 0, buffer->desc.byteWidth, buffer->shadow.data());
    buffer->glSize = size;
    glBindBufferBase(GL_UNIFORM_BUFFER, slot, buffer->name);
  }

  if (b.attributesDirty) {
    std::uint32_t enabled = 0;
    for (const Attribute& attribute : b.program->attributes) {
      const GlInputLayout::Element* element =
          b.layout != nullptr ? b.layout->Find(attribute.name) : nullptr;
      if (element == nullptr || attribute.location < 0 || attribute.location >= 32) continue;
      const GlBindings::VertexSlot& source = b.vertexSlots[element->slot];
      if (source.buffer == nullptr) continue;
      const auto location = static_cast<GLuint>(attribute.location);
      glBindBuffer(GL_ARRAY_BUFFER, source.buffer->name);
      const auto* pointer = reinterpret_cast<const void*>(
          static_cast<std::uintptr_t>(source.offset) + element->offset);
      const auto stride = static_cast<GLsizei>(source.stride);
      if (element->format.integer)
        glVertexAttribIPointer(location, element->format.size, element->format.type, stride,
                               pointer);
      else
        glVertexAttribPointer(location, element->format.size, element->format.type,
                              element->format.normalized, stride, pointer);
      glVertexAttribDivisor(location, element->divisor);
      enabled |= 1u << location;
    }
    for (GLuint location = 0; location < 32; ++location) {
      const std::uint32_t bit = 1u << location;
      if ((enabled & bit) != 0 && (b.enabledAttributes & bit) == 0)
        glEnableVertexAttribArray(location);
      if ((enabled & bit) == 0 && (b.enabledAttributes & bit) != 0)
        glDisableVertexAttribArray(location);
    }
    b.enabledAttributes = enabled;
    b.attributesDirty = false;
  }
  return true;
}

void GlGpu::DrawIndexed(std::uint32_t indexCount, std::uint32_t startIndexLocation,
                        std::int32_t baseVertexLocation) {
  if (indexCount == 0 || !PrepareDraw()) return;
  const GlBindings& b = *bindings_;
  const std::uint32_t indexBytes = b.indexFormat == DxgiFormat::R16_UINT ? 2 : 4;
  // Indices past the end of the buffer are not drawn (Direct3D reads them as 0).
  const std::uint64_t available =
      b.indexBuffer->desc.byteWidth > b.indexOffset
          ? (b.indexBuffer->desc.byteWidth - b.indexOffset) / indexBytes
          : 0;
  if (startIndexLocation >= available) return;
  const std::uint64_t count = std::min<std::uint64_t>(indexCount, available - startIndexLocation);
  const auto* first = reinterpret_cast<const void*>(
      static_cast<std::uintptr_t>(b.indexOffset) +
      static_cast<std::uintptr_t>(startIndexLocation) * indexBytes);
  glDrawElementsBaseVertex(GL_TRIANGLES, static_cast<GLsizei>(count),
                           indexBytes == 2 ? GL_UNSIGNED_SHORT : GL_UNSIGNED_INT, first,
                           baseVertexLocation);
}

}  // namespace brivonel::gl
