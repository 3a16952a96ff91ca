// The decoders' file reading: files are mapped, not copied, and a file larger
// than a model or motion may be is refused from its size before it is read.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "base/unicode.h"
#include "formats/mapped_file.h"
#include "formats/pmd_decoder.h"
#include "formats/pmx_decoder.h"
#include "formats/vmd_decoder.h"
#include "formats/writer/byte_writer.h"
#include "tests/support/temp_dir.h"

namespace brivonel {
namespace {

using Outcome = MappedFile::Outcome;

// A file of size bytes that takes no room on the disk: its bytes read as
// zeros.
std::u16string SparseFile(const test::TempDir& dir, const char* name, std::uint64_t size) {
  const std::filesystem::path path = dir / name;
  writer::WriteFile(path, {});
  std::filesystem::resize_file(path, size);
  return FromFsPath(path);
}

TEST(MappedFileTest, RegularFilesWithinTheBoundAreMappedWhole) {
  test::TempDir dir;
  const std::vector<std::uint8_t> hundred(100, 0x5A);
  writer::WriteFile(dir / "hundred.bin", hundred);
  writer::WriteFile(dir / "empty.bin", {});
  std::filesystem::create_directory(dir / "folder");
#if !defined(_WIN32)
  // A FIFO must neither be mapped nor wait for a writer.
  ::mkfifo((dir / "fifo").c_str(), 0600);
#endif
  const struct {
    const char* name;
    std::uint64_t bound;
    Outcome outcome;
    std::uint64_t size;
  } cases[] = {
      {"hundred.bin", 100, Outcome::kMapped, 100},   {"hundred.bin", 99, Outcome::kTooLarge, 100},
      {"empty.bin", 0, Outcome::kMapped, 0},         {"missing.bin", 100, Outcome::kCannotOpen, 0},
      {"folder", 100, Outcome::kCannotOpen, 0},
#if !defined(_WIN32)
      {"fifo", 100, Outcome::kCannotOpen, 0},
#endif
  };
  for (const auto& c : cases) {
    const MappedFile file = MappedFile::Open(FromFsPath(dir / c.name), c.bound);
    EXPECT_EQ(file.outcome(), c.outcome) << c.name << " within " << c.bound;
    EXPECT_EQ(file.fileSize(), c.size) << c.name;
    const std::vector<std::uint8_t> bytes(file.bytes().begin(), file.bytes().end());
    EXPECT_EQ(bytes, c.outcome == Outcome::kMapped && c.size == 100 ? hundred
                                                                    : std::vector<std::uint8_t>())
        << c.name;
  }
}

// What a decoder's ReadFile makes of a file of zeros of the given size.
struct ReadOutcome {
  int result;
  std::string formatError;
};

template <typename Decoder, typename Record>
ReadOutcome ReadThrough(const std::u16string& path) {
  std::shared_ptr<Record> record;
  const int result = Decoder().ReadFile(path, record);
  return {result, record ? record->formatError : "no record"};
}

TEST(DecoderBoundsTest, FilesLargerThanTheirKindMayBeAreRefusedBeforeTheyAreRead) {
  constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
  constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
  test::TempDir dir;
  const std::string overModel = "the file has 1073741825 bytes, more than the 1 GiB a model file may have";
  const struct {
    const char* name;
    std::uint64_t size;
    ReadOutcome (*read)(const std::u16string&);
    ReadOutcome expected;
  } cases[] = {
      {"over.pmx", kGiB + 1, ReadThrough<PMXDecoder, PMXModel>, {FormatError, overModel}},
      {"over.pmd", kGiB + 1, ReadThrough<PMDDecoder, PMDModel>, {FormatError, overModel}},
      // At the bound the file is read, and refused for what it holds.
      {"at.pmd", kGiB, ReadThrough<PMDDecoder, PMDModel>,
       {FormatError, "not a PMD file: it does not start with \"Pmd\""}},
      {"over.vmd", 256 * kMiB + 1, ReadThrough<VMDDecoder, VMDMotion>,
       {FormatError, "the file has 268435457 bytes, more than the 256 MiB a motion file may have"}},
      {"at.vmd", 256 * kMiB, ReadThrough<VMDDecoder, VMDMotion>, {FormatError, "not a VMD motion"}},
  };
  for (const auto& c : cases) {
    const ReadOutcome outcome = c.read(SparseFile(dir, c.name, c.size));
    EXPECT_EQ(outcome.result, c.expected.result) << c.name;
    EXPECT_EQ(outcome.formatError, c.expected.formatError) << c.name;
  }
}

}  // namespace
}  // namespace brivonel
