#!/usr/bin/env bash
# Builds every preset and runs all test tiers: host unit tests, Windows-target tests under Wine,
# end-to-end tests of Orvelkit.exe under Wine and Xvfb, and a bounded run of each fuzz target.
# The Windows tiers mostly wait on Wine: each runs on a private Xvfb of its own while the next preset
# builds. Ends with each tier's ctest summary and the time of every build and tier.
set -euo pipefail
cd "$(dirname "$0")"
# Whatever stops the script early says so in one line: which step, with what status.
step="installing the packages (tools/setup-deps)"
tier_pids=()
on_exit() {
  local rc=$?
  [ $rc -eq 0 ] || [ -z "$step" ] || echo "test.sh: $step failed (status $rc)" >&2
  # An early end (a failed build, an interrupt) ends the Windows tiers still running.
  for pid in "${tier_pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap on_exit EXIT
tools/setup-deps
step=""
jobs=$(nproc)
began=$SECONDS
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
times=()  # "what|seconds" for the summary
# The 32-bit Wine tiers need a machine that runs 32-bit programs; elsewhere they are skipped, said so.
wine32_skipped=""
wine32_skipped=$(tools/wine --runs-32-bit) && wine32_skipped=""

# Configures (once) and builds a preset; with a second argument, also prepares that preset's Wine
# prefix meanwhile (its first boot takes half a minute, mostly waiting).
build() {
  local start=$SECONDS prefix_pid=""
  step="configuring $1 (cmake --preset $1)"
  [ -f build/$1/CMakeCache.txt ] || cmake --preset $1 >/dev/null
  if [ "${2:-}" = prefix ]; then tools/wine-prefix "build/$1" & prefix_pid=$!; fi
  step="building $1"
  cmake --build build/$1 -j"$jobs"
  step="preparing the Wine prefix of $1 (tools/wine-prefix)"
  [ -z "$prefix_pid" ] || wait "$prefix_pid"
  step=""
  times+=("build $1|$((SECONDS - start))")
}

# A Windows preset's tests, run in the background (&, so in a subshell of its own): its prefix, its
# own X server, ctest; the output goes to build/<preset>/tests.log, the status and the seconds to
# build/<preset>/tests.result.
windows_tier() {
  preset=$1
  start=$SECONDS
  status=0
  exec >"build/$preset/tests.log" 2>&1
  tools/wine-prefix "build/$preset"
  . tools/xvfb.sh
  start_private_xvfb 60 99
  # A group of its own, so that an early end takes the test programs with it.
  ctest_pid="" stopping=""
  trap 'stopping=1; [ -z "$ctest_pid" ] || kill -TERM -- -"$ctest_pid" 2>/dev/null || true' TERM
  setsid ctest --test-dir "build/$preset" --output-on-failure -j"$jobs" & ctest_pid=$!
  wait "$ctest_pid" || status=$?
  if [ -n "$stopping" ]; then
    # Programs under Wine may outlive the TERM: a few seconds, then KILL.
    for _ in $(seq 50); do kill -0 -- -"$ctest_pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL -- -"$ctest_pid" 2>/dev/null || true
  fi
  wait "$ctest_pid" 2>/dev/null || true
  # ctest has ended every test program; let the prefix's server close down before its display goes.
  # Never end it: a program started by ./run.sh may share the prefix, so wait a bounded time.
  WINEPREFIX="$PWD/build/$preset/wineprefix" timeout 30 wineserver -w 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  echo "$status $((SECONDS - start))" >"build/$preset/tests.result"
}

# Without these an interrupt would wait for the background tiers to end by themselves.
trap 'exit 130' INT
trap 'exit 143' TERM

status=0
# The 64-bit tier is the longest (the long end-to-end cases run there only): built first.
for preset in win64 win32; do
  rm -f "build/$preset/tests.result" "build/$preset/tests.log"
  if [ $preset = win32 ] && [ -n "$wine32_skipped" ]; then
    # Only what needs no Wine: the executable's own checks.
    build $preset
    echo "=== $preset: checks without Wine (32-bit Wine skipped: $wine32_skipped) ==="
    start=$SECONDS
    tier_status=0
    ctest --test-dir "build/$preset" --output-on-failure -R '^pe_check$' >"build/$preset/tests.log" 2>&1 ||
      tier_status=$?
    echo "$tier_status $((SECONDS - start))" >"build/$preset/tests.result"
    continue
  fi
  build $preset prefix
  windows_tier $preset & tier_pids+=($!)
  echo "=== $preset: Windows-target and end-to-end tests started in the background ==="
done

build host
echo "=== host ==="
start=$SECONDS
ctest --test-dir build/host --output-on-failure -j"$jobs" || status=1
times+=("tests host|$((SECONDS - start))")

build fuzz
echo "=== fuzz ==="
start=$SECONDS
ctest --test-dir build/fuzz --output-on-failure -j"$jobs" || status=1
times+=("tests fuzz|$((SECONDS - start))")
# Executions of each fuzz target in its bounded run.
cat build/fuzz/fuzz-runs/*/runs.txt 2>/dev/null || true

echo "=== waiting for the Windows tiers ==="
wait "${tier_pids[@]}" || true
tier_pids=()
for preset in win32 win64; do
  echo "=== $preset ==="
  cat "build/$preset/tests.log"
  tier_status=1 seconds=?
  [ -f "build/$preset/tests.result" ] && read -r tier_status seconds <"build/$preset/tests.result"
  [ "$tier_status" = 0 ] || status=1
  if [ $preset = win32 ] && [ -n "$wine32_skipped" ]; then
    times+=("tests $preset (executable checks only)|$seconds")
  else
    times+=("tests $preset (Windows-target, end-to-end)|$seconds")
  fi
done

echo "=== times in seconds (the Windows tiers run alongside the later builds) ==="
times+=("total|$((SECONDS - began))")
for entry in "${times[@]}"; do printf '%-44s %5s\n' "${entry%|*}" "${entry#*|}"; done
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
[ -z "$wine32_skipped" ] || echo "win32 under Wine: skipped, $wine32_skipped (Windows-target and end-to-end tests of the 32-bit build)"
step=""
exit $status
