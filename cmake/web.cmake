# The browser build, made by tools/web.sh with emscripten: the show, the same system code and
# stand-ins on the web host (platform/host/web.cpp), into site/ beside the page and the data set.
if(NOT SHOW_DATA_FROM OR NOT EXISTS ${SHOW_DATA_FROM}/avseq01.mp3)
  message(FATAL_ERROR "SHOW_DATA_FROM: the browser build packs the data set a native build wrote")
endif()

# The page's two ways in (tools/web/entry.cpp): the show, started by a click, and a still at a
# music time on the virtual clock, as the capture tool makes it.
add_executable(show tools/web/entry.cpp)
target_link_libraries(show PRIVATE show_capture)
set_target_properties(show PROPERTIES SUFFIX ".js")
target_link_options(show PRIVATE
  # The frame loop stays a loop: presenting a frame waits for the browser's next one.
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=131072
  -sMIN_WEBGL_VERSION=2 -sMAX_WEBGL_VERSION=2
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=268435456 -sMAXIMUM_MEMORY=2147483648
  -sENVIRONMENT=web -sINVOKE_RUN=0 -sEXIT_RUNTIME=0
  "-sEXPORTED_FUNCTIONS=['_ShowPlay','_ShowStill']"
  "-sEXPORTED_RUNTIME_METHODS=['ccall']"
  # The data set in the page's file system, where the show looks for it.
  "--preload-file=${SHOW_DATA_FROM}@/data")

set(site ${CMAKE_BINARY_DIR}/site)
add_custom_target(site ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${site}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/tools/web/index.html
    $<TARGET_FILE_DIR:show>/show.js $<TARGET_FILE_DIR:show>/show.wasm
    $<TARGET_FILE_DIR:show>/show.data ${site}
  DEPENDS show ${CMAKE_SOURCE_DIR}/tools/web/index.html
  COMMENT "The page, its script, the WebAssembly and the data set into site/")
