#!/usr/bin/env bash
# Builds Orvelkit.exe and starts it under Wine: on $DISPLAY, or under a private Xvfb with a screenshot.
# Usage: ./run.sh [program arguments, e.g. /language 1]
set -euo pipefail
cd "$(dirname "$0")"
# Whatever stops the script early says so in one line: which step, with what status.
step="installing the packages (tools/setup-deps)"
trap 'rc=$?; [ $rc -eq 0 ] || [ -z "$step" ] || echo "run.sh: $step failed (status $rc)" >&2' EXIT
tools/setup-deps
preset=win64
step="configuring $preset (cmake --preset $preset)"
[ -f build/$preset/CMakeCache.txt ] || cmake --preset $preset >/dev/null
step="building $preset"
cmake --build build/$preset -j"$(nproc)" --target Orvelkit wmi_standin
step="preparing the Wine prefix (tools/wine-prefix)"
tools/wine-prefix "build/$preset"
exe="build/$preset/platform/win32/Orvelkit.exe"
export WINEPREFIX="$PWD/build/$preset/wineprefix" WINEDEBUG=-all
step="running $exe under Wine"
if [ -n "${DISPLAY:-}" ]; then
  exec tools/wine "$exe" "$@"
fi
tools/headless-shot "$exe" "build/$preset/screenshots/run.png" "$@"
