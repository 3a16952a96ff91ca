#include "app/standard_file_decoders.h"

#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"

namespace brivonel {

int StandardFileDecoders::DecodeModel(const std::u16string& path, std::shared_ptr<Model>& model,
                                      ModelFileKind kind) {
  if (kind == ModelFileKind::kPmd) {
    PMDDecoder decoder;
    return decoder.Decode(path, model);
  }
  PMXDecoder decoder;
  return decoder.Decode(path, model);
}

int StandardFileDecoders::DecodeMotion(const std::u16string& path,
                                       std::shared_ptr<Animation>& animation,
                                       const std::vector<Bone>& bones) {
  VMDDecoder decoder;
  return decoder.Decode(path, animation, bones);
}

}  // namespace brivonel
