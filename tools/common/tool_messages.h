#pragma once
// The words the tools put beside a result code or a file, so that both tools
// explain a failure the same way. The code stays in every line: the
// program's error box shows only the code, and users search for it.
#include <filesystem>
#include <string>

#include "base/hresult.h"
#include "render/texture_pool.h"

namespace brivonel::tools {

// "0x80070002"
std::string HexResult(HResult hr);

// Why a texture loader refused file, in words, followed by the code:
// "file not found (0x80070002)", "is a directory (0x80070005)",
// "not an image any loader reads (0x88982F50)", "too large: ... (0x800700DF)".
std::string TextureFailureText(const std::filesystem::path& file, HResult hr);

// A model's texture that could not be loaded:
// "its texture "NAME" (PATH) cannot be loaded: <TextureFailureText>".
std::string TextureRefusalText(const TextureLookup& texture, HResult hr);

// A texture the model names that is not there (the program then draws the
// material without it): "warning: texture "NAME" not found (looked for PATH)".
std::string MissingTextureWarning(const TextureLookup& texture);

// Why a file given on the command line could not be opened: "file not
// found", "is a directory" or "cannot be opened".
std::string OpenFailureText(const std::filesystem::path& file);

}  // namespace brivonel::tools
