#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer on),
# writes their seed corpora (with the head of each generated clip and the music, where the normal
# build has written the data set), and runs each for SECONDS (default 60). Fails if any finds a
# crash, a leak or a hang; what each finds is kept in build-fuzz/findings/.
#   tools/fuzz.sh [SECONDS]
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

seconds="${1:-60}"
install_missing_packages clang libclang-rt-14-dev
CC=clang CXX=clang++ build build-fuzz -DSHOW_FUZZ=ON -DSHOW_TESTS=OFF -DSHOW_GENERATE_DATA=OFF

cd "$SHOW_ROOT/build-fuzz"
rm -rf corpus findings
mkdir -p findings
tests/fuzz/make_corpus corpus
data="$SHOW_ROOT/build/data"
if [ -d "$data" ]; then
  for clip in "$data"/*.avi; do head -c 65536 "$clip" > "corpus/clip/data-$(basename "$clip")"; done
  head -c 65536 "$data/avseq01.mp3" > corpus/music/data-avseq01.mp3
fi
# Inputs that once found a fault stay in the corpus, so they are tried on every run.
for kept in "$SHOW_ROOT"/tests/fuzz/regressions/*/; do
  [ -d "$kept" ] && cp "$kept"* "corpus/$(basename "$kept")/" 2>/dev/null || true
done

declare -A largest=([decode_image]=65536 [load_surface]=65536 [mesh]=65536 [clip]=65536
  [music]=65536)
for fuzzer in decode_image load_surface mesh clip music; do
  echo "Fuzzing ${fuzzer} for ${seconds} s"
  "tests/fuzz/${fuzzer}_fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 \
    -max_len="${largest[$fuzzer]}" -print_final_stats=1 -artifact_prefix=findings/ \
    "corpus/${fuzzer}"
done
