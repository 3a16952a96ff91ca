#include "formats/decoder.h"

namespace brivonel {
namespace {

// "1 GiB", "256 MiB": the bounds as people say them.
std::string SizeInWords(std::uint64_t bytes) {
  if (bytes % (std::uint64_t{1} << 30) == 0) return std::to_string(bytes >> 30) + " GiB";
  if (bytes % (std::uint64_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace

int OpenForDecoding(std::u16string_view path, std::uint64_t maxBytes, std::string_view kind,
                    MappedFile& file, std::string& reason) {
  file = MappedFile::Open(path, maxBytes);
  switch (file.outcome()) {
    case MappedFile::Outcome::kMapped:
      return FileRead;
    case MappedFile::Outcome::kTooLarge:
      reason = "the file has " + std::to_string(file.fileSize()) + " bytes, more than the " +
               SizeInWords(maxBytes) + " a " + std::string(kind) + " file may have";
      return FormatError;
    case MappedFile::Outcome::kCannotOpen:
      break;
  }
  return OpenFailed;
}

}  // namespace brivonel
