#include "tests/support/fixtures.h"

#include <cstdlib>

namespace brivonel::test {

std::filesystem::path FixturesDir() {
  const char* dir = std::getenv("BRIVONEL_FIXTURES");
  if (dir == nullptr || *dir == '\0') return {};
  std::error_code ignored;
  if (!std::filesystem::is_directory(dir, ignored)) return {};
  return std::filesystem::path(dir);
}

std::filesystem::path Fixture(std::string_view relative) {
  return FixturesDir() / std::filesystem::path(relative);
}

}  // namespace brivonel::test
