# Fails when a file of the game outside startup/ includes anything from startup/.
# startup/ sits on top: it starts the program and runs the scenes, so everything else
# must build without it (the tools and tests link the game without its entry).
#
#   cmake -DGAME_DIR=<dir> -P IncludesPointDown.cmake
if(NOT GAME_DIR OR NOT IS_DIRECTORY "${GAME_DIR}")
  message(FATAL_ERROR "GAME_DIR is not a directory: '${GAME_DIR}'")
endif()

file(GLOB_RECURSE sources RELATIVE "${GAME_DIR}" "${GAME_DIR}/*.h" "${GAME_DIR}/*.cpp")
set(offenders "")
foreach(source IN LISTS sources)
  if(source MATCHES "^startup/")
    continue()
  endif()
  file(STRINGS "${GAME_DIR}/${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]startup/")
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    list(APPEND offenders "${source}: ${line}")
  endforeach()
endforeach()

if(offenders)
  list(JOIN offenders "\n  " shown)
  message(FATAL_ERROR "these files reach up into startup/:\n  ${shown}")
endif()
list(LENGTH sources count)
message(STATUS "${count} files, none below startup/ includes from it")
