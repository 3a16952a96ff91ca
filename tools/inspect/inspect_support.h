#pragma once
// What the inspect subcommands share: argument parsing, the one-line error
// report, guarded running, decoding a model file, and timing.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/app_exception.h"
#include "formats/binary_cursor.h"
#include "formats/decoder.h"
#include "model/model.h"
#include "tools/common/tool_messages.h"
#include "tools/inspect/inspect_commands.h"

namespace brivonel::tools {

// A problem with a file: reported as "brivonel-inspect: FILE: problem".
class InspectError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Prints "brivonel-inspect: file: problem" on stderr; returns kExitFailed.
int ReportFailure(const std::string& file, const std::string& problem);
// Prints "brivonel-inspect: file: warning: ..." on stderr; the command goes on.
void ReportWarning(const std::string& file, const std::string& warning);
int ReportUsage(const std::string& problem);

// A count for --bench: a whole number from 1 to 1,000,000.
std::optional<int> ParseCount(const std::string& text);

// Command-line options of the model and motion subcommands.
struct FileOptions {
  std::string file;
  std::string model;  // --model (motion only)
  int bench = 0;      // --bench N; 0 without
};
// Parses "FILE [--model MODEL] [--bench N]"; allowModel says whether --model
// is accepted. Returns nullopt after reporting a usage problem.
std::optional<FileOptions> ParseFileOptions(const std::vector<std::string>& args,
                                            bool allowModel);

// The file mapped as the program's decoders map it; throws InspectError
// for one that cannot be opened or is larger than maxBytes (`kind` names
// what it should be: "model", "motion").
MappedFile MapInspectedFile(const std::u16string& path, std::uint64_t maxBytes,
                            std::string_view kind);

// A model file decoded the way the program decodes it, chosen by its
// extension (".pmx" or ".pmd", any letter case; else by its first bytes).
struct DecodedModel {
  std::string format;  // "pmx" or "pmd"
  std::shared_ptr<Model> model;
  std::vector<std::u16string> textures;  // the texture names the file lists
  std::vector<TextureLookup> missingTextures;  // looked for and not found (when loading them)
  std::string physicsNote;  // why the model has no physics although the file has some
  std::uint64_t fileSize = 0;
};
// Throws InspectError for a file that cannot be opened or is refused, or
// whose texture cannot be loaded, and lets FileEndsEarly and other
// AppExceptions pass.
DecodedModel DecodeModelFile(const std::string& file, TextureLoading textures);

// Processor seconds this program has used, for --bench: on a busy machine
// they count the program's own work, not the time others take.
double CpuSeconds();

// Runs body, turning every failure into a one-line report about file: a
// file that ends early, a refused file, the program's fatal errors, lack of
// memory and any other exception.
template <typename Body>
int RunGuarded(const std::string& file, Body body) {
  try {
    return body();
  } catch (const InspectError& e) {
    return ReportFailure(file, e.what());
  } catch (const FileEndsEarly& e) {
    return ReportFailure(file, e.what());
  } catch (const AppException& e) {
    return ReportFailure(file, "the program's error " + std::to_string(e.code()) + " (" +
                                   HexResult(e.hr()) + ")");
  } catch (const std::bad_alloc&) {
    return ReportFailure(file, "out of memory");
  } catch (const std::exception& e) {
    return ReportFailure(file, std::string("failed: ") + e.what());
  }
}

// Prints {"decodes": N, "msPerDecode": X, "MBps": Y} (MB = 10^6 bytes).
void PrintBench(int decodes, double seconds, std::uint64_t bytesPerDecode);

}  // namespace brivonel::tools
