# Installing the suite: programs, manual pages, the shared score directory,
# the optional set-group-id shared scores, and the Debian package.
include(GNUInstallDirs)

set(KM_GAMES_DIR "${CMAKE_INSTALL_BINDIR}" CACHE STRING
    "Where the programs go, relative to the prefix (a Debian-style layout uses games)")
option(KM_SHARED_SCORES
       "Install the score-keeping games set-group-id, so players share tables that only the games can change" OFF)
set(KM_GAMES_GROUP "games" CACHE STRING "Group that owns the shared score directory with shared scores")

set(km_version "1.0.0")

# The games that write the shared tables; the others never get the group.
set(km_score_keepers arrowpip voltrider blockhop ropeheave)
set(km_programs coilclash arrowpip voltrider blockhop ropeheave glyphpair kelmora)

set(km_installed_keepers "")
foreach(program IN LISTS km_programs)
  if(NOT TARGET ${program})
    continue()
  endif()
  # Installed without the set-group-id bit: it is added after the group is set
  # (changing a file's group clears the bit), and never in a staging tree.
  install(TARGETS ${program} RUNTIME DESTINATION ${KM_GAMES_DIR})
  configure_file(${PROJECT_SOURCE_DIR}/man/${program}.6.in ${PROJECT_BINARY_DIR}/man/${program}.6 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/man/${program}.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  if(program IN_LIST km_score_keepers)
    list(APPEND km_installed_keepers ${program})
  endif()
endforeach()

if(KM_SHARED_SCORES)
  set(km_shared 1)
else()
  set(km_shared 0)
endif()

# Onto the system only: a staging tree (DESTDIR) gets neither the score
# directory nor the group, since a packager's files are owned by root and a
# set-group-id bit there would mean the root group. The package's own set-up
# does both when it is installed (packaging/postinst).
install(CODE "
  set(km_shared ${km_shared})
  set(km_dir \"${KM_SHARED_SCORE_DIR}\")
  set(km_group \"${KM_GAMES_GROUP}\")
  set(km_keepers \"${km_installed_keepers}\")
  if(IS_ABSOLUTE \"${KM_GAMES_DIR}\")
    set(km_bin \"${KM_GAMES_DIR}\")
  else()
    set(km_bin \"\${CMAKE_INSTALL_PREFIX}/${KM_GAMES_DIR}\")
  endif()
  if(NOT \"\$ENV{DESTDIR}\" STREQUAL \"\")
    message(STATUS \"Staging into DESTDIR: score directory \${km_dir} not created; the package sets it up\")
    if(km_shared)
      message(STATUS \"Staging into DESTDIR: the package makes \${km_keepers} set-group-id \${km_group}\")
    endif()
    return()
  endif()
  if(NOT IS_DIRECTORY \"\${km_dir}\")
    message(STATUS \"Creating score directory: \${km_dir}\")
    execute_process(COMMAND mkdir -p -m 0755 \"\${km_dir}\" RESULT_VARIABLE failed)
    if(failed)
      message(WARNING \"Could not create \${km_dir}: the games keep their tables in each player's home\")
      return()
    endif()
  endif()
  if(NOT km_shared)
    return()
  endif()
  execute_process(COMMAND chown \"root:\${km_group}\" \"\${km_dir}\" RESULT_VARIABLE failed)
  if(NOT failed)
    execute_process(COMMAND chmod 0775 \"\${km_dir}\" RESULT_VARIABLE failed)
  endif()
  if(failed)
    message(WARNING \"Could not give \${km_dir} to group \${km_group}: shared scores need root and the group (groupadd --system \${km_group})\")
    return()
  endif()
  foreach(game IN LISTS km_keepers)
    # Root's lock files, which only the games group may open: anyone who can
    # open one can hold it and shut every game out of the table.
    set(lock \"\${km_dir}/\${game}_scores.lock\")
    if(NOT EXISTS \"\${lock}\")
      file(TOUCH \"\${lock}\")
    endif()
    execute_process(COMMAND chown \"root:\${km_group}\" \"\${lock}\")
    execute_process(COMMAND chmod 0640 \"\${lock}\")
    # Root's tables too, which the games rewrite in place: a table a player's
    # game had replaced would be that player's to edit by hand.
    set(table \"\${km_dir}/\${game}_scores\")
    if(NOT EXISTS \"\${table}\")
      file(TOUCH \"\${table}\")
    endif()
    execute_process(COMMAND chown \"root:\${km_group}\" \"\${table}\")
    execute_process(COMMAND chmod 0664 \"\${table}\")
    # And its journal: one a player's game made would be that player's to chmod.
    if(NOT EXISTS \"\${table}.journal\")
      file(TOUCH \"\${table}.journal\")
    endif()
    execute_process(COMMAND chown \"root:\${km_group}\" \"\${table}.journal\")
    execute_process(COMMAND chmod 0664 \"\${table}.journal\")
    message(STATUS \"Set-group-id \${km_group}: \${km_bin}/\${game}\")
    execute_process(COMMAND chown \"root:\${km_group}\" \"\${km_bin}/\${game}\" RESULT_VARIABLE failed)
    if(NOT failed)
      execute_process(COMMAND chmod 2755 \"\${km_bin}/\${game}\" RESULT_VARIABLE failed)
    endif()
    if(failed)
      message(WARNING \"Could not make \${km_bin}/\${game} set-group-id \${km_group}\")
    endif()
  endforeach()
")

# Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME "kelmora")
set(CPACK_PACKAGE_VERSION "${km_version}")
set(CPACK_PACKAGE_CONTACT "kelmora maintainers <kelmora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen terminal games and a menu to start them")
set(CPACK_PACKAGE_DESCRIPTION
    "Six small games for a character terminal (coilclash, arrowpip, voltrider, blockhop,\nropeheave, glyphpair) and the menu kelmora, with high-score tables shared by the\nplayers of a machine.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
# Every generator must stage through DESTDIR, or the install step above would
# set up the packager's own machine. The Debian one does by itself; the others
# are told to.
file(WRITE ${PROJECT_BINARY_DIR}/packaging/cpack_options.cmake
     "if(NOT CPACK_GENERATOR STREQUAL \"DEB\")\n  set(CPACK_SET_DESTDIR ON)\nendif()\n")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/packaging/cpack_options.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "games")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(KM_SHARED_SCORES)
  set(km_package_group "${KM_GAMES_GROUP}")
else()
  set(km_package_group "")
endif()
if(IS_ABSOLUTE "${KM_GAMES_DIR}")
  set(km_package_bin "${KM_GAMES_DIR}")
else()
  set(km_package_bin "${CPACK_PACKAGING_INSTALL_PREFIX}/${KM_GAMES_DIR}")
endif()
string(REPLACE ";" " " km_package_keepers "${km_installed_keepers}")
foreach(script postinst postrm)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${script}.in ${PROJECT_BINARY_DIR}/packaging/${script} @ONLY)
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/packaging/postinst ${PROJECT_BINARY_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
