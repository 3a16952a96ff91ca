#include "app/linux/x11/frame_image.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace brivonel::x11 {

FrameImage::~FrameImage() {
  Release();
  if (gc_ != nullptr) XFreeGC(display_.get(), gc_);
}

void FrameImage::Release() {
  if (image_ == nullptr) return;
  WaitUntilFree();
  if (shared_) {
    XShmDetach(display_.get(), &segment_);
    display_.Sync();
    shmdt(segment_.shmaddr);
  }
  image_->data = nullptr;  // the memory is not Xlib's to free
  XDestroyImage(image_);
  image_ = nullptr;
  shared_ = false;
  memory_.clear();
}

bool FrameImage::Allocate(std::int32_t width, std::int32_t height) {
  Release();
  width_ = width;
  height_ = height;
  Display* x = display_.get();
  if (display_.hasShm) {
    image_ = XShmCreateImage(x, visual_, static_cast<unsigned>(depth_), ZPixmap, nullptr,
                             &segment_, static_cast<unsigned>(width),
                             static_cast<unsigned>(height));
    if (image_ != nullptr) {
      const std::size_t bytes =
          static_cast<std::size_t>(image_->bytes_per_line) * static_cast<std::size_t>(height);
      segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
      void* address = segment_.shmid >= 0 ? shmat(segment_.shmid, nullptr, 0) : nullptr;
      if (address != nullptr && address != reinterpret_cast<void*>(-1)) {
        segment_.shmaddr = image_->data = static_cast<char*>(address);
        segment_.readOnly = False;
        // A server on another machine cannot attach: it answers with an
        // error, and the frames then travel over the connection.
        const unsigned long errorsBefore = display_.errorCount();
        XShmAttach(x, &segment_);
        display_.Sync();
        shared_ = display_.errorCount() == errorsBefore;
        if (!shared_) shmdt(address);
      }
      // Marked for removal at once: it goes when both sides have let go,
      // even if the process ends abruptly.
      if (segment_.shmid >= 0) shmctl(segment_.shmid, IPC_RMID, nullptr);
      if (!shared_) {
        image_->data = nullptr;
        XDestroyImage(image_);
        image_ = nullptr;
      }
    }
  }
  if (image_ == nullptr) {
    image_ = XCreateImage(x, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                          static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (image_ == nullptr) return false;
    memory_.assign(static_cast<std::size_t>(image_->bytes_per_line) *
                       static_cast<std::size_t>(height),
                   0);
    image_->data = reinterpret_cast<char*>(memory_.data());
  }
  return true;
}

std::uint8_t* FrameImage::pixels() const {
  return image_ != nullptr ? reinterpret_cast<std::uint8_t*>(image_->data) : nullptr;
}

std::int32_t FrameImage::stride() const { return image_ != nullptr ? image_->bytes_per_line : 0; }

void FrameImage::Put(Window window) {
  if (image_ == nullptr) return;
  Display* x = display_.get();
  if (gc_ == nullptr || gcWindow_ != window) {
    if (gc_ != nullptr) XFreeGC(x, gc_);
    gc_ = XCreateGC(x, window, 0, nullptr);
    gcWindow_ = window;
  }
  const auto width = static_cast<unsigned>(width_);
  const auto height = static_cast<unsigned>(height_);
  if (shared_) {
    XShmPutImage(x, window, gc_, image_, 0, 0, 0, 0, width, height, True);
    busy_ = true;
  } else {
    XPutImage(x, window, gc_, image_, 0, 0, 0, 0, width, height);
  }
}

namespace {
Bool IsCompletion(Display*, XEvent* event, XPointer type) {
  return event->type == *reinterpret_cast<int*>(type) ? True : False;
}
}  // namespace

void FrameImage::WaitUntilFree() {
  if (!busy_) return;
  XEvent event;
  int type = display_.shmCompletionEvent;
  const auto pointer = reinterpret_cast<XPointer>(&type);
  // After a round trip every event of the put has arrived; a put that
  // failed (its window gone) sends none, and there is nothing to wait for.
  if (XCheckIfEvent(display_.get(), &event, IsCompletion, pointer) == False) {
    display_.Sync();
    XCheckIfEvent(display_.get(), &event, IsCompletion, pointer);
  }
  busy_ = false;
}

bool FrameImage::HandleEvent(const XEvent& event) {
  if (!display_.hasShm || event.type != display_.shmCompletionEvent) return false;
  busy_ = false;
  return true;
}

}  // namespace brivonel::x11
