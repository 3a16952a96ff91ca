#pragma once
// A texture that cannot be loaded, in words a user can act on. The code
// stays beside the words: users search for it.
#include <filesystem>
#include <string>

#include "base/hresult.h"
#include "render/texture_pool.h"

namespace brivonel {

// "0x80070002"
std::string HexResult(HResult hr);

// Why a texture loader refused file, in words, followed by the code:
// "file not found (0x80070002)", "is a directory (0x80070005)",
// "not an image any loader reads (0x88982F50)", "too large: ... (0x800700DF)".
std::string TextureFailureText(const std::filesystem::path& file, HResult hr);

// A model's texture that could not be loaded:
// "its texture "NAME" (PATH) cannot be loaded: <TextureFailureText>".
std::string TextureRefusalText(const TextureLookup& texture, HResult hr);

}  // namespace brivonel
