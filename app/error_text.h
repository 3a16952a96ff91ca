#pragma once
// The texts of the error boxes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/hresult.h"

namespace brivonel {

// "<text>\nhr:<hr> ecode: <code>" when the code has a text, otherwise
// "hr: <hr> ecode:<code>"; numbers in signed decimal. The text is cut to the
// 259 characters a string-table buffer holds.
std::u16string FormatErrorMessage(std::optional<std::u16string_view> codeText, HResult hr,
                                  std::int32_t code);

// A file that could not be used: "<text>\n<file>: <reason>\nhr:0 ecode:
// <code>", the code's text and numbers as FormatErrorMessage gives them, the
// file and the reason between.
std::u16string FormatFileErrorMessage(std::u16string_view codeText, std::u16string_view file,
                                      std::string_view reason, std::int32_t code);

// A standard exception's what() text for an error box. The text is read as
// UTF-8 (the core's narrow texts are UTF-8, and the standard library's own
// messages are ASCII); invalid bytes become U+FFFD. At most 99 UTF-16 units
// are kept, never half of a surrogate pair.
std::u16string StdErrorText(std::string_view what);

}  // namespace brivonel
