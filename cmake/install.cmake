# Installing the suite: programs, compressed manual pages, desktop entries,
# the copyright file, the shared score directory, the optional set-group-id
# shared scores, and the Debian package.
include(GNUInstallDirs)

set(KM_GAMES_DIR "${CMAKE_INSTALL_BINDIR}" CACHE STRING
    "Where the programs go, relative to the prefix (a Debian-style layout uses games)")
option(KM_SHARED_SCORES
       "Install the score-keeping games set-group-id, so players share tables that only the games can change" OFF)
set(KM_GAMES_GROUP "games" CACHE STRING "Group that owns the shared score directory with shared scores")
set(KM_MAINTAINER "Kelmora maintainers <maintainers@users.noreply.c-seed-61bb4acb.example>" CACHE STRING
    "The Debian package's maintainer: a name and a mail address, as in \"Jane Doe <jane@example.org>\"")

set(km_version "1.0.0")
# The Debian revision: the package is not native, so its changelog is changelog.Debian.
set(km_package_revision "1")
set(km_package_version "${km_version}-${km_package_revision}")
set(km_doc_dir "${CMAKE_INSTALL_DATADIR}/doc/kelmora")

# The games that write the shared tables; the others never get the group.
set(km_score_keepers arrowpip voltrider blockhop ropeheave)

find_program(KM_GZIP gzip REQUIRED)
# Compressed the Debian way: best compression, no name or time stamp inside,
# so the same page always makes the same file.
function(km_gzip source target)
  add_custom_command(OUTPUT ${target}
                     COMMAND ${KM_GZIP} -9nc ${source} > ${target}
                     DEPENDS ${source} VERBATIM)
endfunction()

set(km_installed_keepers "")
set(km_pages "")
foreach(program IN LISTS KM_PROGRAMS)
  if(NOT TARGET ${program})
    continue()
  endif()
  # Installed without the set-group-id bit: it is added after the group is set
  # (changing a file's group clears the bit), and never in a staging tree.
  install(TARGETS ${program} RUNTIME DESTINATION ${KM_GAMES_DIR})
  configure_file(${PROJECT_SOURCE_DIR}/man/${program}.6.in ${PROJECT_BINARY_DIR}/man/${program}.6 @ONLY)
  km_gzip(${PROJECT_BINARY_DIR}/man/${program}.6 ${PROJECT_BINARY_DIR}/man/${program}.6.gz)
  list(APPEND km_pages ${PROJECT_BINARY_DIR}/man/${program}.6.gz)
  install(FILES ${PROJECT_BINARY_DIR}/man/${program}.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/applications/${program}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  if(program IN_LIST km_score_keepers)
    list(APPEND km_installed_keepers ${program})
  endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${km_doc_dir})

if(KM_SHARED_SCORES)
  set(km_shared 1)
else()
  set(km_shared 0)
endif()

# Onto the machine only (see the script): the score directory and the group.
configure_file(${PROJECT_SOURCE_DIR}/cmake/install_system.cmake.in
               ${PROJECT_BINARY_DIR}/install_system.cmake @ONLY)
install(SCRIPT ${PROJECT_BINARY_DIR}/install_system.cmake)

# What only the Debian package holds: its changelog, its lintian overrides and
# the score directory itself, so that dpkg knows it. A component of its own
# that a plain install leaves out; the package takes both components.
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian.in
               ${PROJECT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
km_gzip(${PROJECT_BINARY_DIR}/packaging/changelog.Debian ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_target(km_compressed ALL DEPENDS ${km_pages} ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz DESTINATION ${km_doc_dir}
        COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME kelmora COMPONENT debian EXCLUDE_FROM_ALL)
install(DIRECTORY DESTINATION ${KM_SHARED_SCORE_DIR} COMPONENT debian EXCLUDE_FROM_ALL)

# Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME "kelmora")
set(CPACK_PACKAGE_VERSION "${km_version}")
set(CPACK_DEBIAN_PACKAGE_RELEASE "${km_package_revision}")
set(CPACK_PACKAGE_CONTACT "${KM_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KM_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen terminal games and a menu to start them")
# Lines of at most 80 columns, as a terminal shows them.
set(CPACK_PACKAGE_DESCRIPTION
    "Six small games for a character terminal (coilclash, arrowpip, voltrider,\nblockhop, ropeheave, glyphpair) and the menu kelmora, with high-score tables\nshared by the players of a machine.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
# The programs' component and the Debian one.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};Unspecified;/"
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")
# Every generator must stage through DESTDIR, or the install step above would
# set up the packager's own machine. The Debian one does by itself; the others
# are told to.
file(WRITE ${PROJECT_BINARY_DIR}/packaging/cpack_options.cmake
     "if(NOT CPACK_GENERATOR STREQUAL \"DEB\")\n  set(CPACK_SET_DESTDIR ON)\nendif()\n")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/packaging/cpack_options.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
if(IS_ABSOLUTE "${KM_GAMES_DIR}")
  set(km_package_bin "${KM_GAMES_DIR}")
else()
  set(km_package_bin "${CPACK_PACKAGING_INSTALL_PREFIX}/${KM_GAMES_DIR}")
endif()
# Section games holds programs in /usr/games; games in /usr/bin go to misc.
if(km_package_bin STREQUAL "/usr/games")
  set(CPACK_DEBIAN_PACKAGE_SECTION "games")
else()
  set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
endif()
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Stripped programs; with debug information built in, it goes to kelmora-dbgsym
# (which needs the strip to happen there, not before).
if(CMAKE_BUILD_TYPE MATCHES "^(Debug|RelWithDebInfo)$")
  set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
  set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/dbgsym.cmake)
else()
  set(CPACK_STRIP_FILES ON)
endif()
if(KM_SHARED_SCORES)
  set(km_package_group "${KM_GAMES_GROUP}")
else()
  set(km_package_group "")
endif()
string(REPLACE ";" " " km_package_keepers "${km_installed_keepers}")
foreach(script postinst postrm)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${script}.in ${PROJECT_BINARY_DIR}/packaging/${script} @ONLY)
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/packaging/postinst ${PROJECT_BINARY_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
