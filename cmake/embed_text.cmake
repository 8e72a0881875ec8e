# Writes OUTPUT, a C++ source defining one character array per input file with the file's text:
#   cmake -DOUTPUT=out.cpp -DNAMES="a;b" -DFILES="a.txt;b.txt" -P embed_text.cmake
# The text goes in as a raw string literal, so it reads in the output as in the file.
set(text "// Generated from the files named below at build time; edit those, not this.\n")
list(LENGTH NAMES count)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  list(GET NAMES ${i} name)
  list(GET FILES ${i} file)
  file(READ "${file}" content)
  string(FIND "${content}" ")embedded\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} holds the raw string's closing sequence")
  endif()
  string(APPEND text "\n// ${file}\nextern const char ${name}[];\nconst char ${name}[] = R\"embedded(${content})embedded\";\n")
endforeach()
file(WRITE "${OUTPUT}.new" "${text}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
