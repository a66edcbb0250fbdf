#!/usr/bin/env bash
# Builds the Debian packages marvo and marvo-share-server into dist/.
# Usage: scripts/package.sh [BUILD-FOLDER]   (default: build; configured when it is not yet)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
./scripts/setup.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target marvo marvo-memo marvo-share-server marvo_stamps marvo_packaging_files
mkdir -p dist
rm -f dist/marvo_*.deb dist/marvo-share-server_*.deb
(cd "$build" && cpack -G DEB)
ls -l dist/*.deb
