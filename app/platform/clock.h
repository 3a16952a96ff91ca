#pragma once
// The millisecond clock the animation runs on.
#include <cstdint>

namespace brivonel {

class IClock {
 public:
  virtual ~IClock() = default;
  // Milliseconds since some fixed moment, as a 32-bit counter that wraps
  // to 0 after 2^32 - 1 (about every 49.7 days), like timeGetTime.
  virtual std::uint32_t NowMilliseconds() = 0;
};

}  // namespace brivonel
