#!/usr/bin/env bash
# Installs what is missing, builds the show and its generated data, and plays it full screen;
# without a display it renders the show to build/show.mp4 instead.
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

# SDL's X11 message box draws with a core X font: without one, a failure's box cannot appear.
install_missing_packages xfonts-base
build build

cd "$SHOW_ROOT/build"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): rendering the show to a video instead."
  ./capture --video show.mp4
  echo "The show is in $SHOW_ROOT/build/show.mp4"
  exit 0
fi
exec ./show
