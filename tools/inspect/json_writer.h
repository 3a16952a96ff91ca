#pragma once
// A small JSON writer for the command-line tools: objects, arrays, strings
// (UTF-8 out, escaped), integers, numbers and booleans, with the commas put
// in by the writer.
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace brivonel::tools {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The key of the next value inside an object.
  JsonWriter& Key(std::string_view key);

  JsonWriter& String(std::string_view utf8);
  JsonWriter& String(std::u16string_view utf16);
  JsonWriter& Int(std::int64_t value);
  JsonWriter& UInt(std::uint64_t value);
  // A finite number with up to 6 significant decimals kept; not-a-number
  // and infinities become null.
  JsonWriter& Number(double value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // Shorthands for a key and its value.
  template <typename T>
  JsonWriter& Field(std::string_view key, const T& value) {
    Key(key);
    return Value(value);
  }

  const std::string& text() const { return out_; }

 private:
  JsonWriter& Value(std::string_view v) { return String(v); }
  JsonWriter& Value(const char* v) { return String(std::string_view(v)); }
  JsonWriter& Value(const std::string& v) { return String(std::string_view(v)); }
  JsonWriter& Value(std::u16string_view v) { return String(v); }
  JsonWriter& Value(const std::u16string& v) { return String(std::u16string_view(v)); }
  JsonWriter& Value(bool v) { return Bool(v); }
  JsonWriter& Value(double v) { return Number(v); }
  JsonWriter& Value(float v) { return Number(v); }
  template <typename T>
  JsonWriter& Value(const T& v) {
    if constexpr (std::is_signed_v<T>) {
      return Int(v);
    } else {
      return UInt(v);
    }
  }

  void BeforeValue();
  void AppendQuoted(std::string_view utf8);

  std::string out_;
  // Per open container: whether it holds a value yet.
  std::vector<bool> hasValue_;
  bool afterKey_ = false;
};

}  // namespace brivonel::tools
