#include "app/windows/desktop/composition_wait.h"

#include <dwmapi.h>

namespace brivonel::win32 {
namespace {

// Windows 10 1803 and later; older systems refuse the flag and get a timer
// of the ordinary resolution.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

HANDLE CreatePacingTimer() {
  HANDLE timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        TIMER_ALL_ACCESS);
  if (timer == nullptr) timer = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
  return timer;
}

}  // namespace

CompositionWait::~CompositionWait() {
  if (timer_ != nullptr) CloseHandle(timer_);
}

HRESULT CompositionWait::Wait() {
  const std::int64_t start = MonotonicMicroseconds();
  const HRESULT hr = DwmFlush();
  if (FAILED(hr)) return hr;
  const std::int64_t now = MonotonicMicroseconds();
  if (!pacing_) pacing_.emplace(DisplayRefreshRate());
  const std::int64_t sleep = pacing_->AfterWait(now - start, now);
  if (sleep > 0) Sleep(sleep);
  return hr;
}

void CompositionWait::Sleep(std::int64_t microseconds) {
  if (timer_ == nullptr) timer_ = CreatePacingTimer();
  LARGE_INTEGER due;
  due.QuadPart = -microseconds * 10;  // relative, in 100 ns units
  if (timer_ != nullptr && SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE)) {
    WaitForSingleObject(timer_, INFINITE);
  } else {
    ::Sleep(static_cast<DWORD>(microseconds / 1000));
  }
}

double DisplayRefreshRate() {
  DWM_TIMING_INFO timing{};
  timing.cbSize = sizeof timing;
  if (SUCCEEDED(DwmGetCompositionTimingInfo(nullptr, &timing)) &&
      timing.rateRefresh.uiDenominator != 0 && timing.rateRefresh.uiNumerator != 0) {
    return static_cast<double>(timing.rateRefresh.uiNumerator) /
           timing.rateRefresh.uiDenominator;
  }
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  // 0 and 1 stand for the hardware's default rate.
  if (EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmDisplayFrequency > 1)
    return mode.dmDisplayFrequency;
  return 0.0;
}

std::int64_t MonotonicMicroseconds() {
  static const std::int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart / frequency * 1000000 + counter.QuadPart % frequency * 1000000 / frequency;
}

}  // namespace brivonel::win32
