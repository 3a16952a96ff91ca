#pragma once
// A framebuffer object to draw into: 8-bit colour with alpha, 24-bit depth
// and 8-bit stencil, of a size that can change. The offscreen context and
// the desktop window both draw into one and read the frame back, since the
// frame's alpha is needed on the CPU (for the window's shape, or a PNG).
//
// With more than one sample per pixel, drawing goes into multisampled
// colour and depth storage, and ResolveForReading averages the samples into
// a single-sample image: the resolved alpha of a pixel the character's
// outline crosses is the share of it the character covers, which is what
// gives soft edges on the desktop. A driver that refuses the samples gets a
// single-sample framebuffer and a trace line.
// Needs a current OpenGL 3.3 context for its whole life.
#include <cstdint>
#include <string>
#include <vector>

namespace brivonel::gl {

class Framebuffer {
 public:
  // samples: the samples per pixel wanted (1: none; more are asked of the
  // driver, which may give fewer; kSamplesChosenByDevice: 4, or 1 when the
  // driver renders in software).
  explicit Framebuffer(std::uint32_t samples = 1) : wantedSamples_(samples) {}
  ~Framebuffer();
  Framebuffer(const Framebuffer&) = delete;
  Framebuffer& operator=(const Framebuffer&) = delete;

  // Creates (or re-creates at a new size) the colour and depth storage and
  // binds the framebuffer for drawing. False, with *error saying why, when
  // the driver refuses the size.
  bool Resize(std::int32_t width, std::int32_t height, std::string* error);
  // Binds the framebuffer for drawing (and, single-sampled, for reading).
  void Bind() const;
  // Makes the finished frame the read framebuffer, averaging the samples
  // first when there are several; drawing stays bound where it was. Call it
  // before glReadPixels or a blit out of the frame.
  void ResolveForReading() const;

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }
  // The samples per pixel the storage has (1 when the driver refused more).
  std::uint32_t samples() const { return samples_; }

  // Whether the current context lays the picture out top row first (its
  // clip-control origin is at the upper left); otherwise the first row in
  // memory is the picture's bottom row, as OpenGL has it by default.
  static bool TopRowFirst();
  // Whether the current context can move its clip-control origin (OpenGL
  // 4.5, or the extension).
  static bool HasClipControl();
  // Whether ReadPixels gets the rows top first from the driver (drawn that
  // way, or turned over by Mesa while reading) rather than turning them
  // over itself.
  static bool ReadsTopRowFirst();

  // The pixels as drawn (premultiplied alpha), four bytes per pixel in the
  // order blue, green, red, alpha, top row first: into rows of `stride`
  // bytes (at least width * 4) from `topRow`, or into `bgra`, resized.
  void ReadPixels(std::uint8_t* topRow, std::size_t stride) const;
  void ReadPixels(std::vector<std::uint8_t>& bgra) const;

 private:
  struct Storage {
    unsigned framebuffer = 0;
    unsigned colour = 0;
    unsigned depth = 0;
  };
  // Colour (and depth, when withDepth) renderbuffers of `samples` samples
  // (0: single-sampled) in a complete framebuffer, or false.
  static bool Create(Storage& storage, std::int32_t width, std::int32_t height,
                     std::uint32_t samples, bool withDepth);
  static void Delete(Storage& storage);
  void Release();
  std::uint32_t SamplesToAsk() const;

  std::uint32_t wantedSamples_;
  std::uint32_t samples_ = 1;
  Storage drawn_;     // drawn into; multisampled when samples_ > 1
  Storage resolved_;  // the averaged frame, only when samples_ > 1
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace brivonel::gl
