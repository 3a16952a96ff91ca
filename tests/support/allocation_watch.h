#pragma once
// The largest single allocation made through operator new while a piece of
// code runs, so a test can show that a file was refused before anything of
// its claimed size was allocated. Link allocation_watch.cpp into the test
// program itself: it replaces the global operator new and delete.
#include <cstddef>
#include <functional>

namespace brivonel::test {

std::size_t LargestAllocationDuring(const std::function<void()>& body);

}  // namespace brivonel::test
