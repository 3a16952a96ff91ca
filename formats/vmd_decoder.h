#pragma once
// Decoder of VMD motion files: ReadFile reads the keyframes into a VMDMotion,
// and BuildAnimation groups them into per-bone and per-morph tracks sorted by
// frame for the current model.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "formats/decoder.h"
#include "formats/vmd_records.h"
#include "model/animation.h"
#include "model/model.h"

namespace brivonel {

class VMDDecoder : public I3DModelDecoder {
 public:
  ~VMDDecoder() override = default;

  // OpenFailed, FormatError or ModelBuilt (the Animation is complete). A
  // file without the VMD header, or larger than a motion may be, is refused
  // (reason in the record's formatError); a file shorter than its counts
  // decodes what it holds.
  virtual int Decode(const std::u16string& path, std::shared_ptr<Animation> animation,
                     const std::vector<Bone>& modelBones);
  // OpenFailed, FormatError (reason in motion->formatError) or FileRead.
  virtual int ReadFile(const std::u16string& path, std::shared_ptr<VMDMotion>& motion);
  // Appends tracks to animation (which should be fresh); returns ModelBuilt.
  virtual int BuildAnimation(const std::shared_ptr<VMDMotion>& motion,
                             std::shared_ptr<Animation> animation,
                             const std::vector<Bone>& modelBones);

  // Whether data starts with a VMD file's header.
  static bool HasVmdHeader(std::span<const std::uint8_t> data);

  // Reading from memory (whatever the header says), for tools, fuzzers and benchmarks; returns FileRead.
  static int Read(std::span<const std::uint8_t> data, VMDMotion& motion);
  static int Build(const VMDMotion& motion, Animation& animation,
                   const std::vector<Bone>& modelBones);
};

}  // namespace brivonel
