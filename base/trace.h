#pragma once
// One trace sink for the whole core. Decoders, pose evaluation and the power
// handlers report what they do here; the trace never changes a result.
// Windows sends it to the debugger output; on Linux it is silent. With the
// environment variable BRIVONEL_TRACE set it goes to stderr on both.
#include <string_view>

namespace brivonel {

// Receives one line of UTF-8 text (it normally ends in a line break).
using TraceSink = void (*)(std::string_view text);

// Replaces the sink; nullptr restores the default.
void SetTraceSink(TraceSink sink);

// True when a sink will receive lines: lets callers skip formatting work.
bool TraceEnabled();

void Trace(std::string_view text);

// printf-style formatting into a 256-byte buffer; longer lines are cut.
void TraceFormat(const char* format, ...)
#if defined(__MINGW32__)
    // mingw's C++ runtime formats with its C99 printf (%zu and the like)
    __attribute__((format(gnu_printf, 1, 2)))
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace brivonel
