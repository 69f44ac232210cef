#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up, builds and starts Dartline in the current session (X11, or Wayland
# with XWayland).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDARTLINE_TESTS=OFF -DDARTLINE_BENCH=OFF >/dev/null
cmake --build "$root/build/release" --target dartline
if [[ -z "${DISPLAY:-}" ]]; then
  echo "dartline: no X display (DISPLAY is not set); start it from a desktop session (X11, or Wayland with XWayland)." >&2
  exit 1
fi
# KWin lets a program move the pointer only when an installed desktop entry
# names it by absolute path (an installed Dartline has one): give this build
# one of its own, hidden from menus.
if [[ -n "${WAYLAND_DISPLAY:-}" ]]; then
  apps=${XDG_DATA_HOME:-$HOME/.local/share}/applications
  mkdir -p "$apps"
  cat >"$apps/org.dartline.Dartline.build.desktop" <<EOF
[Desktop Entry]
Type=Application
Name=Dartline (build)
Exec=$root/build/release/app/dartline
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
EOF
fi
exec "$root/build/release/app/dartline" "$@"
