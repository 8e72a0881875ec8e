#!/bin/sh
# emcc for the browser's libraries, without its Python start-up where only a compile is asked
# for: clang with emscripten's own flags (EM_CLANG, EM_CLANG_FLAGS, which tools/web.sh takes
# from emcc itself). FFmpeg's configure compiles thousands of small checks, each of which
# would otherwise start emcc. Anything that links still goes to emcc.
for argument in "$@"; do
  case "$argument" in
    -c | -E | -S)
      # shellcheck disable=SC2086 # the flags are separate words
      exec "$EM_CLANG" $EM_CLANG_FLAGS "$@"
      ;;
  esac
done
exec emcc "$@"
