#!/usr/bin/env bash
# Installs what is missing, builds the show and its generated data, and plays it full screen.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

install_missing_packages
build build

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: the show needs a desktop session (DISPLAY or WAYLAND_DISPLAY is unset)." >&2
  exit 1
fi
cd "$SHOW_ROOT/build"
exec ./show
