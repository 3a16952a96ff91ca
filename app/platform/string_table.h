#pragma once
// Texts by resource id (the program's string table).
#include <cstdint>
#include <optional>
#include <string>

namespace brivonel {

class IStringTable {
 public:
  virtual ~IStringTable() = default;
  // The text of id, or nothing when the table has no text for it.
  virtual std::optional<std::u16string> Load(std::int32_t id) = 0;
};

}  // namespace brivonel
