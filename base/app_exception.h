#pragma once
// The program's fatal error: a failing HResult (or 0) and an application code
// whose text tells the user which step failed.
#include <cstdint>
#include <exception>

#include "base/error_codes.h"
#include "base/hresult.h"

namespace brivonel {

class AppException : public std::exception {
 public:
  explicit AppException(std::int32_t code) : hr_(0), code_(code) {}
  AppException(HResult hr, std::int32_t code) : hr_(hr), code_(code) {}
  AppException(const AppException&) = default;
  AppException& operator=(const AppException&) = default;
  ~AppException() override = default;

  HResult hr() const { return hr_; }
  std::int32_t code() const { return code_; }

 private:
  HResult hr_;
  std::int32_t code_;
};

// Raises AppException(hr, code) for a failing (negative) hr.
inline void ThrowIfFailed(HResult hr, std::int32_t code) {
  if (hr < 0) throw AppException(hr, code);
}

}  // namespace brivonel
