#include "app/error_text.h"

#include <cstdio>

#include "base/unicode.h"

namespace brivonel {
namespace {

constexpr std::size_t kStringBufferText = 259;
constexpr std::size_t kStdErrorTextLength = 99;

// ASCII digits and punctuation to UTF-16.
std::u16string Widen(const char* ascii) {
  std::u16string out;
  for (; *ascii != '\0'; ++ascii) out.push_back(static_cast<char16_t>(*ascii));
  return out;
}

// Cuts to at most length units without leaving a lone high surrogate.
void CutTo(std::u16string& text, std::size_t length) {
  if (text.size() <= length) return;
  text.resize(length);
  if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
}

}  // namespace

std::u16string FormatErrorMessage(std::optional<std::u16string_view> codeText, HResult hr,
                                  std::int32_t code) {
  char numbers[64];
  if (codeText && !codeText->empty()) {
    std::snprintf(numbers, sizeof numbers, "\nhr:%d ecode: %d", static_cast<int>(hr),
                  static_cast<int>(code));
    std::u16string message(*codeText);
    CutTo(message, kStringBufferText);
    return message + Widen(numbers);
  }
  std::snprintf(numbers, sizeof numbers, "hr: %d ecode:%d", static_cast<int>(hr),
                static_cast<int>(code));
  return Widen(numbers);
}

std::u16string FormatFileErrorMessage(std::u16string_view codeText, std::u16string_view file,
                                      std::string_view reason, std::int32_t code) {
  std::u16string details(file);
  if (!reason.empty()) details += u": " + Utf8ToUtf16(reason);
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "\nhr:0 ecode: %d", static_cast<int>(code));
  // A code without text (1203) starts with the file.
  if (codeText.empty()) return details + Widen(numbers);
  return std::u16string(codeText) + u"\n" + details + Widen(numbers);
}

std::u16string StdErrorText(std::string_view what) {
  std::u16string text = Utf8ToUtf16(what);
  CutTo(text, kStdErrorTextLength);
  return text;
}

}  // namespace brivonel
