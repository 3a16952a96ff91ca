// A dance as a VMD record: the keys in the order the dance lists them (the
// centre's first, as motion editors write them), Shift-JIS names.
#include "formats/writer/vmd_writer.h"
#include "tools/sample_generator/assembly.h"
#include "formats/writer/byte_writer.h"

namespace brivonel::samples {

VMDMotion ToVmdRecord(const Dance& dance, std::u16string_view modelName) {
  VMDMotion out;
  writer::SetShiftJisField(out.modelName, sizeof out.modelName, modelName);
  for (const DanceBoneKey& key : dance.boneKeys) {
    VMDBoneFrame frame = writer::MakeBoneFrame(
        key.bone, key.frame, {key.translation.x, key.translation.y, key.translation.z},
        {key.rotation[0], key.rotation[1], key.rotation[2], key.rotation[3]});
    const auto block = InterpolationBlock(key.curves);
    std::copy(block.begin(), block.end(), frame.interpolation);
    out.boneFrames.push_back(frame);
  }
  for (const DanceMorphKey& key : dance.morphKeys)
    out.morphFrames.push_back(writer::MakeMorphFrame(key.morph, key.frame, key.weight));
  return out;
}

}  // namespace brivonel::samples
