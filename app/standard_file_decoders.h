#pragma once
// The program's own decoders: a local PMXDecoder, PMDDecoder or VMDDecoder
// for each call, living for that one file. A model that draws nothing is
// refused (FormatError) as content the decoders refuse is.
#include "app/model_files.h"

namespace brivonel {

class StandardFileDecoders final : public IFileDecoders {
 public:
  int DecodeModel(const std::u16string& path, std::shared_ptr<Model>& model,
                  ModelFileKind kind) override;
  int DecodeMotion(const std::u16string& path, std::shared_ptr<Animation>& animation,
                   const std::vector<Bone>& bones) override;
  std::string LastRefusal() const override { return refusal_; }

 private:
  std::string refusal_;
};

}  // namespace brivonel
