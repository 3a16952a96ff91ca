#include "app/standard_file_decoders.h"

#include <optional>
#include <string>

#include "base/trace.h"
#include "formats/drawable_model.h"
#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"

namespace brivonel {

int StandardFileDecoders::DecodeModel(const std::u16string& path, std::shared_ptr<Model>& model,
                                      ModelFileKind kind) {
  const int result = kind == ModelFileKind::kPmd ? PMDDecoder().Decode(path, model)
                                                 : PMXDecoder().Decode(path, model);
  if (result != ModelBuilt) return result;
  // Refused like content the decoder refuses: the message and the dialog.
  if (const std::optional<std::string> reason = WhyNothingIsDrawn(*model)) {
    TraceFormat("model refused: %s\n", reason->c_str());
    return FormatError;
  }
  return ModelBuilt;
}

int StandardFileDecoders::DecodeMotion(const std::u16string& path,
                                       std::shared_ptr<Animation>& animation,
                                       const std::vector<Bone>& bones) {
  VMDDecoder decoder;
  return decoder.Decode(path, animation, bones);
}

}  // namespace brivonel
