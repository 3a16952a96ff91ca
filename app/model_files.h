#pragma once
// Choosing a decoder by file name and turning decoder results into the
// application's codes.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

// The decoder a model file's name asks for by its extension: ".pmd" or
// ".pmx", compared exactly (".PMX" is no model file); none for any other.
std::optional<ModelFileKind> ModelFileKindOf(std::u16string_view name);

// Decoder result -> application code: built 0, refused content 1003, file
// not opened 1002, anything else 1203.
std::int32_t CodeOfDecodeResult(int decodeResult);

// One decoder call (model or motion, as `what` says) as an application code.
// A file that ends early, or any other fault in it (a standard exception), is
// a failed attempt: 1203, and a trace line. AppException, a fatal graphics
// error such as a texture the device refused, passes on and ends the load.
// *reason gets the exception's words.
std::int32_t AttemptDecode(const char* what, const std::function<int()>& decode,
                           std::string* reason = nullptr);

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
  // Why the last call's file was refused, in words ("not a VMD motion");
  // empty when the decoder gave no reason.
  virtual std::string LastRefusal() const { return {}; }
};

// Why a file could not be opened, in words: "file not found", "is a
// directory" or "cannot be opened".
std::string OpenFailureReason(std::u16string_view path);

}  // namespace brivonel
