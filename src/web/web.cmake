# The browser build (emcmake, see scripts/build-web.sh): the page's module over the core and the
# headless backend (never called on the page's paths; it gives pictureDigest), the demo set
# embedded, the page beside it. One JavaScript file holds the WebAssembly and the demo, so the page
# works from file:// as well as served.
include(${CMAKE_SOURCE_DIR}/cmake/board_program.cmake)
set(QUILLOMARK_WEB_DEMO "" CACHE PATH "Folder of the demo ROM set the page plays as it opens")
set(QUILLOMARK_WEB_OUTPUT ${CMAKE_BINARY_DIR}/page CACHE PATH "Folder the page is written to")
if(NOT EXISTS "${QUILLOMARK_WEB_DEMO}/pal.bmp")
  message(FATAL_ERROR "Set QUILLOMARK_WEB_DEMO to a folder holding the demo ROM set (a native build's demo/)")
endif()

set(web_demo_files)
set(web_embed)
foreach(name ${BOARD_SET_FILES})
  list(APPEND web_demo_files ${QUILLOMARK_WEB_DEMO}/${name})
  list(APPEND web_embed "SHELL:--embed-file ${QUILLOMARK_WEB_DEMO}/${name}@/demo/${name}")
endforeach()

# The debug panel's ELF symbols: their reader and the file reader it calls, as the libretro core takes it.
add_executable(quillomark-web ${CMAKE_SOURCE_DIR}/src/web/web_main.cpp ${CMAKE_SOURCE_DIR}/src/debug/symbols.cpp
  ${CMAKE_SOURCE_DIR}/src/files/file_read.cpp)
target_link_libraries(quillomark-web quillomark_core)
set_target_properties(quillomark-web PROPERTIES OUTPUT_NAME quillomark SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${QUILLOMARK_WEB_OUTPUT} LINK_DEPENDS "${web_demo_files}")
target_link_options(quillomark-web PRIVATE
  --no-entry
  -sMODULARIZE=1
  -sEXPORT_NAME=createQuillomark
  -sENVIRONMENT=web
  -sALLOW_MEMORY_GROWTH=1
  -sSINGLE_FILE=1
  -sEXPORTED_RUNTIME_METHODS=FS,UTF8ToString
  ${web_embed})

# The page's own files, copied as they are.
set(web_page_files index.html page.js page.css)
set(web_page_outputs)
foreach(name ${web_page_files})
  add_custom_command(OUTPUT ${QUILLOMARK_WEB_OUTPUT}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/src/web/${name} ${QUILLOMARK_WEB_OUTPUT}/${name}
    DEPENDS ${CMAKE_SOURCE_DIR}/src/web/${name}
    VERBATIM)
  list(APPEND web_page_outputs ${QUILLOMARK_WEB_OUTPUT}/${name})
endforeach()
add_custom_target(quillomark-web-page ALL DEPENDS ${web_page_outputs})
