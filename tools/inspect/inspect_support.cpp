#include "tools/inspect/inspect_support.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "base/unicode.h"
#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "formats/text_encoding.h"
#include "render/null_gpu.h"
#include "tools/inspect/json_writer.h"

namespace brivonel::tools {

int ReportFailure(const std::string& file, const std::string& problem) {
  std::fprintf(stderr, "brivonel-inspect: %s: %s\n", file.c_str(), problem.c_str());
  return kExitFailed;
}

void ReportWarning(const std::string& file, const std::string& warning) {
  std::fprintf(stderr, "brivonel-inspect: %s: %s\n", file.c_str(), warning.c_str());
}

int ReportUsage(const std::string& problem) {
  std::fprintf(stderr, "brivonel-inspect: %s (see brivonel-inspect --help)\n", problem.c_str());
  return kExitUsage;
}

std::optional<int> ParseCount(const std::string& text) {
  if (text.empty() || text.size() > 7) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 1000000) return std::nullopt;
  return value;
}

std::optional<FileOptions> ParseFileOptions(const std::vector<std::string>& args,
                                            bool allowModel) {
  FileOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--bench") {
      const std::optional<int> count = hasValue ? ParseCount(args[++i]) : std::nullopt;
      if (!count) {
        ReportUsage("--bench needs a count from 1 to 1000000");
        return std::nullopt;
      }
      options.bench = *count;
    } else if (arg == "--model" && allowModel) {
      if (!hasValue) {
        ReportUsage("--model needs a model file");
        return std::nullopt;
      }
      options.model = args[++i];
    } else if (arg.starts_with("--") || !options.file.empty()) {
      ReportUsage("unexpected argument \"" + arg + "\"");
      return std::nullopt;
    } else {
      options.file = arg;
    }
  }
  if (options.file.empty()) {
    ReportUsage("no file given");
    return std::nullopt;
  }
  return options;
}

namespace {

std::string LowerExtension(const std::string& file) {
  const std::size_t dot = file.rfind('.');
  if (dot == std::string::npos) return {};
  std::string extension = file.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

std::string ChooseFormat(const std::string& file, std::span<const std::uint8_t> bytes) {
  const std::string extension = LowerExtension(file);
  if (extension == ".pmx") return "pmx";
  if (extension == ".pmd") return "pmd";
  if (bytes.size() >= 4 && std::memcmp(bytes.data(), "PMX ", 4) == 0) return "pmx";
  if (bytes.size() >= 3 && std::memcmp(bytes.data(), "Pmd", 3) == 0) return "pmd";
  throw InspectError("not a PMX or PMD model file");
}

void AddDistinct(std::vector<std::u16string>& names, const std::u16string& name) {
  if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
    names.push_back(name);
  }
}

// The PMD texture field's names: the texture and, after "*" or "/", the sphere.
void AddPmdTextureNames(const PMDMaterial& material, std::vector<std::u16string>& names) {
  char field[21] = {};
  std::memcpy(field, material.textureField, sizeof material.textureField);
  std::string_view text(field);
  const std::size_t split = text.find_first_of("*/");
  for (std::string_view part : {text.substr(0, split), split == std::string_view::npos
                                                             ? std::string_view()
                                                             : text.substr(split + 1)}) {
    std::u16string name;
    if (!part.empty() && ShiftJisToWide(part, name) > 0) AddDistinct(names, name);
  }
}

void BuildDecodedModel(std::span<const std::uint8_t> bytes, TextureLoading textures,
                       DecodedModel& decoded) {
  if (decoded.format == "pmx") {
    PMXModel record;
    if (PMXDecoder::Read(bytes, record) != FileRead ||
        PMXDecoder::Build(record, *decoded.model, textures) != ModelBuilt) {
      throw InspectError("format error: " + record.formatError);
    }
    decoded.textures = record.textures;
    decoded.physicsNote = record.physicsNote;
  } else {
    PMDModel record;
    if (PMDDecoder::Read(bytes, record) != FileRead ||
        PMDDecoder::Build(record, *decoded.model, textures) != ModelBuilt) {
      throw InspectError("format error: " + record.formatError);
    }
    for (const PMDMaterial& m : record.materials) AddPmdTextureNames(m, decoded.textures);
    decoded.physicsNote = record.physicsNote;
  }
}

}  // namespace

MappedFile MapInspectedFile(const std::u16string& path, std::uint64_t maxBytes,
                            std::string_view kind) {
  MappedFile file;
  std::string tooLarge;
  switch (OpenForDecoding(path, maxBytes, kind, file, tooLarge)) {
    case FileRead:
      return file;
    case FormatError:
      throw InspectError(tooLarge);
    default:
      throw InspectError(OpenFailureText(ToFsPath(path)));
  }
}

DecodedModel DecodeModelFile(const std::string& file, TextureLoading textures) {
  const std::u16string path = Utf8ToUtf16(file);
  const MappedFile bytes = MapInspectedFile(path, kMaxModelFileBytes, "model");
  DecodedModel decoded;
  decoded.fileSize = bytes.fileSize();
  decoded.format = ChooseFormat(file, bytes.bytes());
  decoded.model = std::make_shared<Model>();
  if (textures == TextureLoading::kLoad) {
    // The texture pool loads and decodes texture files as the program would.
    decoded.model->SetDevice(nullptr, std::make_shared<gpu::NullGpu>());
  }
  decoded.model->path = path;
  try {
    BuildDecodedModel(bytes.bytes(), textures, decoded);
  } catch (const AppException& e) {
    // The texture pool names the texture it could not load.
    const std::optional<TextureLookup>& refused = decoded.model->texturePool.Refused();
    if (e.code() != error::kTextures || !refused) throw;
    throw InspectError(TextureRefusalText(*refused, e.hr()) + " (the program's error " +
                       std::to_string(e.code()) + ")");
  }
  decoded.missingTextures = decoded.model->texturePool.NotFound();
  return decoded;
}

double CpuSeconds() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

void PrintBench(int decodes, double seconds, std::uint64_t bytesPerDecode) {
  JsonWriter json;
  json.BeginObject();
  json.Field("decodes", decodes);
  json.Field("msPerDecode", seconds * 1000.0 / decodes);
  json.Field("MBps", seconds > 0.0
                         ? static_cast<double>(bytesPerDecode) * decodes / seconds / 1e6
                         : 0.0);
  json.EndObject();
  std::printf("%s\n", json.text().c_str());
}

}  // namespace brivonel::tools
