#pragma once
// A fresh folder under the system temporary folder, removed with its content
// when the object goes out of scope.
#include <filesystem>
#include <string_view>

namespace brivonel::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace brivonel::test
