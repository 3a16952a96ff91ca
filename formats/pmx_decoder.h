#pragma once
// Decoder of PMX model files: ReadFile reads the file into a PMXModel, and
// BuildModel turns that record into the Model (one mesh, materials, bones,
// IK chains, morphs), loading textures through the model's texture pool.
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "formats/decoder.h"
#include "formats/pmx_records.h"
#include "model/model.h"

namespace brivonel {

class PMXDecoder : public I3DModelDecoder {
 public:
  ~PMXDecoder() override = default;

  // Reads path and builds model in place. Returns OpenFailed, FormatError or
  // ModelBuilt; a file that ends early raises FileEndsEarly; a texture that
  // exists but cannot be decoded raises AppException (1104).
  virtual int Decode(const char16_t* path, std::shared_ptr<Model>& model);
  virtual int Decode(const std::u16string& path, std::shared_ptr<Model>& model);
  // OpenFailed, FormatError (reason in record->formatError) or FileRead.
  virtual int ReadFile(const std::u16string& path, std::shared_ptr<PMXModel>& record);
  // FormatError (reason in record->formatError) or ModelBuilt.
  virtual int BuildModel(std::shared_ptr<PMXModel> record, std::shared_ptr<Model> model);

  // The two stages on memory and plain references, for tools, fuzzers and
  // benchmarks. Read returns FormatError or FileRead.
  static int Read(std::span<const std::uint8_t> data, PMXModel& record);
  static int Build(PMXModel& record, Model& model, TextureLoading textures);
};

}  // namespace brivonel
