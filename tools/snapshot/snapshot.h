#pragma once
// brivonel-snapshot: draws one frame of a model (posed by a motion at a
// chosen time) offscreen, exactly as the program draws it, writes it as a
// PNG with straight alpha and reports what the frame shows as one JSON line.
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/platform/presenter.h"

namespace brivonel::snapshot {

struct Options {
  std::u16string model;
  std::u16string motion;  // empty: the model's rest pose
  std::uint64_t milliseconds = 0;
  std::int32_t width = 960;
  std::int32_t height = 1040;
  int displaySize = 1;
  // The plain look (one sample per pixel, no sphere maps, toon ramps or
  // outlines), for comparing geometry and lighting.
  bool flat = false;
  // Rigid bodies simulated from 0 ms up to the moment drawn.
  bool physics = true;
  std::filesystem::path out;
  bool help = false;  // --help: print the usage and draw nothing
};

// Reads the arguments after the program name. False with a message when
// they are not "MODEL [MOTION] [--ms T] [--size WxH] [--display-size 1|2|3]
// [--flat] [--no-physics] --out FILE.png" or "--help".
bool ParseArguments(const std::vector<std::string>& arguments, Options* options,
                    std::string* error);
extern const char kUsage[];
// The usage line and what each option means, for --help.
extern const char kHelp[];

// The pixels with alpha above 0: their share of the frame and their
// bounding box (inclusive).
struct Coverage {
  double fraction = 0.0;
  bool any = false;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
Coverage MeasureCoverage(const std::vector<std::uint8_t>& bgra, std::int32_t width,
                         std::int32_t height);

// Premultiplied blue-green-red-alpha pixels as straight red-green-blue-alpha.
void ToStraightRgba(const std::vector<std::uint8_t>& bgra, std::vector<std::uint8_t>& rgba);

// {"frame": 12, "shift": -3, "coverage": 0.104513, "bbox": [x0, y0, x1, y1]}
// ("bbox": null when nothing is drawn).
std::string ResultLine(std::uint32_t frame, int shift, const Coverage& coverage);

// What differs between platforms: the presenter the program draws through
// (a device drawing into memory), the image loaders it installs, and how a
// PNG file is written.
class ISnapshotBackend {
 public:
  virtual ~ISnapshotBackend() = default;
  virtual IPresenter& presenter() = 0;
  // The last presented frame: premultiplied blue, green, red, alpha bytes,
  // top row first.
  virtual const std::vector<std::uint8_t>& frame() const = 0;
  // Why the device could not be made, when it could not; which device.
  virtual std::string DeviceFailure() const = 0;
  virtual std::string DeviceName() const = 0;
  // Installs the loaders of the image formats other than DDS and TGA.
  virtual void InstallImageLoaders() = 0;
  // Writes 8-bit RGBA rows, top first. False with a message on failure.
  virtual bool WritePng(const std::filesystem::path& path, std::int32_t width,
                        std::int32_t height, const std::vector<std::uint8_t>& rgba,
                        std::string* error) = 0;
};

// Runs the program headless on backend: the model and motion as its
// settings, display size as chosen, the clock moved to the requested time,
// one frame drawn, with the shaders in shaderFolder (ending in a separator).
// Writes the PNG and the result line to out. On failure writes one line
// naming the file and the failure to err and returns 1; 0 on success.
int Run(const Options& options, const std::u16string& shaderFolder, ISnapshotBackend& backend,
        std::ostream& out, std::ostream& err);

}  // namespace brivonel::snapshot
