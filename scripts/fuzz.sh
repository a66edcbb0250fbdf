#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (the libraries under test instrumented for
# coverage) and runs one of them, then prints the coverage it reached.
#   scripts/fuzz.sh chunk [seconds] [more libFuzzer options...]
# New inputs go to build-fuzz/corpus/NAME; copy the ones worth keeping to fuzz/corpus/NAME.
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:?usage: scripts/fuzz.sh TARGET [seconds] [libFuzzer options...]}
seconds=${2:-60}
shift $(( $# >= 2 ? 2 : 1 ))
./scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMARVO_GUI=OFF -DMARVO_SANITIZE=ON -DMARVO_LIBFUZZER=ON >/dev/null
cmake --build build-fuzz -j "${MARVO_BUILD_JOBS:-2}" --target "fuzz_$name"
mkdir -p "build-fuzz/corpus/$name"
options=(-max_total_time="$seconds" -print_final_stats=1)
[ -f "fuzz/dict/$name.dict" ] && options+=(-dict="fuzz/dict/$name.dict")
log="build-fuzz/fuzz_$name.log"
status=0
"./build-fuzz/fuzz/fuzz_$name" "${options[@]}" "$@" "build-fuzz/corpus/$name" "fuzz/corpus/$name" \
  2>&1 | tee "$log" || status=$?
# The last status line holds the coverage reached (cov: edges, ft: features) and the runs made.
echo "== fuzz_$name: $(grep -E '^#[0-9]+' "$log" | tail -n 1)"
exit "$status"
