#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs one of them.
#   scripts/fuzz.sh chunk [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:?usage: scripts/fuzz.sh TARGET [seconds]}
seconds=${2:-60}
./scripts/setup.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMARVO_GUI=OFF -DMARVO_SANITIZE=ON -DMARVO_LIBFUZZER=ON >/dev/null
cmake --build build-fuzz --target "fuzz_$name"
mkdir -p "build-fuzz/corpus/$name"
exec "./build-fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" "build-fuzz/corpus/$name" "fuzz/corpus/$name"
