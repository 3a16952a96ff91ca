#include "app/windows/desktop/open_file_dialog.h"

#include <commdlg.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "app/messages.h"
#include "app/windows/desktop/wide_text.h"

namespace brivonel::win32 {
namespace {

constexpr std::size_t kLongestPath = 32768;
// Several files: their folder once and each name, room for a few thousand
// long names (the dialog fails when they do not fit).
constexpr std::size_t kSelectionLength = 1u << 20;

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

std::vector<std::u16string> SelectedFiles(std::u16string_view buffer) {
  std::vector<std::u16string_view> strings;
  while (!buffer.empty() && buffer.front() != u'\0') {
    const std::size_t end = std::min(buffer.find(u'\0'), buffer.size());
    strings.push_back(buffer.substr(0, end));
    buffer.remove_prefix(std::min(end + 1, buffer.size()));
  }
  if (strings.size() <= 1) return {strings.begin(), strings.end()};
  std::u16string folder(strings.front());
  // A drive's root keeps its separator ("C:\").
  if (folder.back() != u'\\' && folder.back() != u'/') folder.push_back(u'\\');
  std::vector<std::u16string> files;
  for (std::size_t i = 1; i < strings.size(); ++i) files.push_back(folder + std::u16string(strings[i]));
  return files;
}

bool OpenFileDialog::ShowOpen(const OpenFileDialogSetup& setup, OpenFileDialogBuffers& buffers) {
  // Room for the longest path Windows has (32,767 units), not only the 259
  // characters of a classic one: the dialog refuses a choice that does not
  // fit, and the settings keep any length.
  std::vector<wchar_t> file(setup.multipleFiles ? kSelectionLength : kLongestPath);
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
  if (setup.multipleFiles) dialog.Flags |= OFN_ALLOWMULTISELECT | OFN_EXPLORER;
  if (!GetOpenFileNameW(&dialog)) return false;
  if (!setup.multipleFiles) {
    buffers.file = FromWide(file.data());
    buffers.fileTitle = FromWide(fileTitle.data());
    return true;
  }
  std::vector<std::u16string> files =
      SelectedFiles({reinterpret_cast<const char16_t*>(file.data()), file.size()});
  if (files.empty()) return false;
  buffers.file = files.front();
  buffers.fileTitle = buffers.file.substr(buffers.file.find_last_of(u"\\/") + 1);
  buffers.files = std::move(files);
  return true;
}

}  // namespace brivonel::win32
