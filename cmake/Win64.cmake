# The Windows x64 build (cross-built with cmake/Win64Toolchain.cmake): the target libraries
# come from KELDO_WIN64_PREFIX, built by tools/xbuild/build-libs.sh, and are linked into the
# runtime library statically, so that both binaries need nothing but what every Windows has.
if(NOT KELDO_WIN64_PREFIX OR NOT EXISTS ${KELDO_WIN64_PREFIX}/.complete)
  message(FATAL_ERROR "KELDO_WIN64_PREFIX must name the target libraries that "
                      "tools/xbuild/build-libs.sh win64 built (./build.sh windows does it all)")
endif()

enable_language(RC)

find_package(SDL2 CONFIG REQUIRED PATHS ${KELDO_WIN64_PREFIX} NO_DEFAULT_PATH)
find_package(SDL2_mixer CONFIG REQUIRED PATHS ${KELDO_WIN64_PREFIX} NO_DEFAULT_PATH)

add_library(keldo_library_deps INTERFACE)
target_include_directories(keldo_library_deps INTERFACE ${KELDO_WIN64_PREFIX}/include
                                                        ${KELDO_WIN64_PREFIX}/include/SDL2)
target_link_libraries(keldo_library_deps INTERFACE
  SDL2_mixer::SDL2_mixer-static SDL2::SDL2-static
  ${KELDO_WIN64_PREFIX}/lib/libpng.a ${KELDO_WIN64_PREFIX}/lib/libz.a winmm)

# libstdc++, libgcc and libwinpthread go inside each binary.
add_link_options(-static)
# Release binaries without their symbol tables: a third of the size.
add_link_options($<$<CONFIG:Release>:-s>)

# Version information for a binary, from the project's version; the program also carries its
# icon group and its manifest (`extra` holds those resource lines; the files they name follow
# `extra`, so that a change to one of them rebuilds the resources).
set(KELDO_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
set(KELDO_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
function(keldo_windows_resources target file description filetype extra)
  set(KELDO_RC_FILE ${file})
  set(KELDO_RC_NAME ${target})
  set(KELDO_RC_DESCRIPTION ${description})
  set(KELDO_RC_FILETYPE ${filetype})
  set(KELDO_RC_EXTRA ${extra})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  if(ARGN)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${ARGN}")
  endif()
endfunction()
