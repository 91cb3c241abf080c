# Fails when a file of the library includes from a room above its own, or from another room
# of its own floor. The floors, from the ground up:
#   core, platform  the shared state, errors and the services' entries; what a platform provides
#   plain           files, text, sorting, random, maths
#   files           the Data folder and the player's folders
#   automation      the input script, trace, recording and sound capture
#   display, sound, input, saves   the services, side by side: none includes another
#   platform/<name> each platform's own files and the stand-ins: nothing includes them
#
#   cmake -DSRC_DIR=<dir> -P LibraryIncludesPointDown.cmake
if(NOT SRC_DIR OR NOT IS_DIRECTORY "${SRC_DIR}")
  message(FATAL_ERROR "SRC_DIR is not a directory: '${SRC_DIR}'")
endif()
set(floor_core 1)
set(floor_platform 1)
set(floor_plain 2)
set(floor_files 3)
set(floor_automation 4)
set(floor_display 5)
set(floor_sound 5)
set(floor_input 5)
set(floor_saves 5)
set(floor_platform/posix 6)
set(floor_platform/win32 6)
set(floor_platform/web 6)
set(floor_platform/other 6)

# The room of a path under SRC_DIR: platform/<name> for a platform's folder, else its folder.
function(room_of path out)
  if(path MATCHES "^(platform/[^/]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  elseif(path MATCHES "^([^/]+)/")
    set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
  endif()
endfunction()

get_filename_component(SRC_DIR "${SRC_DIR}" ABSOLUTE)
file(GLOB_RECURSE sources RELATIVE "${SRC_DIR}" "${SRC_DIR}/*.h" "${SRC_DIR}/*.cpp")
set(offenders "")
foreach(source IN LISTS sources)
  room_of("${source}" room)
  if(NOT DEFINED floor_${room})
    list(APPEND offenders "${source}: in no room of the floors above")
    continue()
  endif()
  get_filename_component(folder "${SRC_DIR}/${source}" DIRECTORY)
  file(STRINGS "${SRC_DIR}/${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]*)[>\"].*" "\\1" named "${line}")
    # As the compiler looks: beside the including file, then from the library's source root.
    set(target "")
    foreach(base "${folder}" "${SRC_DIR}")
      get_filename_component(candidate "${named}" ABSOLUTE BASE_DIR "${base}")
      if(NOT target AND EXISTS "${candidate}")
        set(target "${candidate}")
      endif()
    endforeach()
    if(NOT target)
      continue()  # the library's contract header, or the system's
    endif()
    file(RELATIVE_PATH included "${SRC_DIR}" "${target}")
    room_of("${included}" to)
    if(to STREQUAL room)
      continue()
    endif()
    if(NOT DEFINED floor_${to} OR NOT floor_${to} LESS floor_${room})
      string(STRIP "${line}" line)
      list(APPEND offenders "${source}: ${line} (${room}/ onto ${to}/)")
    endif()
  endforeach()
endforeach()

if(offenders)
  list(JOIN offenders "\n  " shown)
  message(FATAL_ERROR "these includes do not point down:\n  ${shown}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files, every include points down")
