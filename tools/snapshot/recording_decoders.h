#pragma once
// The program's decoders, used exactly as the program uses them, that also
// remember why a file was refused: the program only knows that a load
// failed (and would ask for another file), while the snapshot tool says
// which file failed and how.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/model_files.h"

namespace brivonel::snapshot {

struct FileFailure {
  std::string file;  // UTF-8
  std::string what;
};

// Motion settings naming this draw the model in its rest pose.
inline constexpr char16_t kRestPose[] = u"<rest pose>";

class RecordingDecoders final : public IFileDecoders {
 public:
  int DecodeModel(const std::u16string& path, std::shared_ptr<Model>& model,
                  ModelFileKind kind) override;
  int DecodeMotion(const std::u16string& path, std::shared_ptr<Animation>& animation,
                   const std::vector<Bone>& bones) override;

  // The first failure, if any.
  const std::optional<FileFailure>& failure() const { return failure_; }

 private:
  void Remember(const std::u16string& path, std::string what);

  std::optional<FileFailure> failure_;
};

}  // namespace brivonel::snapshot
