#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and starts Dartline on the current X display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDARTLINE_TESTS=OFF -DDARTLINE_BENCH=OFF >/dev/null
cmake --build "$root/build/release" --target dartline
if [[ -z "${DISPLAY:-}" ]]; then
  echo "dartline: no X display (DISPLAY is not set); start it from an X11 desktop session." >&2
  exit 1
fi
exec "$root/build/release/app/dartline" "$@"
