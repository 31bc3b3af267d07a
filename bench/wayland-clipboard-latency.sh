#!/usr/bin/env bash
# Times the data-control clipboard under a private headless sway: selection event and full read
# after another client's copy, for text and 10 MiB.
#   bench/wayland-clipboard-latency.sh [BUILD_DIR] [COPIES]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
exec "$root/tests/support/with-sway" "$build/bench/bench_wayland_clipboard_latency" "${2:-50}"
