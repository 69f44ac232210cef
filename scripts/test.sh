#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, checks formatting, builds with warnings as errors and runs every
# test, then builds again with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang, with the fuzzer) and runs every test once more.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
scripts/check-format.sh

jobs=$(nproc)
# Rebuilds after a small change, or a second run on the same machine, reuse
# what was compiled before.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
fi

echo "== strict build (g++, -Werror)"
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDARTLINE_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build build/ci -j "$jobs"
ctest --test-dir build/ci --output-on-failure -j "$jobs" --timeout 300

echo "== sanitizer build (clang, ASan + UBSan, libFuzzer)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DDARTLINE_SANITIZE=ON -DDARTLINE_FUZZ=ON -DDARTLINE_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build build/asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build/asan --output-on-failure -j "$jobs" --timeout 600
