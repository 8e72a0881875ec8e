# Sourced by play.sh and test.sh: installs what is missing from Debian's packages (through sudo
# when not root) and builds the project into the folder given.
set -euo pipefail

SHOW_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

SHOW_PACKAGES=(
  build-essential cmake pkg-config
  libsdl2-dev libx11-dev libepoxy-dev libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev
  libjpeg-dev libpng-dev zlib1g-dev libmp3lame-dev libfreetype-dev fonts-dejavu-core
  libgtest-dev libbenchmark-dev glslang-dev glslang-tools
  xvfb
)

install_missing_packages() {
  local missing=() package
  for package in "${SHOW_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Installing ${missing[*]} needs root or sudo." >&2; exit 1; }
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    "${missing[@]}"
}

# npm_tool PACKAGE VERSION: prints the folder of PACKAGE at VERSION from npm, installed once
# into the project's cache (SHOW_WEB_CACHE, by default ~/.cache/show-web) and kept there.
npm_tool() {
  local folder="${SHOW_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/show-web}/$1-$2"
  if [ ! -f "$folder/node_modules/$1/package.json" ]; then
    command -v npm >/dev/null || install_missing_packages npm >&2
    mkdir -p "$folder"
    (cd "$folder" && npm i -E --no-audit --no-fund --loglevel=error "$1@$2" >/dev/null)
  fi
  echo "$folder/node_modules/$1"
}

# build FOLDER [--target "TARGET..."] [cmake options...]: configures FOLDER and builds everything
# in it, or only the targets named.
build() {
  local folder="$1" target=()
  shift
  if [ "${1:-}" = "--target" ]; then
    read -r -a target <<< "$2"
    target=(--target "${target[@]}")
    shift 2
  fi
  cmake -S "$SHOW_ROOT" -B "$SHOW_ROOT/$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$SHOW_ROOT/$folder" -j "$(nproc)" "${target[@]}"
}
