#include "tools/inspect/json_writer.h"

#include <cmath>
#include <cstdio>

#include "base/unicode.h"

namespace brivonel::tools {

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (!hasValue_.empty()) {
    if (hasValue_.back()) out_ += ',';
    hasValue_.back() = true;
  }
}

void JsonWriter::AppendQuoted(std::string_view utf8) {
  out_ += '"';
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': out_ += "\\\""; break;
      case '\\': out_ += "\\\\"; break;
      case '\b': out_ += "\\b"; break;
      case '\f': out_ += "\\f"; break;
      case '\n': out_ += "\\n"; break;
      case '\r': out_ += "\\r"; break;
      case '\t': out_ += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", c);
          out_ += escape;
        } else {
          out_ += ch;
        }
    }
  }
  out_ += '"';
}

JsonWriter& JsonWriter::BeginObject() {
  BeforeValue();
  out_ += '{';
  hasValue_.push_back(false);
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  hasValue_.pop_back();
  out_ += '}';
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  BeforeValue();
  out_ += '[';
  hasValue_.push_back(false);
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  hasValue_.pop_back();
  out_ += ']';
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  BeforeValue();
  AppendQuoted(key);
  out_ += ':';
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
  BeforeValue();
  // Text that is not valid UTF-8 goes through the UTF-16 round trip, which
  // replaces broken sequences with U+FFFD.
  AppendQuoted(Utf16ToUtf8(Utf8ToUtf16(utf8)));
  return *this;
}

JsonWriter& JsonWriter::String(std::u16string_view utf16) {
  BeforeValue();
  AppendQuoted(Utf16ToUtf8(utf16));
  return *this;
}

JsonWriter& JsonWriter::Int(std::int64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::UInt(std::uint64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Number(double value) {
  if (!std::isfinite(value)) return Null();
  BeforeValue();
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  out_ += text;
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
  return *this;
}

}  // namespace brivonel::tools
