#pragma once
// Real model and motion files written by other projects, read in place.
#include <filesystem>
#include <string_view>

namespace brivonel::test {

// The fixtures folder (from BRIVONEL_FIXTURES), or an empty path when the
// folder is not present on this machine.
std::filesystem::path FixturesDir();

// Full path of a fixture file, e.g. Fixture("yohawing/test_1bone_cube.pmx").
std::filesystem::path Fixture(std::string_view relative);

}  // namespace brivonel::test

// Skips the current test when the fixtures folder is absent.
#define BRIVONEL_REQUIRE_FIXTURES()                                   \
  do {                                                                \
    if (::brivonel::test::FixturesDir().empty())                      \
      GTEST_SKIP() << "fixture folder not present on this machine";   \
  } while (0)
