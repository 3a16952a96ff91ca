#include "base/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>

#include <string>

#include "base/unicode.h"
#endif

namespace brivonel {
namespace {

void StderrSink(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  // The Windows C runtime buffers a redirected stderr: a program that is
  // ended from outside would lose its last lines.
  std::fflush(stderr);
}

#if defined(_WIN32)
// The debugger's output window (and tools like DebugView) show these lines.
void DebuggerSink(std::string_view text) {
  const std::u16string wide = Utf8ToUtf16(text);
  OutputDebugStringW(reinterpret_cast<const wchar_t*>(wide.c_str()));
}
#endif

TraceSink DefaultSink() {
  const char* flag = std::getenv("BRIVONEL_TRACE");
  if (flag != nullptr && *flag != '\0') return &StderrSink;
#if defined(_WIN32)
  return &DebuggerSink;
#else
  return nullptr;
#endif
}

TraceSink& CurrentSink() {
  static TraceSink sink = DefaultSink();
  return sink;
}

}  // namespace

void SetTraceSink(TraceSink sink) {
  CurrentSink() = sink != nullptr ? sink : DefaultSink();
}

bool TraceEnabled() { return CurrentSink() != nullptr; }

void Trace(std::string_view text) {
  if (TraceSink sink = CurrentSink()) sink(text);
}

void TraceFormat(const char* format, ...) {
  TraceSink sink = CurrentSink();
  if (sink == nullptr) return;
  char buffer[256];
  va_list args;
  va_start(args, format);
  int written = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (written < 0) return;
  std::size_t length = static_cast<std::size_t>(written);
  if (length >= sizeof buffer) length = sizeof buffer - 1;
  sink(std::string_view(buffer, length));
}

}  // namespace brivonel
