#include "app/linux/program_folders.h"

#include <filesystem>

#include "base/unicode.h"
#include "model/model_setup.h"

namespace brivonel {

std::u16string ShaderFolderFor(const std::u16string& executableFolder) {
  const std::u16string shaderFile = std::u16string(kVertexShaderName) + u".glsl";
  std::error_code error;
  if (std::filesystem::exists(ToFsPath(executableFolder + shaderFile), error)) {
    return executableFolder;
  }
  const std::filesystem::path installed =
      (ToFsPath(executableFolder) / ".." / "share" / "brivonel" / "shaders").lexically_normal();
  if (std::filesystem::exists(installed / ToFsPath(shaderFile), error)) {
    return FromFsPath(installed) + u"/";
  }
  return executableFolder;
}

std::optional<std::u16string> SamplesFolderFor(const std::u16string& executableFolder) {
  const std::filesystem::path bin = ToFsPath(executableFolder);
  for (const std::filesystem::path& folder :
       {bin / ".." / "samples", bin / ".." / "share" / "brivonel" / "samples"}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(folder / "nel.pmx", error)) {
      return FromFsPath(folder.lexically_normal());
    }
  }
  return std::nullopt;
}

}  // namespace brivonel
