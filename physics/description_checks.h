#pragma once
// What a physics description may hold before a world is built from it. A
// model whose bodies or joints break these rules is drawn without physics
// (its builder drops the description and says why), never refused: the
// rest of the file is still a good character.
#include <cstddef>
#include <optional>
#include <string>

#include "physics/body_description.h"

namespace brivonel::physics {

// Counts checked before anything is allocated for them.
inline constexpr std::size_t kMaxBodies = 4096;
inline constexpr std::size_t kMaxJoints = 8192;
// Larger than any real character's part (they are about 20 units tall) by
// far, small enough that squares and products stay finite in floats.
inline constexpr float kMaxBodySize = 10000.0f;
inline constexpr float kMaxBodyMass = 1.0e6f;
inline constexpr float kMaxCoordinate = 1.0e5f;

// Why the description cannot be simulated (the first fault found, in words
// that name the body or joint by number), or nothing when it can. boneCount:
// bodies may name bones 0 to boneCount - 1, or -1 for none.
std::optional<std::string> CheckDescription(const PhysicsDescription& description,
                                            std::size_t boneCount);

}  // namespace brivonel::physics
