#pragma once
// Choosing a decoder by file name and turning decoder results into the
// application's codes.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/animation.h"
#include "model/model.h"

namespace brivonel {

enum class ModelFileKind { kPmd, kPmx };

// The extension of a path as the Windows path splitter finds it: the last
// "." of the file name (the part after the last "/", "\" or ":") and what
// follows; empty when the name has no ".". At most 260 characters.
std::u16string FileExtension(std::u16string_view path);

// Decoder result -> application code: built 0, refused content 1003, file
// not opened 1002, anything else 1203.
std::int32_t CodeOfDecodeResult(int decodeResult);

// The decoders the application loads files with, one call per file. They
// return a decoder result; a file that ends early raises a standard
// exception; fatal graphics errors (textures) raise AppException.
class IFileDecoders {
 public:
  virtual ~IFileDecoders() = default;
  virtual int DecodeModel(const std::u16string& path, std::shared_ptr<Model>& model,
                          ModelFileKind kind) = 0;
  virtual int DecodeMotion(const std::u16string& path, std::shared_ptr<Animation>& animation,
                           const std::vector<Bone>& bones) = 0;
};

}  // namespace brivonel
