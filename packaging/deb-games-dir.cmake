# The package follows the Debian rule for games: the command lives in /usr/games (on every
# player's PATH there) instead of /usr/bin, where a plain install puts it. The link is
# relative and both folders sit directly under /usr, so it points at the same game.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(usr ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
if(NOT IS_SYMLINK ${usr}/bin/keldo)
  message(FATAL_ERROR "the package has no ${CPACK_PACKAGING_INSTALL_PREFIX}/bin/keldo link to move")
endif()
file(MAKE_DIRECTORY ${usr}/games)
file(RENAME ${usr}/bin/keldo ${usr}/games/keldo)
file(GLOB left ${usr}/bin/*)
if(NOT left)
  file(REMOVE_RECURSE ${usr}/bin)
endif()
