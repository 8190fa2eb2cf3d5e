#!/usr/bin/env bash
# Builds Orvelkit.exe and starts it under Wine: on $DISPLAY, or under a private Xvfb with a screenshot.
# Usage: ./run.sh [program arguments, e.g. /language 1]
set -euo pipefail
cd "$(dirname "$0")"
tools/setup-deps
preset=win64
[ -f build/$preset/CMakeCache.txt ] || cmake --preset $preset >/dev/null
cmake --build build/$preset -j"$(nproc)" --target Orvelkit wmi_standin
tools/wine-prefix "build/$preset"
exe="build/$preset/platform/win32/Orvelkit.exe"
export WINEPREFIX="$PWD/build/$preset/wineprefix" WINEDEBUG=-all
if [ -n "${DISPLAY:-}" ]; then
  exec wine "$exe" "$@"
fi
tools/headless-shot "$exe" "build/$preset/screenshots/run.png" "$@"
