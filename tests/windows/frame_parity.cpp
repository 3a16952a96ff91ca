// brivonel-frame-parity: compares two frames of the snapshot tool drawn by
// different backends (Direct3D 11 under Wine, OpenGL natively), and
// prepares sample textures both can read alike.
//
//   brivonel-frame-parity compare A.png B.png [--close-share PERCENT]
//     One line of figures; exit 0 when the frames agree: covered pixel
//     counts within 0.5 % of each other, bounding boxes within 2 px on every
//     side, and at least 99 % (or PERCENT) of the pixels covered in either
//     frame within 8/255 on every channel (premultiplied, as the desktop
//     blends them).
//   brivonel-frame-parity without-srgb IN.png OUT.png
//     Copies a PNG without its sRGB chunk: Wine's imaging component does
//     not report that chunk (Windows does), so both sides get a file that
//     says nothing about its colour space.
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr double kCoverageTolerance = 0.005;
constexpr int kBoxTolerance = 2;
constexpr int kChannelTolerance = 8;
constexpr double kCloseShare = 99.0;  // per cent

struct Frame {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgba;  // straight alpha, as written
};

bool ReadPng(const char* path, Frame* frame) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path) == 0) {
    std::fprintf(stderr, "brivonel-frame-parity: %s: %s\n", path, image.message);
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  frame->width = image.width;
  frame->height = image.height;
  frame->rgba.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, frame->rgba.data(), 0, nullptr) == 0) {
    std::fprintf(stderr, "brivonel-frame-parity: %s: %s\n", path, image.message);
    return false;
  }
  return true;
}

struct Box {
  long covered = 0;
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
};

Box Measure(const Frame& frame) {
  Box box;
  for (std::uint32_t y = 0; y < frame.height; ++y) {
    for (std::uint32_t x = 0; x < frame.width; ++x) {
      if (frame.rgba[(static_cast<std::size_t>(y) * frame.width + x) * 4 + 3] == 0) continue;
      ++box.covered;
      box.x0 = std::min(box.x0, static_cast<int>(x));
      box.y0 = std::min(box.y0, static_cast<int>(y));
      box.x1 = std::max(box.x1, static_cast<int>(x));
      box.y1 = std::max(box.y1, static_cast<int>(y));
    }
  }
  return box;
}

int Premultiplied(const std::uint8_t* pixel, int channel) {
  if (channel == 3) return pixel[3];
  return (pixel[channel] * pixel[3] + 127) / 255;
}

int Compare(const char* pathA, const char* pathB, double closeSharePercent) {
  Frame a;
  Frame b;
  if (!ReadPng(pathA, &a) || !ReadPng(pathB, &b)) return 2;
  if (a.width != b.width || a.height != b.height) {
    std::printf("sizes differ: %ux%u and %ux%u\n", a.width, a.height, b.width, b.height);
    return 1;
  }
  const Box boxA = Measure(a);
  const Box boxB = Measure(b);
  long either = 0;
  long close = 0;
  int largest = 0;
  for (std::size_t i = 0; i < a.rgba.size(); i += 4) {
    if (a.rgba[i + 3] == 0 && b.rgba[i + 3] == 0) continue;
    ++either;
    int worst = 0;
    for (int c = 0; c < 4; ++c) {
      worst = std::max(worst, std::abs(Premultiplied(&a.rgba[i], c) - Premultiplied(&b.rgba[i], c)));
    }
    largest = std::max(largest, worst);
    if (worst <= kChannelTolerance) ++close;
  }
  const double coverageChange =
      boxB.covered > 0 ? std::abs(static_cast<double>(boxA.covered - boxB.covered)) / boxB.covered
                       : (boxA.covered > 0 ? 1.0 : 0.0);
  const int boxChange = std::max({std::abs(boxA.x0 - boxB.x0), std::abs(boxA.y0 - boxB.y0),
                                  std::abs(boxA.x1 - boxB.x1), std::abs(boxA.y1 - boxB.y1)});
  const double closeShare = either > 0 ? static_cast<double>(close) / either : 1.0;
  const double frameShare =
      1.0 - static_cast<double>(either - close) / (static_cast<double>(a.width) * a.height);
  const bool agree = coverageChange <= kCoverageTolerance &&
                     (boxA.covered == 0 || boxChange <= kBoxTolerance) &&
                     closeShare * 100.0 >= closeSharePercent;
  std::printf(
      "covered %ld/%ld (%.3f %% apart), bbox %d px apart, %.3f %% of covered pixels and %.3f %% "
      "of the frame within %d/255 (largest difference %d): %s\n",
      boxA.covered, boxB.covered, coverageChange * 100.0, boxA.covered == 0 ? 0 : boxChange,
      closeShare * 100.0, frameShare * 100.0, kChannelTolerance, largest,
      agree ? "agree" : "DIFFER");
  return agree ? 0 : 1;
}

std::uint32_t BigEndian32(const unsigned char* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

int WithoutSrgb(const char* in, const char* out) {
  std::ifstream input(in, std::ios::binary);
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(input)),
                                         std::istreambuf_iterator<char>());
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0) {
    std::fprintf(stderr, "brivonel-frame-parity: %s: not a PNG file\n", in);
    return 2;
  }
  std::vector<unsigned char> kept(bytes.begin(), bytes.begin() + 8);
  std::size_t at = 8;
  while (at + 12 <= bytes.size()) {
    const std::size_t chunk = 12 + static_cast<std::size_t>(BigEndian32(&bytes[at]));
    if (chunk > bytes.size() - at) break;
    // Chunks are copied whole (with their own checksums); only sRGB is left out.
    if (std::memcmp(&bytes[at + 4], "sRGB", 4) != 0) {
      kept.insert(kept.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + chunk));
    }
    at += chunk;
  }
  std::ofstream output(out, std::ios::binary);
  output.write(reinterpret_cast<const char*>(kept.data()), static_cast<std::streamsize>(kept.size()));
  return output ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "compare") == 0)
    return Compare(argv[2], argv[3], kCloseShare);
  if (argc == 6 && std::strcmp(argv[1], "compare") == 0 &&
      std::strcmp(argv[4], "--close-share") == 0) {
    const double percent = std::atof(argv[5]);
    if (percent > 0.0 && percent <= 100.0) return Compare(argv[2], argv[3], percent);
  }
  if (argc == 4 && std::strcmp(argv[1], "without-srgb") == 0) return WithoutSrgb(argv[2], argv[3]);
  std::fprintf(stderr,
               "usage: brivonel-frame-parity compare A.png B.png [--close-share PERCENT]\n"
               "       brivonel-frame-parity without-srgb IN.png OUT.png\n");
  return 2;
}
