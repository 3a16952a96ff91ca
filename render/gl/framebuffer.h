#pragma once
// A framebuffer object to draw into: 8-bit colour with alpha, 24-bit depth
// and 8-bit stencil, of a size that can change. The offscreen context and
// the desktop window both draw into one and read the frame back, since the
// frame's alpha is needed on the CPU (for the window's shape, or a PNG).
// Needs a current OpenGL 3.3 context for its whole life.
#include <cstdint>
#include <string>
#include <vector>

namespace brivonel::gl {

class Framebuffer {
 public:
  Framebuffer() = default;
  ~Framebuffer();
  Framebuffer(const Framebuffer&) = delete;
  Framebuffer& operator=(const Framebuffer&) = delete;

  // Creates (or re-creates at a new size) the colour and depth storage and
  // binds the framebuffer for drawing. False, with *error saying why, when
  // the driver refuses the size.
  bool Resize(std::int32_t width, std::int32_t height, std::string* error);
  void Bind() const;

  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }

  // The pixels as drawn (premultiplied alpha), four bytes per pixel in the
  // order blue, green, red, alpha, top row first.
  void ReadPixels(std::vector<std::uint8_t>& bgra) const;

 private:
  void Release();

  unsigned framebuffer_ = 0;
  unsigned colour_ = 0;
  unsigned depth_ = 0;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace brivonel::gl
