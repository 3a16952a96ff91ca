#pragma once
// The words the tools put beside a result code or a file, so that both tools
// explain a failure the same way. The code stays in every line: the
// program's error box shows only the code, and users search for it.
#include <filesystem>
#include <string>

#include "base/hresult.h"
#include "render/texture_failure_text.h"
#include "render/texture_pool.h"

namespace brivonel::tools {

// The texture loaders' failures in words, as the program's boxes give them.
using brivonel::HexResult;
using brivonel::TextureFailureText;
using brivonel::TextureRefusalText;

// A texture the model names that is not there (the program then draws the
// material without it): "warning: texture "NAME" not found (looked for PATH)".
std::string MissingTextureWarning(const TextureLookup& texture);

// Why a file given on the command line could not be opened: "file not
// found", "is a directory" or "cannot be opened".
std::string OpenFailureText(const std::filesystem::path& file);

}  // namespace brivonel::tools
