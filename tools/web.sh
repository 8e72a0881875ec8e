#!/usr/bin/env bash
# Builds the show for the browser into build-web/site/: the page, its script, the WebAssembly and
# the generated data set, a static folder any web server can host. Installs what is missing from
# Debian's packages and builds the libraries the show needs (FFmpeg, libjpeg-turbo, libpng,
# zlib) from Debian's source packages with emscripten, once: they are kept outside the checkout
# (SHOW_WEB_CACHE, by default ~/.cache/show-web), keyed by their versions.
#   tools/web.sh                 build
#   tools/web.sh --serve [PORT]  build, then serve the site on 127.0.0.1 (default port 8000)
#   tools/web.sh --bench [ARGS]  build, then the scene benchmark's page (build-web/bench), run in
#                                headless Chromium (ARGS for bench/web/run.js: --frames F,
#                                --rounds R, --scene N)
#   tools/web.sh --libraries     only install what is missing and build the libraries (which
#                                tools/test.sh does beside the native build)
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

serve=false
bench=false
libraries_only=false
port=8000
if [ "${1:-}" = "--libraries" ]; then
  libraries_only=true
elif [ "${1:-}" = "--serve" ]; then
  serve=true
  port="${2:-8000}"
  [[ "$port" =~ ^[0-9]+$ ]] || { echo "web.sh: the port must be a number, not $port" >&2; exit 2; }
elif [ "${1:-}" = "--bench" ]; then
  bench=true
  shift
elif [ -n "${1:-}" ]; then
  echo "usage: tools/web.sh [--serve [PORT] | --bench [--frames F] [--rounds R] [--scene N] |" \
    "--libraries]" >&2
  exit 2
fi

install_missing_packages emscripten nodejs dpkg-dev chromium

cache="${SHOW_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/show-web}"
emscripten_version="$(dpkg-query -W -f='${Version}' emscripten)"
prefix="$cache/emscripten-$emscripten_version"
mkdir -p "$prefix" "$cache/sources"

# Debian's emcc wants Debian's node modules, a cache it can write to, and node's own fetch off.
export NODE_PATH=/usr/share/nodejs
export NODE_OPTIONS=--no-experimental-fetch
export EM_CACHE="$prefix/emcache"
export EM_FROZEN_CACHE=
export EMCC_SKIP_SANITY_CHECK=1
if [ ! -d "$EM_CACHE" ]; then
  cp -r /usr/share/emscripten/cache "$EM_CACHE.partial"
  mv "$EM_CACHE.partial" "$EM_CACHE"
fi
# Compiles go straight to emcc's clang with emcc's flags (tools/web/compile.sh).
compile="$SHOW_ROOT/tools/web/compile.sh"
EM_CLANG="$(command -v clang-14 || command -v clang)"
EM_CLANG_FLAGS="$(emcc --cflags)"
export EM_CLANG EM_CLANG_FLAGS

# Source packages through a private apt configuration whose deb-src entries are this machine's
# own deb entries; the system's sources stay as they are.
apt_dir="$cache/apt"
apt_options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache")
# As root, apt would hand the downloads to its own user, who cannot write into this cache.
[ "$(id -u)" -eq 0 ] && apt_options+=(-o "APT::Sandbox::User=root")
source_lists_ready=false
prepare_source_lists() {
  $source_lists_ready && return 0
  rm -rf "$apt_dir/sources.list.d"
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    case "$file" in
      *.list) sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file" ;;
      *.sources) sed 's/^Types:.*\bdeb\b.*/Types: deb-src/' "$file" ;;
    esac > "$apt_dir/sources.list.d/$(basename "$file")"
  done
  apt-get "${apt_options[@]}" update -qq >&2
  source_lists_ready=true
}

