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
display=""
for n in $(seq 60 99); do
  if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xvfb=$!
cleanup() {
  for preset in win32 win64; do WINEPREFIX="$PWD/build/$preset/wineprefix" wineserver -k 2>/dev/null || true; done
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

status=0
for preset in host fuzz win32 win64; do
  echo "=== $preset ==="
  ctest --test-dir build/$preset --output-on-failure -j"$jobs" || status=1
  # Executions of each fuzz target in its bounded run.
  [ $preset = fuzz ] && { cat build/fuzz/fuzz-runs/*/runs.txt 2>/dev/null || true; }
done
exit $status
