#pragma once
// Counts the modal dialogs and message boxes that are open. GTK runs them
// in a nested main loop, so the program's own event handlers keep being
// called meanwhile: the frame timer pauses and mouse presses on the mascot
// are ignored while one is open, as the owner window is disabled on Windows.
//
// Each open dialog also leaves a way to close it: a signal that ends the
// program (SIGTERM, Ctrl+C) closes them all, and from then on a dialog
// returns at once as if cancelled, so that the code that opened it unwinds
// back to the main loop, which then ends.
#include <functional>
#include <list>

namespace brivonel::x11 {

class ModalGate {
 public:
  class Scope {
   public:
    // close ends the dialog's nested loop (as its Cancel button would).
    Scope(ModalGate& gate, std::function<void()> close) : gate_(gate) {
      closer_ = gate_.closers_.insert(gate_.closers_.end(), std::move(close));
      gate_.Change(+1);
    }
    ~Scope() {
      gate_.closers_.erase(closer_);
      gate_.Change(-1);
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    ModalGate& gate_;
    std::list<std::function<void()>>::iterator closer_;
  };

  bool open() const { return depth_ > 0; }
  // Called when the last modal dialog has closed.
  void OnClosed(std::function<void()> listener) { closed_ = std::move(listener); }

  // The program is ending: closes every open dialog; later ones are not shown.
  void CloseAll() {
    closing_ = true;
    for (const std::function<void()>& close : closers_) close();
  }
  bool closing() const { return closing_; }

 private:
  void Change(int step) {
    depth_ += step;
    if (depth_ == 0 && closed_) closed_();
  }

  int depth_ = 0;
  bool closing_ = false;
  std::list<std::function<void()>> closers_;
  std::function<void()> closed_;
};

}  // namespace brivonel::x11
