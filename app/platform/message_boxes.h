#pragma once
// Modal message boxes.
#include <string_view>

namespace brivonel {

// Whose box it is: the mascot's window, or nobody (before the window exists).
enum class MessageOwner { kNone, kWindow };

// The look of the box: an error icon with OK, or a plain OK box.
enum class MessageStyle { kError, kPlain };

class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  // Shows the box and returns when the user has closed it.
  virtual void Show(MessageOwner owner, std::u16string_view text, std::u16string_view caption,
                    MessageStyle style) = 0;
  // A problem the box is about, as one line for a log (the Linux program
  // writes it on stderr); nothing by default.
  virtual void Report(std::string_view /*line*/) {}
};

}  // namespace brivonel
