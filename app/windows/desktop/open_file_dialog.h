#pragma once
// The standard open-file dialog (GetOpenFileNameW), owned by the window.
#include <windows.h>

#include "app/platform/file_dialog.h"

namespace brivonel::win32 {

class OpenFileDialog final : public IFileDialog {
 public:
  void SetOwner(HWND window) { owner_ = window; }
  bool ShowOpen(const OpenFileDialogSetup& setup, OpenFileDialogBuffers& buffers) override;

 private:
  HWND owner_ = nullptr;
};

// The filter list of one description and pattern pair: "description\0
// pattern\0\0", as the dialog reads it.
std::u16string FilterList(const OpenFileDialogSetup& setup);

}  // namespace brivonel::win32
