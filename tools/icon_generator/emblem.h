#pragma once
// The program's emblem: a small standing figure in a round badge, drawn
// at any size with smooth edges. Pixels are straight-alpha BGRA, top row
// first.
#include <cstdint>
#include <vector>

namespace brivonel::icons {

std::vector<std::uint8_t> DrawEmblem(int size);

}  // namespace brivonel::icons
