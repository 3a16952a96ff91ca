#pragma once
// What every decoder shares: the result codes, the base of the model
// decoders, the refusal of broken content, and the bounds of the files
// they open.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "formats/mapped_file.h"

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

// The largest files the decoders open. Real characters are tens of
// megabytes and real dances a few; a file beyond these is a mistaken pick
// (or a hostile one) and is refused from its size, before it is read.
inline constexpr std::uint64_t kMaxModelFileBytes = std::uint64_t{1} << 30;   // 1 GiB
inline constexpr std::uint64_t kMaxMotionFileBytes = std::uint64_t{256} << 20;  // 256 MiB

// Maps a file for a decoder: OpenFailed when it cannot be opened,
// FormatError with the reason in words when it is larger than maxBytes
// (`kind` names what it should have been: "model", "motion"), else FileRead
// with the file in `file`.
int OpenForDecoding(std::u16string_view path, std::uint64_t maxBytes, std::string_view kind,
                    MappedFile& file, std::string& reason);

}  // namespace brivonel
