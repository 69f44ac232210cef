#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Writes PNG screenshots of the cursor pulse (one frame at the peak of its
# growth) and of the identify tiles on three monitors, each with and without
# a compositing manager, taken on a private X server:
#
#   scripts/screenshots-feedback.sh [output directory]
#
# The default directory is build/screenshots/feedback. DARTLINE_BUILD_DIR
# chooses the build tree (default build/bench).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/screenshots/feedback}
build=${DARTLINE_BUILD_DIR:-$root/build/bench}
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_feedback
"$build/bench/bench_feedback" --screenshots "$out"
