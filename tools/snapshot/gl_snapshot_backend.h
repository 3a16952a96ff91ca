#pragma once
// The snapshot tool on Linux: OpenGL offscreen, the Linux image codecs and
// PNG files written with libpng.
#include "app/offscreen/offscreen_presenter.h"
#include "tools/snapshot/snapshot.h"

namespace brivonel::snapshot {

class GlSnapshotBackend final : public ISnapshotBackend {
 public:
  IPresenter& presenter() override { return presenter_; }
  const std::vector<std::uint8_t>& frame() const override { return presenter_.frame(); }
  std::string DeviceFailure() const override { return presenter_.failure(); }
  std::string DeviceName() const override { return "offscreen OpenGL"; }
  void InstallImageLoaders() override;
  bool WritePng(const std::filesystem::path& path, std::int32_t width, std::int32_t height,
                const std::vector<std::uint8_t>& rgba, std::string* error) override;

 private:
  OffscreenPresenter presenter_;
};

// Writes 8-bit RGBA rows, top first, with libpng. False with a message on
// failure; no partial file is left behind.
bool WritePngFile(const std::filesystem::path& path, std::int32_t width, std::int32_t height,
                  const std::vector<std::uint8_t>& rgba, std::string* error);

}  // namespace brivonel::snapshot
