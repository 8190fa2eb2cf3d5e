#!/usr/bin/env bash
# Builds every preset and runs all test tiers: host unit tests, Windows-target tests under Wine,
# end-to-end tests of Orvelkit.exe under Wine and Xvfb, and a bounded run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup-deps
jobs=$(nproc)
for preset in host win32 win64 fuzz; do
  [ -f build/$preset/CMakeCache.txt ] || cmake --preset $preset >/dev/null
  cmake --build build/$preset -j"$jobs"
done
for preset in win32 win64; do tools/wine-prefix build/$preset; done

# One private X server for every Windows test.
. tools/xvfb.sh
start_private_xvfb 60 99
cleanup() {
  # ctest has ended every test program; let the prefixes' servers close down before their display
  # goes. Never end them: a program started by ./run.sh may share the prefix, so wait a bounded time.
  for preset in win32 win64; do
    WINEPREFIX="$PWD/build/$preset/wineprefix" timeout 30 wineserver -w 2>/dev/null || true
  done
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

status=0
for preset in host fuzz win32 win64; do
  echo "=== $preset ==="
  ctest --test-dir build/$preset --output-on-failure -j"$jobs" || status=1
  # Executions of each fuzz target in its bounded run.
  [ $preset = fuzz ] && { cat build/fuzz/fuzz-runs/*/runs.txt 2>/dev/null || true; }
done
exit $status
