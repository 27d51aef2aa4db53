# What `make package` puts into the .deb: the programs, the examples under the
# documentation folder, the man pages, and a desktop entry with its icon so
# that "Tessaro" appears in the desktop's menu.

set(_programs tessaro-script tessaro-exercise tessaro-compare)
if(TESSARO_BUILD_GUI)
  list(APPEND _programs tessaro)
endif()
install(TARGETS ${_programs} RUNTIME DESTINATION bin)
install(DIRECTORY examples/ DESTINATION share/doc/tessaro/examples
        FILES_MATCHING PATTERN "*.txt" PATTERN "*.tss" PATTERN "demo-report.txt" EXCLUDE)
install(FILES docs/man/tessaro.1 docs/man/tessaro-script.1 docs/man/tessaro-exercise.1
              docs/man/tessaro-compare.1 DESTINATION share/man/man1)
install(FILES package/tessaro.desktop DESTINATION share/applications)
install(FILES package/tessaro.svg DESTINATION share/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaro)
set(CPACK_PACKAGE_VENDOR "Tessaro")
set(CPACK_PACKAGE_CONTACT "Tessaro developers <tessaro@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "teaching program for analytical photogrammetry")
set(CPACK_PACKAGE_DESCRIPTION
    "Image transformation, space resection, space intersection, relative and absolute orientation on plain text input files, with reports laid out to the column. Includes tessaro-script to run sessions headless, tessaro-exercise to make a seeded exercise and answer key for every student, and tessaro-compare to mark reports against the key.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Named by hand rather than found by dpkg-shlibdeps, which a build machine may
# lack: only the desktop program needs Qt.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
if(TESSARO_BUILD_GUI)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt6widgets6, libqt6gui6, libqt6core6")
endif()
include(CPack)

# The package as a user gets it: made from this build, unpacked into a scratch
# root, and its tessaro-script run on its own example session.
find_program(DPKG_DEB dpkg-deb)
if(DPKG_DEB)
  add_test(NAME package/installs_and_runs
           COMMAND ${CMAKE_COMMAND} -DBIN=${CMAKE_BINARY_DIR} -DOUT=${CMAKE_BINARY_DIR}/package_check
                   -DCPACK=${CMAKE_CPACK_COMMAND} -DDPKG_DEB=${DPKG_DEB} -DGUI=${TESSARO_BUILD_GUI}
                   -P ${PROJECT_SOURCE_DIR}/cmake/PackageCheck.cmake)
endif()
