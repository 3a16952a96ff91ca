#include "tests/support/temp_dir.h"

#include <atomic>
#include <random>
#include <string>
#include <system_error>

namespace brivonel::test {

TempDir::TempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("brivonel-test-" + std::to_string(random()) + "-" +
                    std::to_string(counter++));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace brivonel::test
