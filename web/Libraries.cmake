# The libraries the web build links, built by tools/web/build-libs.sh into a prefix outside
# the clone. They are linked by their full paths: emscripten reads a bare -lSDL2_mixer as its
# own download-only copy, which fails without a network.
set(KELDO_WEB_LIBS "" CACHE PATH "Prefix of the web build's libraries (tools/web/build-libs.sh)")
if(NOT KELDO_WEB_LIBS OR NOT EXISTS ${KELDO_WEB_LIBS}/.complete)
  message(FATAL_ERROR "KELDO_WEB_LIBS must name the folder that tools/web/build-libs.sh printed "
                      "(./build.sh web does this)")
endif()
add_library(keldo_library_deps INTERFACE)
target_include_directories(keldo_library_deps SYSTEM INTERFACE ${KELDO_WEB_LIBS}/include
                                                           ${KELDO_WEB_LIBS}/include/SDL2)
foreach(lib SDL2_mixer SDL2 png16 z)
  set(path ${KELDO_WEB_LIBS}/lib/lib${lib}.a)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "${path} is missing; build the web libraries again")
  endif()
  target_link_libraries(keldo_library_deps INTERFACE ${path})
endforeach()

# The game raises and catches C++ exceptions across the library's entries.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)
