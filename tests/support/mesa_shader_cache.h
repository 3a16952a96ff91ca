#pragma once
// Tests that draw with Mesa keep it from caching compiled shaders on disk:
// a test gains nothing from the cache, should leave nothing in the user's
// cache folder, and the cache's writer thread would be one more thread still
// running while the process exits.
#include <cstdlib>

namespace brivonel::test {

inline void KeepMesaFromCachingShaders() { setenv("MESA_SHADER_CACHE_DISABLE", "true", 1); }

}  // namespace brivonel::test
