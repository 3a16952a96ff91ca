#include "app/standard_file_decoders.h"

#include <optional>
#include <string>

#include "base/trace.h"
#include "formats/drawable_model.h"
#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"

namespace brivonel {

namespace {

// One model decoder's two stages, so that the refusal's reason (kept in the
// record) reaches the box.
template <typename Decoder, typename Record>
int DecodeModelWith(const std::u16string& path, std::shared_ptr<Model>& model,
                    std::string& refusal) {
  Decoder decoder;
  auto record = std::make_shared<Record>();
  const int read = decoder.ReadFile(path, record);
  if (read != FileRead) {
    refusal = record->formatError;
    return read;
  }
  if (!model) model = std::make_shared<Model>();
  model->path = path;
  const int built = decoder.BuildModel(record, model);
  if (built != ModelBuilt) refusal = record->formatError;
  return built;
}

}  // namespace

int StandardFileDecoders::DecodeModel(const std::u16string& path, std::shared_ptr<Model>& model,
                                      ModelFileKind kind) {
  refusal_.clear();
  const int result = kind == ModelFileKind::kPmd
                         ? DecodeModelWith<PMDDecoder, PMDModel>(path, model, refusal_)
                         : DecodeModelWith<PMXDecoder, PMXModel>(path, model, refusal_);
  if (result != ModelBuilt) return result;
  // Refused like content the decoder refuses: the message and the dialog.
  if (const std::optional<std::string> reason = WhyNothingIsDrawn(*model)) {
    TraceFormat("model refused: %s\n", reason->c_str());
    refusal_ = *reason;
    return FormatError;
  }
  return ModelBuilt;
}

int StandardFileDecoders::DecodeMotion(const std::u16string& path,
                                       std::shared_ptr<Animation>& animation,
                                       const std::vector<Bone>& bones) {
  refusal_.clear();
  VMDDecoder decoder;
  auto motion = std::make_shared<VMDMotion>();
  const int read = decoder.ReadFile(path, motion);
  if (read != FileRead) {
    refusal_ = motion->formatError;
    return read;
  }
  return decoder.BuildAnimation(motion, animation, bones);
}

}  // namespace brivonel
