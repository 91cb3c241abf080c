# The libraries the web build links, built by tools/web/build-libs.sh into a prefix outside
# the clone. They are linked by their full paths: emscripten reads a bare -lSDL2_mixer as its
# own download-only copy, which fails without a network.
set(KELDO_WEB_LIBS "" CACHE STRING
    "Prefixes of the web build's libraries, a list (tools/web/build-libs.sh prints it)")
set(web_libs_missing "KELDO_WEB_LIBS must name the folders that tools/web/build-libs.sh printed "
                     "(./build.sh web does this)")
if(NOT KELDO_WEB_LIBS)
  message(FATAL_ERROR ${web_libs_missing})
endif()
add_library(keldo_library_deps INTERFACE)
foreach(prefix ${KELDO_WEB_LIBS})
  if(NOT EXISTS ${prefix}/.complete)
    message(FATAL_ERROR ${web_libs_missing})
  endif()
  target_include_directories(keldo_library_deps SYSTEM INTERFACE ${prefix}/include)
  if(EXISTS ${prefix}/include/SDL2)
    target_include_directories(keldo_library_deps SYSTEM INTERFACE ${prefix}/include/SDL2)
  endif()
endforeach()
foreach(lib SDL2_mixer SDL2 png16 z webpdecoder)
  find_file(path lib${lib}.a PATHS ${KELDO_WEB_LIBS} PATH_SUFFIXES lib NO_DEFAULT_PATH
            NO_CMAKE_FIND_ROOT_PATH NO_CACHE)
  if(NOT path)
    message(FATAL_ERROR "lib${lib}.a is in none of ${KELDO_WEB_LIBS}; build the web libraries again")
  endif()
  target_link_libraries(keldo_library_deps INTERFACE ${path})
  unset(path)
endforeach()

# The game raises and catches C++ exceptions across the library's entries.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)
