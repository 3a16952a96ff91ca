#pragma once
// What every decoder shares: the result codes, the base of the model
// decoders, the refusal of broken content, and reading a whole file.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace brivonel {

// Results of Decode, ReadFile, BuildModel and BuildAnimation (plain ints).
enum DecodeResult : int {
  OpenFailed = 1,   // the file could not be opened
  FormatError = 2,  // content the decoder refuses
  FileRead = 3,     // ReadFile finished; never returned by Decode
  ModelBuilt = 4,   // BuildModel / BuildAnimation finished
};

// Common base of PMXDecoder and PMDDecoder (and, for its destructor only,
// VMDDecoder). Callers use the concrete decoders directly.
class I3DModelDecoder {
 public:
  virtual ~I3DModelDecoder() = default;
};

// Whether BuildModel loads the textures the materials name. The tools skip
// them to measure or inspect the decoding alone; texture names are filled
// either way and the ids stay -1 when skipped.
enum class TextureLoading { kLoad, kSkip };

// Raised inside a reader or builder for content it refuses; the decoder
// turns it into FormatError and keeps the reason in the decoded record.
class FormatRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A whole file read into memory once; decoders walk it with a BinaryCursor.
struct FileBytes {
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t size = 0;

  std::span<const std::uint8_t> bytes() const { return {data.get(), size}; }
};

// The whole file, or nothing when it cannot be opened or read (a folder, a
// missing file, no permission).
std::optional<FileBytes> ReadWholeFile(std::u16string_view path);

}  // namespace brivonel
