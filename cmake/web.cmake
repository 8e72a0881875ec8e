# The browser build, made by tools/web.sh with emscripten: the show, the same system code and
# stand-ins on the web host (platform/host/web.cpp), into site/ beside the page and the data set.
if(NOT SHOW_DATA_FROM OR NOT EXISTS ${SHOW_DATA_FROM}/avseq01.mp3)
  message(FATAL_ERROR "SHOW_DATA_FROM: the browser build packs the data set a native build wrote")
endif()

# The page's two ways in (tools/web/entry.cpp): the show, started by a click, and a still at a
# music time on the virtual clock, as the capture tool makes it.
# How the site's show is linked; the scene benchmark's page below is linked the same way, so that
# it measures what the site ships.
set(SHOW_WEB_LINK_OPTIONS
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=268435456 -sMAXIMUM_MEMORY=2147483648
  -sENVIRONMENT=web -sINVOKE_RUN=0 -sEXIT_RUNTIME=0)
add_executable(show tools/web/entry.cpp)
target_link_libraries(show PRIVATE show_capture)
set_target_properties(show PROPERTIES SUFFIX ".js")
target_link_options(show PRIVATE ${SHOW_WEB_LINK_OPTIONS}
  "-sEXPORTED_FUNCTIONS=['_ShowPrepare','_ShowPrepareMore','_ShowStart','_ShowFrame','_ShowStop','_ShowStill']"
  "-sEXPORTED_RUNTIME_METHODS=['ccall']"
  # The data set in the page's file system, where the show looks for it.
  "--preload-file=${SHOW_DATA_FROM}@/data")

# The page's folder: the page (its scripts and the manifest inlined), the service worker, the
# poster the native build drew, and the show's three files.
set(SHOW_POSTER "" CACHE FILEPATH "The poster JPEG the native build drew (build/art)")
if(NOT EXISTS "${SHOW_POSTER}")
  message(FATAL_ERROR "SHOW_POSTER: no poster at '${SHOW_POSTER}' (the native build draws it)")
endif()
set(site ${CMAKE_BINARY_DIR}/site)
add_custom_command(OUTPUT ${site}/index.html ${site}/manifest.json
  COMMAND ${CMAKE_COMMAND} -DSITE=${site} -DBUILT=$<TARGET_FILE_DIR:show> -DPOSTER=${SHOW_POSTER}
    -DWEB=${CMAKE_SOURCE_DIR}/tools/web -P ${CMAKE_SOURCE_DIR}/cmake/web_site.cmake
  DEPENDS show ${SHOW_POSTER} ${CMAKE_SOURCE_DIR}/cmake/web_site.cmake
    ${CMAKE_SOURCE_DIR}/tools/web/index.html ${CMAKE_SOURCE_DIR}/tools/web/page.js
    ${CMAKE_SOURCE_DIR}/tools/web/page_words.js ${CMAKE_SOURCE_DIR}/tools/web/drawing_size.js
    ${CMAKE_SOURCE_DIR}/tools/web/sha256.js ${CMAKE_SOURCE_DIR}/tools/web/sw.js
    $<TARGET_FILE_DIR:show>/show.data
  COMMENT "The page, its service worker, the poster and the show's files into site/")
add_custom_target(site ALL DEPENDS ${site}/index.html)

# The scene benchmark's page (bench/web/), a page of its own beside the show's: each scene
# through the show's code, as its recorded calls through the device, and as the plain program,
# compiled for WebGL 2, on the same frames.
# Not part of the site; tools/web.sh --bench builds and runs it.
add_library(show_replay_web STATIC EXCLUDE_FROM_ALL
  ${CMAKE_SOURCE_DIR}/bench/replay.cpp ${CMAKE_SOURCE_DIR}/bench/call_replay.cpp
  ${CMAKE_SOURCE_DIR}/bench/scene_run.cpp
  ${CMAKE_SOURCE_DIR}/bench/clip_decoder.cpp ${CMAKE_SOURCE_DIR}/bench/scene_comparison.cpp
  ${CMAKE_SOURCE_DIR}/bench/gl_calls_web.cpp ${CMAKE_SOURCE_DIR}/bench/side_context_web.cpp)
target_link_libraries(show_replay_web PUBLIC show_scenes show_gfx show_ffmpeg)
set_target_properties(show_replay_web PROPERTIES SHOW_TESTABLE ON)
add_executable(scene_bench_page EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/web/scene_bench_page.cpp)
set_target_properties(scene_bench_page PROPERTIES SHOW_TESTABLE ON SUFFIX ".js"
  OUTPUT_NAME bench RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
target_link_libraries(scene_bench_page PRIVATE show_replay_web)
target_link_options(scene_bench_page PRIVATE ${SHOW_WEB_LINK_OPTIONS}
  "-sEXPORTED_FUNCTIONS=['_CompareSceneForPage','_SceneCountForPage']"
  "-sEXPORTED_RUNTIME_METHODS=['ccall']"
  "--preload-file=${SHOW_DATA_FROM}@/data")
add_custom_command(TARGET scene_bench_page POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/bench/web/index.html
    ${CMAKE_BINARY_DIR}/bench/index.html)
