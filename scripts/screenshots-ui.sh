#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes PNG screenshots of the settings window (light, dark, recording, with
# a registration error, with no displays) and of the About window, rendered
# offscreen over the fake platform at twice the pixel density. The settings
# window is made tall enough to show every card without scrolling.
#
#   scripts/screenshots-ui.sh [output folder]      default: build/screenshots
#
# DARTLINE_BUILD_DIR picks the build folder (default build/screenshots-build;
# an existing one keeps its configuration);
# DARTLINE_SCREENSHOT_SCALE the pixel density (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/screenshots}
build=${DARTLINE_BUILD_DIR:-$root/build/screenshots-build}
"$root/scripts/setup.sh"
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDARTLINE_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target ui-screenshots
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=${DARTLINE_SCREENSHOT_SCALE:-2} \
  "$build/tools/ui-screenshots" "$out"
