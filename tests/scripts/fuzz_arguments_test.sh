#!/usr/bin/env bash
# scripts/fuzz reads "[SECONDS] [NAME ...]": a bad first word must end in a
# usage line and exit 2 at once (a word passed on to libFuzzer as its time
# limit would mean "no limit"), and good words give the planned run.
# FUZZ_DRY_RUN=1 keeps it from building anything.
set -uo pipefail
fuzz=$1
failures=0

expect() {  # expect EXIT PATTERN ARGS...
  local want=$1 pattern=$2
  shift 2
  local output status
  output=$(FUZZ_DRY_RUN=1 "$fuzz" "$@" 2>&1)
  status=$?
  if [ "$status" -ne "$want" ] || ! grep -qE -- "$pattern" <<<"$output"; then
    echo "FAIL: scripts/fuzz $* gave exit $status (wanted $want) and:"
    echo "$output"
    failures=$((failures + 1))
  fi
}

expect 2 '^usage: scripts/fuzz \[SECONDS\] \[NAME' abc
expect 2 'no harness named "foo"' 5 foo
expect 2 'no harness named "7"' 5 pmx 7
expect 2 'SECONDS must be a whole number' 0
expect 2 'SECONDS must be a whole number' -5
expect 2 'SECONDS must be a whole number' 99999999
expect 0 '^fuzz: pmx for 60 s each$' pmx
expect 0 '^fuzz: vmd pose for 7 s each$' 007 vmd pose
expect 0 '^fuzz: pmx pmd vmd pose dds_loader tga_loader image_codecs for 30 s each$' 30
expect 0 '^usage: scripts/fuzz' --help

if [ "$failures" -ne 0 ]; then
  echo "$failures case(s) failed"
  exit 1
fi
echo "scripts/fuzz argument checks passed"
