// libFuzzer harness: any bytes as a PMD file, read and built (textures skipped).
#include <cstddef>
#include <cstdint>

#include "formats/binary_cursor.h"
#include "formats/pmd_decoder.h"
#include "fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brivonel;
  try {
    PMDModel record;
    PMDDecoder::Read({data, size}, record);
    Model model;
    if (PMDDecoder::Build(record, model, TextureLoading::kSkip) == ModelBuilt) {
      fuzz::CheckModel(model);
    }
  } catch (const FileEndsEarly&) {
    // The one way a decoder reports a short file.
  }
  return 0;
}
