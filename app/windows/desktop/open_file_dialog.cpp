#include "app/windows/desktop/open_file_dialog.h"

#include <commdlg.h>

#include <vector>

#include "app/messages.h"
#include "app/windows/desktop/wide_text.h"

namespace brivonel::win32 {
namespace {

constexpr std::size_t kLongestPath = 32768;

}  // namespace

std::u16string FilterList(const OpenFileDialogSetup& setup) {
  std::u16string list = setup.filterDescription;
  list.push_back(u'\0');
  list += setup.filterPattern;
  list.push_back(u'\0');
  if (setup.offerAllFiles) {
    list += MessageText(Message::kAllFilesFilter);
    list.push_back(u'\0');
    list += u"*.*";
    list.push_back(u'\0');
  }
  // The string's own terminator ends the list.
  return list;
}

bool OpenFileDialog::ShowOpen(const OpenFileDialogSetup& setup, OpenFileDialogBuffers& buffers) {
  // Room for the longest path Windows has (32,767 units), not only the 259
  // characters of a classic one: the dialog refuses a choice that does not
  // fit, and the settings keep any length.
  std::vector<wchar_t> file(kLongestPath);
  std::vector<wchar_t> fileTitle(kLongestPath);
  CopyToBuffer(buffers.file, file.data(), file.size());
  CopyToBuffer(buffers.fileTitle, fileTitle.data(), fileTitle.size());
  const std::u16string filter = FilterList(setup);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = Wide(filter);
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrFileTitle = fileTitle.data();
  dialog.nMaxFileTitle = static_cast<DWORD>(fileTitle.size());
  dialog.lpstrTitle = Wide(setup.title);
  if (!setup.initialFolder.empty()) dialog.lpstrInitialDir = Wide(setup.initialFolder);
  dialog.Flags = setup.fileMustExist ? OFN_FILEMUSTEXIST : 0;
  if (!GetOpenFileNameW(&dialog)) return false;
  buffers.file = FromWide(file.data());
  buffers.fileTitle = FromWide(fileTitle.data());
  return true;
}

}  // namespace brivonel::win32
