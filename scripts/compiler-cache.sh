# Sourced by the build scripts: sets `launcher` to the CMake options that put
# ccache in front of the compilers, when ccache is installed. Objects are
# shared between build folders and checkouts (paths are taken relative to
# the folder above the checkout).
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(cd .. && pwd)}
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
