# Writes the page's folder from the built show (cmake -P):
#   SITE      the folder to write
#   BUILT     the folder holding show.js, show.wasm and show.data
#   POSTER    the poster JPEG
#   WEB       tools/web/ (the page's template, its scripts and the service worker)
# The manifest (every file's size and SHA-256) goes into manifest.json and into the page itself,
# and the page's scripts are inlined, so a page and the files it asks for always belong to one
# build.
file(MAKE_DIRECTORY ${SITE})
foreach(name show.js show.wasm show.data)
  configure_file(${BUILT}/${name} ${SITE}/${name} COPYONLY)
endforeach()
configure_file(${POSTER} ${SITE}/poster.jpg COPYONLY)
configure_file(${WEB}/sw.js ${SITE}/sw.js COPYONLY)

set(entries)
foreach(name show.js show.wasm show.data poster.jpg)
  file(SIZE ${SITE}/${name} size)
  file(SHA256 ${SITE}/${name} hash)
  list(APPEND entries "\"${name}\": {\"size\": ${size}, \"sha256\": \"${hash}\"}")
endforeach()
list(JOIN entries ",\n    " entries)
set(manifest "{\n  \"files\": {\n    ${entries}\n  }\n}")
file(WRITE ${SITE}/manifest.json.partial "${manifest}\n")
file(RENAME ${SITE}/manifest.json.partial ${SITE}/manifest.json)

file(READ ${WEB}/index.html page)
file(READ ${WEB}/sha256.js sha256_js)
file(READ ${WEB}/page.js page_js)
file(READ ${WEB}/page_words.js page_words_js)
file(READ ${WEB}/drawing_size.js drawing_size_js)
foreach(script sha256_js page_words_js drawing_size_js page_js)
  if(${script} MATCHES "</script")
    message(FATAL_ERROR "${script} holds \"</script\", which would end its tag in the page")
  endif()
endforeach()
# The poster is asked for by the page's own markup, under its hash, so that the browser fetches
# it at once and a new build's poster is never mixed up with an old one.
file(SHA256 ${SITE}/poster.jpg poster_hash)
string(REPLACE "@POSTER_URL@" "poster.jpg?sha256=${poster_hash}" page "${page}")
string(REPLACE "@MANIFEST@" "${manifest}" page "${page}")
string(REPLACE "@SHA256_JS@" "${sha256_js}" page "${page}")
string(REPLACE "@PAGE_WORDS_JS@" "${page_words_js}" page "${page}")
string(REPLACE "@DRAWING_SIZE_JS@" "${drawing_size_js}" page "${page}")
string(REPLACE "@PAGE_JS@" "${page_js}" page "${page}")
file(WRITE ${SITE}/index.html.partial "${page}")
file(RENAME ${SITE}/index.html.partial ${SITE}/index.html)
