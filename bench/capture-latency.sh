#!/usr/bin/env bash
# Times the clipboard monitor on a private X server: xclip -> capture latency for text and a
# 10 MiB PNG, and the idle CPU of a monitor polling for 60 s (first argument: other duration).
#   bench/capture-latency.sh [BUILD_DIR] [IDLE_SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
exec "$root/tests/support/with-x11" "$build/bench/bench_capture_latency" "${2:-60}"
