#pragma once
// Decoder of PMD model files: ReadFile reads the file into a PMDModel, and
// BuildModel turns that record into the Model (one mesh, materials with
// generated names and toon textures, bones with knee limits and bones that
// take a share of another's rotation, IK chains, facial morphs as vertex
// morphs).
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "formats/decoder.h"
#include "formats/pmd_records.h"
#include "model/model.h"

namespace brivonel {

class PMDDecoder : public I3DModelDecoder {
 public:
  ~PMDDecoder() override;

  // Reads path and builds model in place. Returns OpenFailed, FormatError or
  // ModelBuilt; a file that ends early raises FileEndsEarly; a texture that
  // exists but cannot be decoded raises AppException (1104).
  virtual int Decode(const char16_t* path, std::shared_ptr<Model>& model);
  virtual int Decode(const std::u16string& path, std::shared_ptr<Model>& model);
  // OpenFailed, FormatError (reason in record->formatError) or FileRead.
  virtual int ReadFile(const std::u16string& path, std::shared_ptr<PMDModel>& record);
  // FormatError (reason in record->formatError) or ModelBuilt.
  virtual int BuildModel(std::shared_ptr<PMDModel> record, std::shared_ptr<Model> model);

  // The two stages on memory and plain references, for tools, fuzzers and
  // benchmarks. Read returns FormatError (an empty file, or one without the
  // "Pmd" signature) or FileRead.
  static int Read(std::span<const std::uint8_t> data, PMDModel& record);
  static int Build(PMDModel& record, Model& model, TextureLoading textures);
};

}  // namespace brivonel
