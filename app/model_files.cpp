#include "app/model_files.h"

#include <exception>
#include <filesystem>

#include "base/app_exception.h"
#include "base/error_codes.h"
#include "base/trace.h"
#include "base/unicode.h"
#include "formats/decoder.h"

namespace brivonel {
namespace {

constexpr std::size_t kMaxExtension = 260;

}  // namespace

std::u16string FileExtension(std::u16string_view path) {
  const std::size_t separator = path.find_last_of(u"/\\:");
  const std::size_t nameStart = separator == std::u16string_view::npos ? 0 : separator + 1;
  const std::size_t dot = path.rfind(u'.');
  if (dot == std::u16string_view::npos || dot < nameStart) return {};
  return std::u16string(path.substr(dot, kMaxExtension));
}

std::optional<ModelFileKind> ModelFileKindOf(std::u16string_view name) {
  const std::u16string extension = FileExtension(name);
  if (extension == u".pmd") return ModelFileKind::kPmd;
  if (extension == u".pmx") return ModelFileKind::kPmx;
  return std::nullopt;
}

std::string OpenFailureReason(std::u16string_view path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(ToFsPath(path), error);
  if (!std::filesystem::exists(status)) return "file not found";
  if (std::filesystem::is_directory(status)) return "is a directory";
  return "cannot be opened";
}

std::int32_t CodeOfDecodeResult(int decodeResult) {
  switch (decodeResult) {
    case ModelBuilt:
      return error::kOk;
    case FormatError:
      return error::kModelDataInvalid;
    case OpenFailed:
      return error::kFileNotFound;
    default:
      return error::kLoadFailed;
  }
}

std::int32_t AttemptDecode(const char* what, const std::function<int()>& decode,
                           std::string* reason) {
  try {
    return CodeOfDecodeResult(decode());
  } catch (const AppException&) {
    throw;
  } catch (const std::exception& e) {
    TraceFormat("%s file not loaded: %s\n", what, e.what());
    if (reason != nullptr) *reason = e.what();
    return error::kLoadFailed;
  }
}

}  // namespace brivonel
