#pragma once
// The imaging component's pixel-format GUIDs as the core's codec pixel
// formats, and back (the converter is asked for a GUID).
#include <windows.h>

#include "render/image_codec_formats.h"

namespace brivonel::wic {

// Unknown for a GUID the core has no entry for.
CodecPixelFormat CodecPixelFormatOf(const GUID& format);
// Null for Unknown.
const GUID* PixelFormatGuid(CodecPixelFormat format);

}  // namespace brivonel::wic
