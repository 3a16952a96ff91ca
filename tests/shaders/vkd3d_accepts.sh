#!/usr/bin/env bash
# vkd3d-compiler (Wine's shader translator) reads each generated program and
# translates it to SPIR-V: it refuses a container whose digest, chunks or
# tokens are wrong. spirv-val then checks the SPIR-V when it is installed.
# Usage: vkd3d_accepts.sh BRIVONEL_DXBC_TOOL VKD3D_COMPILER [SPIRV_VAL]
set -euo pipefail
tool=$1 vkd3d=$2 spirv_val=${3:-}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$tool" "$out"
for name in vs_pos4norm3uv2 ps_pos4color4uv2 ps_pos4color4; do
  "$vkd3d" -x dxbc-tpf -b spirv-binary -o "$out/$name.spv" "$out/$name.cso"
  if [ -n "$spirv_val" ]; then
    "$spirv_val" "$out/$name.spv"
  fi
  echo "$name.cso: accepted"
done
