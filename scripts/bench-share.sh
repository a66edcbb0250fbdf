#!/usr/bin/env bash
# Measures the sharing server: "QURL" checks per second and durable GMEM+CMEM commits per
# second with 50 concurrent clients, one connection per exchange. When redis is installed,
# runs `redis-benchmark -k 0 -c 50 -t ping` against a private redis-server in the same run,
# as the yardstick for the checks.
#
# usage: scripts/bench-share.sh [build-dir]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

cmake --build "$build" --target bench_share_server >/dev/null
csv=$("$build/bench/bench_share_server" --benchmark_format=csv 2>/dev/null)
echo "$csv" | awk -F, 'NR > 1 && $1 ~ /BM_/ {
  gsub(/"/, "", $1); printf "%-48s %10.0f per second\n", $1, $7 }'
checks=$(echo "$csv" | awk -F, '$1 ~ /BM_SiteChecks\/server_threads:1/ { print $7 }')

if command -v redis-server >/dev/null && command -v redis-benchmark >/dev/null; then
  redis_pid=""
  trap '[ -n "$redis_pid" ] && { kill "$redis_pid" 2>/dev/null; wait "$redis_pid" 2>/dev/null; }; true' EXIT
  for attempt in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 40000))
    redis-server --port "$port" --bind 127.0.0.1 --save '' --appendonly no >/dev/null 2>&1 &
    redis_pid=$!
    ready=no
    for _ in $(seq 50); do
      if timeout 2 redis-cli -p "$port" ping 2>/dev/null | grep -q PONG; then ready=yes; break; fi
      kill -0 "$redis_pid" 2>/dev/null || break
      sleep 0.1
    done
    [ "$ready" = yes ] && break
    kill "$redis_pid" 2>/dev/null || true
    redis_pid=""
  done
  if [ -n "$redis_pid" ]; then
    out=$(timeout 300 redis-benchmark -p "$port" -k 0 -c 50 -t ping -n 100000 --csv 2>/dev/null)
    echo "$out" | awk -F, 'NR > 1 { gsub(/"/, ""); printf "redis-benchmark -k 0 -c 50 %-14s %10.0f per second\n", $1, $2 }'
    ping=$(echo "$out" | awk -F, '$1 ~ /PING_INLINE/ { gsub(/"/, "", $2); print $2 }')
    awk -v a="$checks" -v b="$ping" 'BEGIN { if (b > 0) printf "QURL checks are %.0f%% of redis PING_INLINE (target: at least 70%%)\n", 100 * a / b }'
  else
    echo "redis-server did not start; no yardstick"
  fi
else
  echo "redis-server or redis-benchmark not installed; no yardstick"
fi
