#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
#   tools/test.sh              the normal build, in build/
#   tools/test.sh --sanitize   AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer,
#                              in build-sanitize/
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

install_missing_packages
if [ "${1:-}" = "--sanitize" ]; then
  folder=build-sanitize
  build "$folder" -DSHOW_SANITIZE=ON -DSHOW_GENERATE_DATA=OFF
else
  folder=build
  build "$folder"
fi
cd "$SHOW_ROOT/$folder"
ctest --output-on-failure -j "$(nproc)"
