#include "formats/writer/vmd_writer.h"

#include <algorithm>

#include "formats/writer/byte_writer.h"

namespace brivonel::writer {

std::vector<std::uint8_t> WriteVmd(const VMDMotion& motion) {
  ByteWriter out;
  const bool noHeader = std::all_of(std::begin(motion.header), std::end(motion.header),
                                    [](std::uint8_t b) { return b == 0; });
  if (noHeader) {
    out.Field("Vocaloid Motion Data 0002", 30);
  } else {
    out.Bytes(motion.header, 30);
  }
  out.Bytes(motion.modelName, 20);
  out.U32(static_cast<std::uint32_t>(motion.boneFrames.size()));
  for (const VMDBoneFrame& f : motion.boneFrames) {
    out.Bytes(f.nameSjis, 15).U32(f.frame).Put(f.translation).Put(f.rotation);
    out.Bytes(f.interpolation, 64);
  }
  out.U32(static_cast<std::uint32_t>(motion.morphFrames.size()));
  for (const VMDMorphFrame& f : motion.morphFrames) {
    out.Bytes(f.nameSjis, 15).U32(f.frame).F32(f.weight);
  }
  out.U32(0);  // camera keyframes
  out.U32(0);  // light keyframes
  out.U32(0);  // self-shadow keyframes
  if (motion.propertyFrames.empty()) return std::move(out.bytes());
  out.U32(static_cast<std::uint32_t>(motion.propertyFrames.size()));
  for (const VMDPropertyFrame& f : motion.propertyFrames) {
    out.U32(f.frame).U8(f.shown).U32(f.switchCount);
    for (std::size_t i = f.firstSwitch; i < std::size_t{f.firstSwitch} + f.switchCount; ++i)
      out.Bytes(motion.ikSwitches[i].nameSjis, 20).U8(motion.ikSwitches[i].enabled);
  }
  return std::move(out.bytes());
}

VMDBoneFrame MakeBoneFrame(std::u16string_view name, std::uint32_t frame,
                           const Float3& translation, const Float4& rotation) {
  VMDBoneFrame f;
  SetShiftJisField(f.nameSjis, 15, name);
  f.name = name;
  f.frame = frame;
  f.translation = translation;
  f.rotation = rotation;
  // Linear curves: control points (20, 20) and (107, 107) on all four.
  for (int i = 0; i < 8; ++i) f.interpolation[i] = 20;
  for (int i = 8; i < 16; ++i) f.interpolation[i] = 107;
  return f;
}

VMDMorphFrame MakeMorphFrame(std::u16string_view name, std::uint32_t frame, float weight) {
  VMDMorphFrame f;
  SetShiftJisField(f.nameSjis, 15, name);
  f.name = name;
  f.frame = frame;
  f.weight = weight;
  return f;
}

void AddPropertyFrame(VMDMotion& motion, std::uint32_t frame, bool shown,
                      std::initializer_list<IkSwitchOf> switches) {
  VMDPropertyFrame& f = motion.propertyFrames.emplace_back();
  f.frame = frame;
  f.shown = shown ? 1 : 0;
  f.firstSwitch = static_cast<std::uint32_t>(motion.ikSwitches.size());
  f.switchCount = static_cast<std::uint32_t>(switches.size());
  for (const IkSwitchOf& s : switches) {
    VMDIkSwitch& written = motion.ikSwitches.emplace_back();
    SetShiftJisField(written.nameSjis, 20, s.bone);
    written.name = s.bone;
    written.enabled = s.on ? 1 : 0;
  }
}

}  // namespace brivonel::writer