# unpack_source PACKAGE VARIABLE: unpacks the newest version of PACKAGE's source that the
# mirrors still hold into $cache/sources and sets VARIABLE to its folder. Runs in the script's
# own shell (not in $(...)), so that apt's lists are fetched once and never by two at a time.
unpack_source() {
  local package="$1" variable="$2" version folder
  for folder in "$cache/sources/$package"_*/; do
    [ -f "$folder/.unpacked" ] && { printf -v "$variable" '%s' "${folder%/}"; return 0; }
  done
  prepare_source_lists
  for version in $(apt-cache "${apt_options[@]}" showsrc "$package" | sed -n 's/^Version: //p' |
    sort -ru -V); do
    folder="$cache/sources/${package}_${version#*:}"
    rm -rf "$folder" "$folder.download"
    mkdir -p "$folder.download"
    # apt checks what it fetches against the signed index; the maintainers' keys that would
    # check the .dsc's own signature are not on the machine.
    if (cd "$folder.download" &&
      apt-get "${apt_options[@]}" source -qq --download-only "$package=$version" >/dev/null 2>&1 &&
      dpkg-source --no-check -x ./*.dsc "$folder" >/dev/null); then
      rm -rf "$folder.download"
      touch "$folder/.unpacked"
      printf -v "$variable" '%s' "$folder"
      return 0
    fi
    rm -rf "$folder" "$folder.download"
  done
  echo "web.sh: no source of $package could be fetched" >&2
  return 1
}

# built NAME: true when NAME was built into the prefix from the source folder given.
built() { [ -f "$prefix/$1.built" ] && [ "$(cat "$prefix/$1.built")" = "$2" ]; }
jobs="$(nproc)"

# zlib's own build scripts want files the Debian source leaves out; its library is its C files
# (without the gz* file functions, which neither libpng nor the show uses).
build_zlib() {
  local source="$1"
  built zlib "$source" && return 0
  echo "Building zlib from $source"
  rm -rf "$prefix/build/zlib" "$prefix/zlib"
  mkdir -p "$prefix/build/zlib" "$prefix/zlib/lib" "$prefix/zlib/include"
  # zconf.h as the plain configuration ships it.
  cp "$source/zconf.h.in" "$prefix/zlib/include/zconf.h"
  cp "$source/zlib.h" "$prefix/zlib/include/"
  local file
  for file in adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil; do
    "$compile" -O2 -I"$prefix/zlib/include" -c "$source/$file.c" -o "$prefix/build/zlib/$file.o"
  done
  emar rcs "$prefix/zlib/lib/libz.a" "$prefix/build/zlib/"*.o
  echo "$source" > "$prefix/zlib.built"
}

build_libpng() {
  local source="$1"
  built libpng "$source" && return 0
  echo "Building libpng from $source"
  rm -rf "$prefix/build/libpng"
  mkdir -p "$prefix/build/libpng"
  (cd "$prefix/build/libpng" &&
    emcmake cmake "$source" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix/libpng" \
      -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_TOOLS=OFF \
      -DZLIB_INCLUDE_DIR="$prefix/zlib/include" -DZLIB_LIBRARY="$prefix/zlib/lib/libz.a" \
      >/dev/null &&
    cmake --build . -j "$jobs" >/dev/null && cmake --install . >/dev/null)
  echo "$source" > "$prefix/libpng.built"
}

build_libjpeg() {
  local source="$1"
  built libjpeg "$source" && return 0
  echo "Building libjpeg-turbo from $source"
  rm -rf "$prefix/build/libjpeg"
  mkdir -p "$prefix/build/libjpeg"
  (cd "$prefix/build/libjpeg" &&
    emcmake cmake "$source" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix/libjpeg" \
      -DWITH_SIMD=0 -DENABLE_SHARED=0 -DWITH_TURBOJPEG=0 -DSIZE_T=4 -DUNSIGNED_LONG=4 >/dev/null &&
    cmake --build . -j "$jobs" >/dev/null && cmake --install . >/dev/null)
  echo "$source" > "$prefix/libjpeg.built"
}

# Only what the show reads: MP1/2/3 and PCM music, H.264, MJPEG, raw, Cinepak and MS Video-1
# clips in AVI, and the conversions; no threads (the page has none), no assembly. The folder's
# record holds the options too, so that a change of them builds again.
ffmpeg_options=(
  --enable-cross-compile --target-os=none --arch=x86_32 --cpu=generic
  --disable-asm --disable-inline-asm --disable-x86asm --disable-runtime-cpudetect
  --disable-autodetect --disable-everything --disable-programs --disable-doc
  --disable-debug --disable-stripping --disable-pthreads --disable-w32threads
  --disable-os2threads --disable-network --disable-avdevice --disable-avfilter
  --disable-postproc
  --enable-avformat --enable-avcodec --enable-swscale --enable-swresample
  --enable-protocol=file
  --enable-demuxer=avi,mp3,wav --enable-parser=mpegaudio,mjpeg,h264
  --enable-decoder=mp1,mp1float,mp2,mp2float,mp3,mp3float,pcm_u8,pcm_s16le
  --enable-decoder=h264,mjpeg,rawvideo,cinepak,msvideo1
)
build_ffmpeg() {
  local source="$1" key="$1 ${ffmpeg_options[*]}"
  built ffmpeg "$key" && return 0
  echo "Building FFmpeg from $source (some minutes)"
  rm -rf "$prefix/build/ffmpeg"
  mkdir -p "$prefix/build/ffmpeg"
  (cd "$prefix/build/ffmpeg" &&
    emconfigure "$source/configure" --prefix="$prefix/ffmpeg" --cc="$compile" --cxx=em++ \
      --ld=emcc --ar=emar \
      --ranlib=emranlib --nm="$(command -v llvm-nm-14 || command -v llvm-nm || echo nm)" \
      "${ffmpeg_options[@]}" >"$prefix/build/ffmpeg/configure.log" &&
    emmake make -j "$jobs" >"$prefix/build/ffmpeg/make.log" 2>&1 &&
    emmake make install >/dev/null)
  echo "$key" > "$prefix/ffmpeg.built"
}

# libpng and libjpeg-turbo are small and mostly wait on their configure steps: they build beside
# FFmpeg, the long one (zlib first, which libpng links).
zlib_source='' png_source='' jpeg_source='' ffmpeg_source=''
unpack_source zlib zlib_source
unpack_source libpng1.6 png_source
unpack_source libjpeg-turbo jpeg_source
unpack_source ffmpeg ffmpeg_source
build_zlib "$zlib_source"
build_libpng "$png_source" &
png=$!
build_libjpeg "$jpeg_source" &
jpeg=$!
build_ffmpeg "$ffmpeg_source"
wait "$png"
wait "$jpeg"
$libraries_only && exit 0

# The data set and the poster come from the native build.
build build --target artwork_files

folder="$SHOW_ROOT/build-web"
emcmake cmake -S "$SHOW_ROOT" -B "$folder" -DCMAKE_BUILD_TYPE=Release -DSHOW_WEB_DEPS="$prefix" \
  -DSHOW_DATA_FROM="$SHOW_ROOT/build/data" -DSHOW_POSTER="$SHOW_ROOT/build/art/poster.jpg" \
  -DSHOW_TESTS=OFF >/dev/null
cmake --build "$folder" -j "$jobs" --target site

echo "The browser version is in $folder/site"
if $bench; then
  cmake --build "$folder" -j "$jobs" --target scene_bench_page
  echo "The scene benchmark's page is in $folder/bench; running it in headless Chromium"
  exec node "$SHOW_ROOT/bench/web/run.js" "$folder/bench" "$@"
fi
if $serve; then
  echo "Serving it at http://127.0.0.1:$port/ (Ctrl+C stops)"
  exec node "$SHOW_ROOT/tools/web/serve.js" "$folder/site" "$port"
fi
