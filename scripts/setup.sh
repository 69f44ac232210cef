#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian 12 packages Dartline needs to build, run and test.
# Idempotent: when everything is there it only asks dpkg and returns.
set -euo pipefail

packages=(
  # build
  cmake ninja-build ccache g++ clang clang-format libclang-rt-14-dev pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libvulkan-dev
  # translations: lupdate/lrelease and CMake's qt_add_translations; Qt's own (qtbase_zh_CN)
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  libxcb1-dev libxcb-randr0-dev libxcb-xfixes0-dev libxcb-xtest0-dev libxcb-xkb-dev libxcb-shape0-dev
  libxkbcommon-dev libxkbcommon-x11-dev libwayland-dev wayland-protocols
  # run and test under private X servers
  xvfb xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils x11-xkb-utils xkb-data xdotool
  xcompmgr trayer fonts-wqy-microhei fonts-noto-cjk
  # a real desktop for the tests: window manager, panel with a tray, session bus
  openbox tint2 dbus
  # the Wayland tests: a headless sway with XWayland (as root the harness runs it as a system user), wtype types,
  # grim takes screenshots
  sway xwayland wtype grim
  # and a headless KWin (its fake input types; its protocols are built into the backend)
  kwin-wayland plasma-wayland-protocols
  # and a headless mutter: PipeWire for its remote-desktop sessions, gsettings and the media-keys schema for
  # GNOME's custom keybindings; the desktop portal, whose remote desktop a test's own back end serves
  mutter pipewire libglib2.0-bin gnome-settings-daemon-common xdg-desktop-portal
  # packaging checks and benchmarks
  desktop-file-utils appstream sxhkd dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
