#!/usr/bin/env bash
# The Debian package as a user meets it: built by tools/package.sh, clean under lintian, every
# run-time need it does not link declared; installed with apt-get, its launcher opens the show's
# window under a virtual X display and Escape ends it, its capture command run from any folder
# writes a still that matches the golden one; removed with --purge, nothing of it is left.
# Installing needs root: without it the test says so and does nothing else.
#   tests/package/package_test.sh
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/setup.sh"
set +e

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP package test: installing and removing a package needs root"
  exit 0
fi

failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
ok() { echo "ok   $*"; }
work="$(mktemp -d)"
display_server=""
cleanup() {
  [ -n "$display_server" ] && kill "$display_server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

install_missing_packages lintian xdotool nodejs
"$SHOW_ROOT/tools/package.sh" || { fail "tools/package.sh did not build the package"; exit 1; }
deb="$(ls "$SHOW_ROOT"/build/glintvat_*.deb)"

# lintian: no error and no warning.
lintian --no-tag-display-limit "$deb" > "$work/lintian.txt" 2>&1
if grep -qE '^(E|W):' "$work/lintian.txt"; then
  fail "lintian: $(grep -E '^(E|W):' "$work/lintian.txt" | tr '\n' ' ')"
else
  ok "lintian: no error and no warning ($(wc -l < "$work/lintian.txt") other notes)"
fi

# What the programs load without linking it must be declared: the OpenGL drivers (the programs
# link only glvnd's dispatch) and the labels' font in Depends, the core X font SDL's message box
# draws with in Recommends (Debian lets no package depend on an X font).
depends="$(dpkg-deb -f "$deb" Depends)"
recommends="$(dpkg-deb -f "$deb" Recommends)"
for need in libgl1-mesa-dri libglx-mesa0 libegl-mesa0 fonts-dejavu-core; do
  [[ ", $depends," == *", $need"[,\ ]* ]] || fail "Depends lacks $need, which the programs load"
done
[[ ", $recommends," == *", xfonts-base"[,\ ]* ]] || fail "Recommends lacks xfonts-base"
ok "Depends: $depends; Recommends: $recommends"

export DEBIAN_FRONTEND=noninteractive
if ! apt-get install -y "$deb" > "$work/install.txt" 2>&1; then
  fail "apt-get install: $(tail -3 "$work/install.txt")"
  exit 1
fi
ok "installed: $(grep -c '^Setting up' "$work/install.txt") packages set up"

# The launcher, on a display of its own: the window with the show's title, ended by Escape.
number=80
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
Xvfb ":$number" -nolisten tcp -screen 0 800x600x24 > /dev/null 2>&1 &
display_server=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
export DISPLAY=":$number"
(cd "$work" && SDL_AUDIODRIVER=dummy glintvat > "$work/show.txt" 2>&1) &
show=$!
window=""
for _ in $(seq 200); do
  window="$(xdotool search --name '^brokwel 11 \| glintVAT \| dwm2001$' 2>/dev/null | head -1)"
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  fail "no window titled 'brokwel 11 | glintVAT | dwm2001' appeared ($(cat "$work/show.txt"))"
else
  sleep 2
  xdotool windowfocus "$window" 2>/dev/null; sleep 0.3; xdotool key --window "$window" Escape 2>/dev/null; xdotool key Escape 2>/dev/null
  for _ in $(seq 100); do kill -0 "$show" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$show" 2>/dev/null; then
    fail "the show did not end on Escape"
  else
    wait "$show"
    status=$?
    [ "$status" -eq 0 ] && ok "the launcher opened the show's window and Escape ended it" ||
      fail "the show exited $status ($(cat "$work/show.txt"))"
  fi
fi
kill "$show" 2>/dev/null
unset DISPLAY

# The capture command from a folder of the user's: a still where it stands, as the golden one.
mkdir -p "$work/here"
if (cd "$work/here" && glintvat-capture --still 40 > "$work/capture.txt" 2>&1); then
  node -e '
    const fs = require("fs"), {readPng, compare} = require(process.argv[1]);
    const result = compare(readPng(fs.readFileSync(process.argv[2])),
                           readPng(fs.readFileSync(process.argv[3])));
    if (typeof result === "string") { console.log(result); process.exit(1); }
    console.log(result.summary);' "$SHOW_ROOT/tests/web/png.js" \
    "$work/here/still-40.000.png" "$SHOW_ROOT/tests/golden/bars-40.0.png" > "$work/compare.txt"
  [ $? -eq 0 ] && ok "glintvat-capture --still 40 from another folder: $(cat "$work/compare.txt")" ||
    fail "the still at 40 s differs from the golden one: $(cat "$work/compare.txt")"
else
  fail "glintvat-capture --still 40: $(cat "$work/capture.txt")"
fi

# Removed with --purge: none of its files is left.
dpkg -L glintvat | while read -r path; do [ -f "$path" ] && echo "$path"; done > "$work/files.txt"
apt-get remove --purge -y glintvat > /dev/null 2>&1 || fail "apt-get remove --purge failed"
left="$(while read -r path; do [ -e "$path" ] && echo "$path"; done < "$work/files.txt")"
for folder in /usr/lib/glintvat /usr/share/glintvat /usr/share/doc/glintvat; do
  [ -e "$folder" ] && left="$left $folder"
done
[ -z "$left" ] && ok "removed: none of its $(wc -l < "$work/files.txt") files is left" ||
  fail "left after removal: $left"

[ "$failures" -eq 0 ] && echo "package test: all passed" || echo "package test: $failures failed"
[ "$failures" -eq 0 ]
