#pragma once
// Tests that draw with Mesa in their own process keep it from caching
// compiled shaders on disk. The cache is written by a thread of Mesa's that
// may still run while the process exits, and LeakSanitizer's check at exit
// then sometimes crashes; a test gains nothing from the cache.
#include <cstdlib>

namespace brivonel::test {

inline void KeepMesaFromCachingShaders() { setenv("MESA_SHADER_CACHE_DISABLE", "true", 1); }

}  // namespace brivonel::test
