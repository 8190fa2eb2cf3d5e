#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on a fresh copy of its seed corpus, so the tree stays
# clean; prints libFuzzer's run count. A finding (crash, leak, broken property) fails the test, and
# its input is kept beside the work folder and replayed by every later run until it passes.
# Usage: run_fuzzer.sh FUZZER SEED_CORPUS WORK_DIR SECONDS
set -uo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
name=$(basename "$fuzzer")
kept="$work-findings"

rm -rf "$work"
mkdir -p "$work/corpus" "$work/findings"
cp "$seeds"/* "$work/corpus/"

# Earlier findings first: a short run may not meet the same input again.
if compgen -G "$kept/*" >/dev/null; then
  if ! "$fuzzer" -timeout=10 -rss_limit_mb=2048 "$kept"/* >"$work/replay.log" 2>&1; then
    echo "$name: a kept finding still fails (delete $kept once it is mended):"
    tail -n 60 "$work/replay.log"
    exit 1
  fi
  echo "$name: the kept findings in $kept pass now"
fi

"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/findings/" "$work/corpus" >"$work/fuzz.log" 2>&1
status=$?

done_line=$(grep -E '^Done [0-9]+ runs' "$work/fuzz.log" | tail -n 1)
echo "$name: ${done_line:-no final run count}" | tee "$work/runs.txt"
findings=$(ls "$work/findings")
if [ $status -ne 0 ] || [ -n "$findings" ]; then
  echo "$name: finding (exit status $status); the log's end:"
  tail -n 60 "$work/fuzz.log"
  mkdir -p "$kept"
  for f in "$work"/findings/*; do
    [ -e "$f" ] || continue
    cp "$f" "$kept/"
    echo "input saved as $kept/$(basename "$f") ($(stat -c %s "$f") bytes)"
  done
  exit 1
fi
# libFuzzer reads and runs every seed before it starts mutating; a run that never got there
# (however short its time) checked nothing.
if ! grep -qE '^#[0-9]+[[:space:]]+INITED' "$work/fuzz.log"; then
  echo "$name: the seed corpus was not run through; the log's end:"
  tail -n 20 "$work/fuzz.log"
  exit 1
fi
