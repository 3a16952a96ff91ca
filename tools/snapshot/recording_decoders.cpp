#include "tools/snapshot/recording_decoders.h"

#include <exception>
#include <optional>

#include "base/app_exception.h"
#include "base/unicode.h"
#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"
#include "tools/common/tool_messages.h"

namespace brivonel::snapshot {
namespace {

// The reading and the building step of a model decoder, as its Decode runs
// them, keeping the record so that a refusal can be explained.
template <typename Decoder, typename Record>
int DecodeSteps(const std::u16string& path, const std::shared_ptr<Model>& model,
                const char* format, std::string* reason) {
  Decoder decoder;
  std::shared_ptr<Record> record;
  int result = decoder.ReadFile(path, record);
  if (result == OpenFailed) {
    *reason = tools::OpenFailureText(ToFsPath(path));
    return result;
  }
  if (result == FileRead) {
    model->path = path;  // textures are found beside the model
    result = decoder.BuildModel(record, model);
  }
  if (result != ModelBuilt) {
    *reason = std::string("is not a valid ") + format + " file";
    if (record && !record->formatError.empty()) *reason += ": " + record->formatError;
  }
  return result;
}

}  // namespace

void RecordingDecoders::Remember(const std::u16string& path, std::string what) {
  if (!failure_) failure_ = FileFailure{Utf16ToUtf8(path), std::move(what)};
}

int RecordingDecoders::DecodeModel(const std::u16string& path, std::shared_ptr<Model>& model,
                                   ModelFileKind kind) {
  std::string reason;
  try {
    const int result = kind == ModelFileKind::kPmx
                           ? DecodeSteps<PMXDecoder, PMXModel>(path, model, "PMX", &reason)
                           : DecodeSteps<PMDDecoder, PMDModel>(path, model, "PMD", &reason);
    if (result != ModelBuilt) Remember(path, reason);
    return result;
  } catch (const AppException& e) {
    // The texture pool names the texture it could not load.
    const std::optional<TextureLookup> refused =
        model ? model->texturePool.Refused() : std::nullopt;
    const std::string what = refused ? tools::TextureRefusalText(*refused, e.hr())
                                     : "cannot be loaded (" + tools::HexResult(e.hr()) + ")";
    Remember(path, what + " (the program's error " + std::to_string(e.code()) + ")");
    throw;
  } catch (const std::exception& e) {
    Remember(path, std::string("cannot be read: ") + e.what());
    throw;
  }
}

int RecordingDecoders::DecodeMotion(const std::u16string& path,
                                    std::shared_ptr<Animation>& animation,
                                    const std::vector<Bone>& bones) {
  if (path == kRestPose) return ModelBuilt;  // no tracks: every bone at rest
  try {
    VMDDecoder decoder;
    std::shared_ptr<VMDMotion> motion;
    int result = decoder.ReadFile(path, motion);
    if (result == FileRead) result = decoder.BuildAnimation(motion, animation, bones);
    if (result == OpenFailed) Remember(path, tools::OpenFailureText(ToFsPath(path)));
    if (result == FormatError) Remember(path, "is not a usable VMD file: " + motion->formatError);
    return result;
  } catch (const std::exception& e) {
    Remember(path, std::string("cannot be read: ") + e.what());
    throw;
  }
}

}  // namespace brivonel::snapshot
