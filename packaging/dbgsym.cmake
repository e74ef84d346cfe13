# Run by cpack after it made the packages (CPACK_POST_BUILD_SCRIPTS): mends
# the kelmora-dbgsym package CMake 3.25 makes, which lintian refuses. Its
# md5sums name the files by their absolute path in cpack's staging folder, its
# .debug files are executable, and it has no documentation folder. Debian's own
# debug packages name the files relative to the root, make them 0644, and point
# /usr/share/doc/<name>-dbgsym at the main package's folder, which they depend on.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "-dbgsym_[^/]*\\.ddeb$")
    continue()
  endif()
  find_program(km_dpkg_deb dpkg-deb REQUIRED)
  set(tree "${package}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND ${km_dpkg_deb} --raw-extract "${package}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)

  file(READ "${tree}/DEBIAN/md5sums" sums)
  string(REGEX REPLACE "  /[^\n]*/usr/lib/debug/" "  usr/lib/debug/" sums "${sums}")
  file(WRITE "${tree}/DEBIAN/md5sums" "${sums}")

  file(GLOB_RECURSE debug_files "${tree}/usr/lib/debug/*.debug")
  file(CHMOD ${debug_files} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

  string(REGEX REPLACE "^.*/([^/_]+)-dbgsym_[^/]*$" "\\1" main_package "${package}")
  file(MAKE_DIRECTORY "${tree}/usr/share/doc")
  file(CREATE_LINK ${main_package} "${tree}/usr/share/doc/${main_package}-dbgsym" SYMBOLIC)

  execute_process(COMMAND ${km_dpkg_deb} --root-owner-group -Zxz --build "${tree}" "${package}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
