#pragma once
// The wait for the next desktop composition that ends every frame:
// DwmFlush, and where that returns at once, a waitable timer at the
// display's refresh rate (see CompositionPacing).
#include <windows.h>

#include <optional>

#include "app/windows/desktop/composition_pacing.h"

namespace brivonel::win32 {

class CompositionWait {
 public:
  CompositionWait() = default;
  ~CompositionWait();
  CompositionWait(const CompositionWait&) = delete;
  CompositionWait& operator=(const CompositionWait&) = delete;

  // Returns DwmFlush's result; the timer's wait, when there is one, follows
  // a successful flush only.
  HRESULT Wait();

 private:
  void Sleep(std::int64_t microseconds);

  std::optional<CompositionPacing> pacing_;  // made at the first wait
  HANDLE timer_ = nullptr;
};

// The display's refresh rate as the compositor or the display mode gives
// it; 0 when neither knows.
double DisplayRefreshRate();

// A monotonic clock in microseconds.
std::int64_t MonotonicMicroseconds();

}  // namespace brivonel::win32
