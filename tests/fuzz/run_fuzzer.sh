#!/usr/bin/env bash
# Runs one fuzz target for a bounded time on a fresh copy of its seed corpus, so the tree stays
# clean; prints libFuzzer's run count. A finding (crash, leak, broken property) fails the test.
# Usage: run_fuzzer.sh FUZZER SEED_CORPUS WORK_DIR SECONDS
set -uo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4
name=$(basename "$fuzzer")

rm -rf "$work"
mkdir -p "$work/corpus" "$work/findings"
cp "$seeds"/* "$work/corpus/"

"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$work/findings/" "$work/corpus" >"$work/fuzz.log" 2>&1
status=$?

done_line=$(grep -E '^Done [0-9]+ runs' "$work/fuzz.log" | tail -n 1)
echo "$name: ${done_line:-no final run count}" | tee "$work/runs.txt"
findings=$(ls "$work/findings")
if [ $status -ne 0 ] || [ -n "$findings" ]; then
  echo "$name: finding (exit status $status); the log's end:"
  tail -n 60 "$work/fuzz.log"
  for f in "$work"/findings/*; do [ -e "$f" ] && echo "input saved as $f ($(stat -c %s "$f") bytes)"; done
  exit 1
fi
