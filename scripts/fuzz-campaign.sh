#!/usr/bin/env bash
# Runs fuzz targets one after another (one job: the machine is shared) with their dictionaries,
# each until its time is up or it has made the given number of runs, and prints one line per
# target with the coverage reached. Crashes, timeouts and slow inputs are written to
# build-fuzz/findings/NAME/.
#   scripts/fuzz-campaign.sh SECONDS RUNS TARGET...
# Build the targets first (scripts/fuzz.sh builds them).
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz-campaign.sh SECONDS RUNS TARGET...}
runs=${2:?}
shift 2
for name in "$@"; do
  mkdir -p "build-fuzz/corpus/$name" "build-fuzz/findings/$name"
  options=(-max_total_time="$seconds" -runs="$runs" -print_final_stats=1 -timeout=10
           -rss_limit_mb=2560 -artifact_prefix="build-fuzz/findings/$name/")
  [ -f "fuzz/dict/$name.dict" ] && options+=(-dict="fuzz/dict/$name.dict")
  log="build-fuzz/findings/$name.log"
  "./build-fuzz/fuzz/fuzz_$name" "${options[@]}" "build-fuzz/corpus/$name" "fuzz/corpus/$name" >"$log" 2>&1
  status=$?
  echo "$name: exit $status $(grep -E '^#[0-9]+' "$log" | tail -n 1 | cut -c1-110)"
done
