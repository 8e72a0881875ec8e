#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer on),
# writes their seed corpora, and runs each for SECONDS (default 60). Fails if any finds a crash,
# a leak or a hang.
#   tools/fuzz.sh [SECONDS]
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

seconds="${1:-60}"
install_missing_packages clang libclang-rt-14-dev
CC=clang CXX=clang++ build build-fuzz -DSHOW_FUZZ=ON -DSHOW_TESTS=OFF -DSHOW_GENERATE_DATA=OFF

cd "$SHOW_ROOT/build-fuzz"
rm -rf corpus findings
mkdir -p findings
tests/fuzz/make_corpus corpus
for fuzzer in decode_image load_surface mesh; do
  echo "Fuzzing ${fuzzer} for ${seconds} s"
  "tests/fuzz/${fuzzer}_fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix=findings/ "corpus/${fuzzer}"
done
