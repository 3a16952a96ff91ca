#include "app/model_files.h"

#include "base/error_codes.h"
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

}  // namespace brivonel
