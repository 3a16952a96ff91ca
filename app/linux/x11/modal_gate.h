#pragma once
// Counts the modal dialogs and message boxes that are open. GTK runs them
// in a nested main loop, so the program's own event handlers keep being
// called meanwhile: the frame timer pauses and mouse presses on the mascot
// are ignored while one is open, as the owner window is disabled on Windows.
#include <functional>

namespace brivonel::x11 {

class ModalGate {
 public:
  class Scope {
   public:
    explicit Scope(ModalGate& gate) : gate_(gate) { gate_.Change(+1); }
    ~Scope() { gate_.Change(-1); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    ModalGate& gate_;
  };

  bool open() const { return depth_ > 0; }
  // Called when the last modal dialog has closed.
  void OnClosed(std::function<void()> listener) { closed_ = std::move(listener); }

 private:
  void Change(int step) {
    depth_ += step;
    if (depth_ == 0 && closed_) closed_();
  }

  int depth_ = 0;
  std::function<void()> closed_;
};

}  // namespace brivonel::x11
