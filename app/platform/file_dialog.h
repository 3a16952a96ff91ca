#pragma once
// The standard open-file dialog, owned by the mascot's window.
#include <string>
#include <vector>

namespace brivonel {

// Longest path, in UTF-16 units, that the buffers hold (including the
// terminator on Windows, so at most 259 characters of text).
inline constexpr std::size_t kMaxPathLength = 260;

struct OpenFileDialogSetup {
  // One filter entry: what the user reads, and the ";"-separated patterns.
  std::u16string filterDescription;
  std::u16string filterPattern;
  std::u16string title;
  bool fileMustExist = true;
  // A second filter, "All files (*.*)".
  bool offerAllFiles = false;
  // Where the dialog opens when the buffers hold no file; empty: the
  // system's choice.
  std::u16string initialFolder;
  // The user may choose several files of one folder.
  bool multipleFiles = false;
};

// The file and file-title buffers. They keep their content between attempts,
// so a repeated dialog opens with the previous choice.
struct OpenFileDialogBuffers {
  std::u16string file;       // the chosen file's full path
  std::u16string fileTitle;  // the chosen file's name without its folder
  // Every chosen file's full path, in the dialog's order, when the setup
  // allows several (file and fileTitle are then one of them); may be empty
  // when only one was chosen.
  std::vector<std::u16string> files;
};

class IFileDialog {
 public:
  virtual ~IFileDialog() = default;
  // Shows the dialog with buffers as its initial choice. True when the user
  // chose a file, which is then in buffers; false on cancel or failure.
  virtual bool ShowOpen(const OpenFileDialogSetup& setup, OpenFileDialogBuffers& buffers) = 0;
};

}  // namespace brivonel
