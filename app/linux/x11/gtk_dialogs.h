#pragma once
// The program's dialogs with GTK 3: message boxes, the open-file dialog and
// the About box. Each runs modally (gtk_dialog_run) and belongs to the
// mascot's window once it exists, so that window managers keep it above.
#include <X11/Xlib.h>

#include <string>
#include <string_view>

#include "app/linux/x11/modal_gate.h"
#include "app/platform/file_dialog.h"
#include "app/platform/message_boxes.h"

typedef struct _GtkWindow GtkWindow;

namespace brivonel::x11 {

// The X window that owns the dialogs (none until the window is created).
struct DialogOwner {
  Window window = 0;
};

class GtkMessageBoxes final : public IMessageBoxes {
 public:
  GtkMessageBoxes(ModalGate& gate, const DialogOwner& owner) : gate_(gate), owner_(owner) {}
  void Show(MessageOwner owner, std::u16string_view text, std::u16string_view caption,
            MessageStyle style) override;
  // "brivonel: <line>" on stderr.
  void Report(std::string_view line) override;

 private:
  ModalGate& gate_;
  const DialogOwner& owner_;
};

class GtkFileDialog final : public IFileDialog {
 public:
  GtkFileDialog(ModalGate& gate, const DialogOwner& owner) : gate_(gate), owner_(owner) {}
  bool ShowOpen(const OpenFileDialogSetup& setup, OpenFileDialogBuffers& buffers) override;

 private:
  ModalGate& gate_;
  const DialogOwner& owner_;
};

// The About box: the program's name and version, and its second line.
void ShowAboutBox(ModalGate& gate, const DialogOwner& owner);

}  // namespace brivonel::x11
