#!/usr/bin/env bash
# Installs what is missing, builds (the browser version too, which the suite checks against the
# native one), and runs the whole test suite.
#   tools/test.sh              the normal build, in build/
#   tools/test.sh --sanitize   AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer,
#                              in build-sanitize/, on the data set the normal build writes
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

# Node runs the browser tests; tools/web.sh installs the rest of what it needs. The page is
# also tested with real key presses (xdotool) and in Firefox ESR, both in windows on a virtual
# screen, Firefox driven by puppeteer-core from npm (pinned: 25 wants a newer Node than Debian's).
install_missing_packages nodejs xdotool firefox-esr
export SHOW_PUPPETEER="$(npm_tool puppeteer-core 24.43.1)"
if [ "${1:-}" = "--sanitize" ]; then
  # The data set comes from the normal build: generating it under the sanitizers takes minutes.
  build build --target data
  folder=build-sanitize
  build "$folder" -DSHOW_SANITIZE=ON -DSHOW_GENERATE_DATA=OFF -DSHOW_DATA_FROM="$SHOW_ROOT/build/data"
  # For the tests and every program they start (the show, the capture tool). LeakSanitizer
  # follows __tls_get_addr to scan dynamic thread-local storage, and now and then reads a
  # driver library's entry before it is set up and crashes at exit; the static TLS it still
  # scans is where our code keeps its thread-local values.
  export ASAN_OPTIONS="intercept_tls_get_addr=0"
  export LSAN_OPTIONS="suppressions=$SHOW_ROOT/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
else
  folder=build
  build "$folder"
fi
# The browser version (its libraries too, the first time on a machine), after the native build,
# whose data set and poster it packs: on two cores the two builds side by side take longer than
# one after the other.
"$SHOW_ROOT/tools/web.sh"
cd "$SHOW_ROOT/$folder"
# Tests run two at a time (as many as there are cores): one rasteriser thread each keeps the cores
# busy without the two tests' llvmpipe threads crowding each other (the pictures are the same
# whatever the number of threads).
export LP_NUM_THREADS=1
ctest --output-on-failure -j "$(nproc)"
