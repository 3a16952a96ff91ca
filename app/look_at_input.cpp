// The pointer as the model's look-at stage sees it: polled once a frame
// from the platform (anywhere on the screen, not only over the figure), a
// move told from the screen position (the window's own moves with the dance
// are no move of the pointer), and the position put into the pixels the
// model projects into: those of the large display size, where a smaller
// size only shrinks the viewport.
#include "app/desktop_mascot_app.h"

namespace brivonel {

void DesktopMascotApp::FeedPointer(Model& model) {
  LookAtInput input;
  input.enabled = lookAtOn_;
  Point screen;
  if (!lookAtOn_ || platform_.pointer == nullptr || !platform_.pointer->ScreenPosition(screen)) {
    pointerSeen_ = false;
    model.SetLookAt(input);
    return;
  }
  input.known = true;
  input.moved = pointerSeen_ && !(screen == lastPointer_);
  pointerSeen_ = true;
  lastPointer_ = screen;
  const Point origin = platform_.window.ClientToScreen({0, 0});
  const gpu::Viewport& viewport = scene_.viewport();
  const float scaleX = viewport.width > 0.0f ? static_cast<float>(width_) / viewport.width : 1.0f;
  const float scaleY = viewport.height > 0.0f ? static_cast<float>(height_) / viewport.height : 1.0f;
  input.pointer = {(static_cast<float>(screen.x - origin.x) - viewport.topLeftX) * scaleX,
                   (static_cast<float>(screen.y - origin.y) - viewport.topLeftY) * scaleY};
  model.SetLookAt(input);
}

}  // namespace brivonel
