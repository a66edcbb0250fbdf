#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test; then builds the core
# libraries (no Qt) with AddressSanitizer and UndefinedBehaviorSanitizer and runs their tests
# and the fuzz replays. Exits non-zero on the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
jobs=$(nproc)

# The browser tests run the real Qt WebEngine without a display; as root its sandbox must be off.
export QT_QPA_PLATFORM=offscreen
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

echo "== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
echo "== tests"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

echo "== sanitizer build of the core libraries"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARVO_GUI=OFF -DMARVO_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
echo "== core tests under ASan and UBSan"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -L core --output-on-failure -j "$jobs" --timeout 600
echo "== all tests passed"
