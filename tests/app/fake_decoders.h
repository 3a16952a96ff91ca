#pragma once
// Decoders that answer from a table of made-up files instead of reading the
// disk, and a model that reports a chosen shift and counts its frames.
#include <ios>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/model_files.h"
#include "base/app_exception.h"
#include "base/unicode.h"
#include "tests/app/fake_platform.h"
#include "tests/support/test_models.h"

namespace brivonel::test {

class ScriptedModel : public Model {
 public:
  int Update(std::uint64_t elapsedMilliseconds) override {
    if (loading) return 0;
    Model::Update(elapsedMilliseconds);  // the motion's properties (a model it hides)
    ++updates;
    lastElapsed = elapsedMilliseconds;
    return shift;
  }
  int Render() override {
    if (loading) return 0;
    ++renders;
    return 0;
  }
  int shift = 0;
  int updates = 0;
  int renders = 0;
  std::uint64_t lastElapsed = 0;
};

enum class FileOutcome { kGood, kOpenFailed, kFormatError, kEndsEarly, kTextureFailure };

struct FakeModelFile {
  FakeModelFile() = default;
  explicit FakeModelFile(FileOutcome fileOutcome) : outcome(fileOutcome) {}
  FileOutcome outcome = FileOutcome::kGood;
  std::vector<std::u16string> morphNames;
  std::vector<bool> texturedMaterials{false};
  int shift = 0;
};

struct FakeMotionFile {
  FakeMotionFile() = default;
  explicit FakeMotionFile(FileOutcome fileOutcome) : outcome(fileOutcome) {}
  FileOutcome outcome = FileOutcome::kGood;
  std::vector<std::u16string> morphTrackNames;
  std::uint32_t loopFrame = 0;  // the latest key (a shown key there)
};

class FakeDecoders : public IFileDecoders {
 public:
  explicit FakeDecoders(EventLog& log) : log_(log) {}

  int DecodeModel(const std::u16string& path, std::shared_ptr<Model>& model,
                  ModelFileKind kind) override {
    log_.push_back(std::string("decode ") + (kind == ModelFileKind::kPmd ? "pmd " : "pmx ") +
                   Utf16ToUtf8(path));
    const auto file = models.find(path);
    if (file == models.end()) return 1;
    switch (file->second.outcome) {
      case FileOutcome::kOpenFailed:
        return 1;
      case FileOutcome::kFormatError:
        return 2;
      case FileOutcome::kEndsEarly:
        throw std::ios_base::failure("basic_ios::clear: iostream error");
      case FileOutcome::kTextureFailure:
        throw AppException(kInvalidData, error::kTextures);
      case FileOutcome::kGood:
        break;
    }
    auto built = std::make_shared<ScriptedModel>();
    built->SetDevice(model->context, model->device);
    built->path = path;
    built->shift = file->second.shift;
    TestModelBuilder builder;
    builder.AddBone({0.0f, 0.0f, 0.0f, 1.0f});
    float x = 0.0f;
    for (std::size_t i = 0; i < file->second.texturedMaterials.size(); ++i, x += 2.0f) {
      builder.AddQuad(builder.AddMaterial({1.0f, 1.0f, 1.0f, 1.0f}), {x, 10.0f, 0.0f, 1.0f}, 1.0f,
                      1.0f);
    }
    builder.Build(*built);
    // One body hanging from the bone, as real characters' hair does.
    physics::RigidBodyDescription hair;
    hair.bone = 0;
    hair.mode = physics::BodyMode::kDynamic;
    hair.mass = 1.0f;
    built->physicsDescription.bodies.push_back(hair);
    for (std::size_t i = 0; i < built->materials.size(); ++i) {
      built->materials[i].textureId = file->second.texturedMaterials[i] ? 0 : -1;
    }
    for (const std::u16string& name : file->second.morphNames) built->morphs[name].name = name;
    model = built;
    return 4;
  }

  int DecodeMotion(const std::u16string& path, std::shared_ptr<Animation>& animation,
                   const std::vector<Bone>&) override {
    log_.push_back("decode motion " + Utf16ToUtf8(path));
    const auto file = motions.find(path);
    if (file == motions.end()) return 1;
    switch (file->second.outcome) {
      case FileOutcome::kOpenFailed:
        return 1;
      case FileOutcome::kFormatError:
        return 2;
      case FileOutcome::kEndsEarly:
        throw std::ios_base::failure("basic_ios::clear: iostream error");
      case FileOutcome::kTextureFailure:
        throw AppException(kInvalidData, error::kTextures);
      case FileOutcome::kGood:
        break;
    }
    animation->name = Utf16ToUtf8(path);
    for (const std::u16string& name : file->second.morphTrackNames) {
      animation->morphTracks[name].name = name;
    }
    if (file->second.loopFrame > 0) animation->shownKeys.push_back({file->second.loopFrame, true});
    return 4;
  }

  std::map<std::u16string, FakeModelFile> models;
  std::map<std::u16string, FakeMotionFile> motions;

 private:
  EventLog& log_;
};

}  // namespace brivonel::test
