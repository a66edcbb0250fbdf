#!/usr/bin/env bash
# Installs what is missing, builds the browser and starts it. Arguments go to the browser
# (an address or a file to open).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target marvo

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "marvo: no display found. Run it in a desktop session, or under a virtual display:" >&2
  echo "  xvfb-run -a ./scripts/run.sh" >&2
  exit 1
fi
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
exec ./build/app/marvo "$@"
