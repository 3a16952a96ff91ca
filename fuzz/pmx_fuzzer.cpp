// libFuzzer harness: any bytes as a PMX file, mapped and read as the
// program reads one, and built (textures skipped).
#include <cstddef>
#include <cstdint>
#include <memory>

#include "formats/binary_cursor.h"
#include "formats/pmx_decoder.h"
#include "fuzz/fuzz_checks.h"
#include "fuzz/mapped_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace brivonel;
  try {
    std::shared_ptr<PMXModel> record;
    if (PMXDecoder().ReadFile(fuzz::HoldAsFile(data, size), record) != FileRead) return 0;
    Model model;
    if (PMXDecoder::Build(*record, model, TextureLoading::kSkip) == ModelBuilt) {
      fuzz::CheckModel(model);
    }
  } catch (const FileEndsEarly&) {
    // The one way a decoder reports a short file.
  }
  return 0;
}
