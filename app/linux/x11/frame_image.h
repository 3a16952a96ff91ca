#pragma once
// The pixels of one frame on their way to the window: an X image in memory
// shared with the server (MIT-SHM) when the server is on this machine,
// otherwise an ordinary image sent over the connection. Four bytes per
// pixel, blue, green, red, alpha (premultiplied, as a compositing manager
// reads a 32-bit window), top row first.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <vector>

#include "app/linux/x11/x11_display.h"

namespace brivonel::x11 {

class FrameImage {
 public:
  FrameImage(X11Display& display, Visual* visual, int depth)
      : display_(display), visual_(visual), depth_(depth) {}
  ~FrameImage();
  FrameImage(const FrameImage&) = delete;
  FrameImage& operator=(const FrameImage&) = delete;

  // Makes room for width x height pixels; false when no image can be made.
  bool Allocate(std::int32_t width, std::int32_t height);
  bool allocated() const { return image_ != nullptr; }
  bool shared() const { return shared_; }

  std::uint8_t* pixels() const;
  std::int32_t stride() const;  // bytes per row
  std::int32_t width() const { return width_; }
  std::int32_t height() const { return height_; }

  // Sends the image to the window's top-left corner. A shared image is
  // read by the server later: WaitUntilFree before writing it again.
  void Put(Window window);
  void WaitUntilFree();
  // The server's word that it has read a shared image.
  bool HandleEvent(const XEvent& event);

 private:
  void Release();

  X11Display& display_;
  Visual* visual_;
  int depth_;
  XImage* image_ = nullptr;
  XShmSegmentInfo segment_{};
  bool shared_ = false;
  bool busy_ = false;
  GC gc_ = nullptr;
  Window gcWindow_ = 0;
  std::vector<std::uint8_t> memory_;  // the pixels of an image that is not shared
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
};

}  // namespace brivonel::x11
