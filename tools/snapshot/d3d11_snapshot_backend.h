#pragma once
// The snapshot tool on Windows: Direct3D 11 offscreen, the imaging
// component for image files and for writing the PNG.
#include "app/windows/offscreen_presenter_d3d11.h"
#include "tools/snapshot/snapshot.h"

namespace brivonel::snapshot {

class D3d11SnapshotBackend final : public ISnapshotBackend {
 public:
  // Initialises COM on this thread for the imaging component. It stays
  // initialised until the process ends: the image loader keeps its factory
  // that long.
  D3d11SnapshotBackend();

  IPresenter& presenter() override { return presenter_; }
  const std::vector<std::uint8_t>& frame() const override { return presenter_.frame(); }
  std::string DeviceFailure() const override { return presenter_.failure(); }
  std::string DeviceName() const override { return presenter_.DeviceName(); }
  void InstallImageLoaders() override;
  bool WritePng(const std::filesystem::path& path, std::int32_t width, std::int32_t height,
                const std::vector<std::uint8_t>& rgba, std::string* error) override;

 private:
  OffscreenPresenterD3d11 presenter_;
};

}  // namespace brivonel::snapshot
