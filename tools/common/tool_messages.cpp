#include "tools/common/tool_messages.h"

#include <system_error>

#include "base/unicode.h"

namespace brivonel::tools {

std::string MissingTextureWarning(const TextureLookup& texture) {
  // Appended piece by piece: GCC 12 misjudges "literal" + string as overlapping.
  std::string text = "warning: texture \"";
  text += Utf16ToUtf8(texture.name);
  text += "\" not found (looked for ";
  text += Utf16ToUtf8(texture.path);
  text += ")";
  return text;
}

std::string OpenFailureText(const std::filesystem::path& file) {
  std::error_code failed;
  const std::filesystem::file_status status = std::filesystem::status(file, failed);
  if (std::filesystem::is_directory(status)) return "is a directory";
  if (!std::filesystem::exists(status)) return "file not found";
  return "cannot be opened";
}

}  // namespace brivonel::tools
