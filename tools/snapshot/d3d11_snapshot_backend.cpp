#include "tools/snapshot/d3d11_snapshot_backend.h"

#include <objbase.h>

#include "render/windows/wic_image_loader.h"
#include "tools/snapshot/wic_png_writer.h"

namespace brivonel::snapshot {

D3d11SnapshotBackend::D3d11SnapshotBackend() {
  // A second initialisation on the same thread only counts up; a failure
  // shows up as the imaging component's own error when it is first used.
  (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

void D3d11SnapshotBackend::InstallImageLoaders() { RegisterWicImageLoader(); }

bool D3d11SnapshotBackend::WritePng(const std::filesystem::path& path, std::int32_t width,
                                    std::int32_t height, const std::vector<std::uint8_t>& rgba,
                                    std::string* error) {
  return WritePngWithWic(path, width, height, rgba, error);
}

}  // namespace brivonel::snapshot
