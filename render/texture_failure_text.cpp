#include "render/texture_failure_text.h"

#include <cstdio>
#include <system_error>

#include "base/unicode.h"
#include "render/texture_layout.h"
#include "render/texture_limits.h"
#include "render/texture_loaders.h"

namespace brivonel {
namespace {

constexpr HResult kAccessDenied = HResultFromSystemError(5);

// Further results of the Windows imaging component, passed on unchanged by
// its loader.
constexpr HResult kCodecValueOutOfRange = static_cast<HResult>(0x88982F05u);
constexpr HResult kCodecUnknownImageFormat = static_cast<HResult>(0x88982F07u);
constexpr HResult kCodecImageSizeOutOfRange = static_cast<HResult>(0x88982F51u);
constexpr HResult kCodecFrameMissing = static_cast<HResult>(0x88982F62u);
constexpr HResult kCodecBadStreamData = static_cast<HResult>(0x88982F70u);

struct ResultWords {
  HResult hr;
  const char* words;
};

// The results the loaders return (texture_loaders.h, hresult.h, and the
// system errors of opening a file), as a user would want them explained.
constexpr ResultWords kResultWords[] = {
    {HResultFromSystemError(2), "file not found"},
    {HResultFromSystemError(3), "folder not found"},
    {kAccessDenied, "access denied"},
    {HResultFromSystemError(32), "in use by another program"},
    {HResultFromSystemError(206), "path too long"},
    {kEFail, "damaged, or the file ends early"},
    {kInvalidData, "header fields that contradict each other"},
    {kEInvalidArg, "sizes, counts or pixel format out of range"},
    {kNotSupported, "a kind of image the loaders do not read (palette, partial cube map, ...)"},
    {kEOutOfMemory, "out of memory"},
    {kEPointer, "an image without pixels"},
    {kENoInterface, "no image codecs available"},
    {kEUnexpected, "a pixel format that cannot be converted"},
    {kEArithmeticOverflow, "sizes too large to compute"},
    {kCodecComponentNotFound, "not an image any loader reads"},
    {kCodecBadImage, "damaged image data, or the file ends early"},
    {kCodecBadHeader, "damaged image header"},
    {kCodecStreamRead, "the file cannot be read to its end"},
    {kCodecUnsupportedPixelFormat, "a pixel format the codecs do not read"},
    {kCodecPropertyNotFound, "an image property is missing"},
    {kCodecUnsupportedOperation, "an operation the codec does not support"},
    {kCodecValueOutOfRange, "a value out of range in the image"},
    {kCodecUnknownImageFormat, "an image format the codec does not know"},
    {kCodecImageSizeOutOfRange, "image size out of range"},
    {kCodecFrameMissing, "no picture in the image file"},
    {kCodecBadStreamData, "damaged image data"},
};

bool IsDirectory(const std::filesystem::path& file) {
  std::error_code ignored;
  return std::filesystem::is_directory(file, ignored);
}

// kFileTooLarge stands both for a file of 4 GiB or more and for a picture
// past the texture limits; the file's size tells which.
std::string TooLargeWords(const std::filesystem::path& file) {
  std::error_code failed;
  const std::uintmax_t size = std::filesystem::file_size(file, failed);
  if (!failed && size > kMaxTextureFileBytes) return "too large (a file of 4 GiB or more)";
  return "too large (a texture may be at most " + std::to_string(kMaxTextureSide) +
         " pixels a side, " + std::to_string(kMaxVolumeTextureSide) + " for 3-D textures, " +
         std::to_string(kMaxTextureArraySize) + " slices and " +
         std::to_string(kMaxDecodedTextureBytes >> 20) + " MiB decoded)";
}

std::string WordsFor(const std::filesystem::path& file, HResult hr) {
  if (hr == kAccessDenied && IsDirectory(file)) return "is a directory";
  if (hr == kFileTooLarge) return TooLargeWords(file);
  for (const ResultWords& entry : kResultWords) {
    if (entry.hr == hr) return entry.words;
  }
  return "failed";
}

// Appended piece by piece: GCC 12 misjudges "literal" + string as overlapping.
std::string Quoted(const std::u16string& text) {
  std::string quoted(1, '"');
  quoted += Utf16ToUtf8(text);
  quoted += '"';
  return quoted;
}

}  // namespace

std::string HexResult(HResult hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

std::string TextureFailureText(const std::filesystem::path& file, HResult hr) {
  return WordsFor(file, hr) + " (" + HexResult(hr) + ")";
}

std::string TextureRefusalText(const TextureLookup& texture, HResult hr) {
  return "its texture " + Quoted(texture.name) + " (" + Utf16ToUtf8(texture.path) +
         ") cannot be loaded: " + TextureFailureText(ToFsPath(texture.path), hr);
}

}  // namespace brivonel
