#!/usr/bin/env bash
# Runs one command on a virtual X display of its own (Xvfb, 1280x1024, 24 bits) with Qt's xcb
# platform, the way a person's desktop shows it. Each run gets a fresh server, so tests never
# share a screen; -displayfd lets the server pick a free display number without races.
#   tests/display/run-on-xvfb.sh COMMAND [ARGS...]
set -euo pipefail

fifo_dir=$(mktemp -d)
trap 'kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; rm -rf "$fifo_dir"' EXIT
mkfifo "$fifo_dir/display"
Xvfb -displayfd 3 -screen 0 "${MARVO_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp \
  3>"$fifo_dir/display" 2>"$fifo_dir/xvfb.log" &
xvfb_pid=$!
if ! read -r -t 30 number <"$fifo_dir/display"; then
  echo "run-on-xvfb: Xvfb did not start:" >&2
  cat "$fifo_dir/xvfb.log" >&2
  exit 1
fi

export DISPLAY=":$number"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
"$@"
