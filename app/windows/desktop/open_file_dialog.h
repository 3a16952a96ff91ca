#pragma once
// The standard open-file dialog (GetOpenFileNameW), owned by the window.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

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

// The files a dialog's buffer names: one full path, or (several chosen) the
// folder and then each file's name, every string ended by a NUL and the
// list by an empty one (or the buffer's end). Full paths, in the buffer's
// order; none for an empty buffer.
std::vector<std::u16string> SelectedFiles(std::u16string_view buffer);

}  // namespace brivonel::win32
