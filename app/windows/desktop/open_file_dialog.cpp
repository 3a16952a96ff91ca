#include "app/windows/desktop/open_file_dialog.h"

#include <commdlg.h>

#include "app/windows/desktop/wide_text.h"

namespace brivonel::win32 {

std::u16string FilterList(const OpenFileDialogSetup& setup) {
  std::u16string list = setup.filterDescription;
  list.push_back(u'\0');
  list += setup.filterPattern;
  list.push_back(u'\0');  // the string's own terminator ends the list
  return list;
}

bool OpenFileDialog::ShowOpen(const OpenFileDialogSetup& setup, OpenFileDialogBuffers& buffers) {
  wchar_t file[kMaxPathLength];
  wchar_t fileTitle[kMaxPathLength];
  CopyToBuffer(buffers.file, file, kMaxPathLength);
  CopyToBuffer(buffers.fileTitle, fileTitle, kMaxPathLength);
  const std::u16string filter = FilterList(setup);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = Wide(filter);
  dialog.lpstrFile = file;
  dialog.nMaxFile = kMaxPathLength;
  dialog.lpstrFileTitle = fileTitle;
  dialog.nMaxFileTitle = kMaxPathLength;
  dialog.lpstrTitle = Wide(setup.title);
  dialog.Flags = setup.fileMustExist ? OFN_FILEMUSTEXIST : 0;
  if (!GetOpenFileNameW(&dialog)) return false;
  buffers.file = FromWide(file);
  buffers.fileTitle = FromWide(fileTitle);
  return true;
}

}  // namespace brivonel::win32
