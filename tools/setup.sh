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
