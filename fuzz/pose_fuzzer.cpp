// libFuzzer harness: a model file followed by a motion file (the motion
// starts at the VMD signature), decoded, prepared on a device that draws
// nothing, and played at several times: pose evaluation, IK, morphs,
// physics, skinning and drawing on whatever a file can hold. No bone may
// end up at a place that is no number.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "formats/binary_cursor.h"
#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"
#include "fuzz/fuzz_checks.h"
#include "model/scene.h"
#include "physics/bullet/bullet_engine.h"
#include "render/null_gpu.h"

namespace {

using namespace brivonel;

constexpr std::string_view kVmdSignature = "Vocaloid Motion Data";
constexpr std::int32_t kWidth = 960;
constexpr std::int32_t kHeight = 1040;

// IK costs iterations x links per chain and frame, and a file may ask for
// 65535 x 255 in every bone. Such files are slow rather than unsafe; the
// harness leaves them out so that it keeps looking for faults.
constexpr std::uint64_t kMostIkStepsPerFrame = 20000;

bool BuildModel(std::span<const std::uint8_t> bytes, Model& model) {
  if (bytes.size() >= 3 && std::memcmp(bytes.data(), "Pmd", 3) == 0) {
    PMDModel record;
    PMDDecoder::Read(bytes, record);
    return PMDDecoder::Build(record, model, TextureLoading::kSkip) == ModelBuilt;
  }
  PMXModel record;
  if (PMXDecoder::Read(bytes, record) != FileRead) return false;
  return PMXDecoder::Build(record, model, TextureLoading::kSkip) == ModelBuilt;
}

std::uint64_t IkStepsPerFrame(const Model& model) {
  std::uint64_t steps = 0;
  for (const IkChain& chain : model.ikChains)
    steps += static_cast<std::uint64_t>(chain.iterations) * chain.linkCount;
  return steps;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::size_t split = std::min(text.find(kVmdSignature), size);
  try {
    auto gpu = std::make_shared<gpu::NullGpu>();
    physics::BulletEngine engine;
    Scene scene;
    scene.Create({gpu, gpu, u""}, u"", kWidth, kHeight);
    scene.SetPhysics(&engine);
    std::shared_ptr<Model> model = scene.NewModel();
    if (!BuildModel({data, split}, *model)) return 0;
    if (IkStepsPerFrame(*model) > kMostIkStepsPerFrame) return 0;
    auto animation = std::make_shared<Animation>();
    VMDMotion motion;
    VMDDecoder::Read({data + split, size - split}, motion);
    VMDDecoder::Build(motion, *animation, model->bones);

    scene.Install(model);
    scene.Prepare(*model);
    Scene::SetMotion(*model, animation);
    // The first frames in order, a jump, one past the loop's end, and times
    // far beyond any motion (the frame counter wraps at 32 bits).
    for (std::uint64_t ms : {0ull, 33ull, 66ull, 1000ull, 990000ull, 141733920768ull,
                             18446744073709551615ull}) {
      model->Update(ms);
      scene.Draw();
      for (const Bone& bone : model->bones)
        for (const auto& row : bone.worldMatrix.m)
          for (float v : row)
            if (!std::isfinite(v)) fuzz::Broken("a bone's world matrix holds a value that is no number");
    }
  } catch (const FileEndsEarly&) {
    // The one way a decoder reports a short file.
  }
  return 0;
}
