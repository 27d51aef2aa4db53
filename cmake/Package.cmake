# What `make package` puts into the .deb: the programs, their man pages, the
# README with its pictures and the examples under the documentation folder,
# the copyright and changelog Debian asks for, and, with the desktop program,
# a desktop entry, its icons and AppStream metadata, so that "Tessaro" appears
# in the desktop's menu and software centre.

set(TESSARO_MAINTAINER "Tessaro maintainers <tessaro-team@example.org>"
    CACHE STRING "Maintainer field of the .deb: whoever distributes the package")

set(_programs tessaro-script tessaro-exercise tessaro-compare)
if(TESSARO_BUILD_GUI)
  list(APPEND _programs tessaro)
endif()
set(_doc share/doc/tessaro)
set(_made ${CMAKE_BINARY_DIR}/package)
file(MAKE_DIRECTORY ${_made}/man ${_made}/doc)
find_program(GZIP gzip REQUIRED)

# Debian wants man pages and changelogs compressed; -n keeps the file's name
# and time out of the result, so the same source gives the same bytes.
set(_gzipped)
function(_tessaro_gzip source target)
  add_custom_command(OUTPUT ${target}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${source} ${target}
                     COMMAND ${GZIP} -9nf ${target}
                     DEPENDS ${source} VERBATIM)
  set(_gzipped ${_gzipped} ${target}.gz PARENT_SCOPE)
endfunction()

foreach(program IN LISTS _programs)
  _tessaro_gzip(${PROJECT_SOURCE_DIR}/docs/man/${program}.1 ${_made}/man/${program}.1)
endforeach()
# The version has no Debian revision, so the package is native and its one
# changelog is changelog.gz, not changelog.Debian.gz.
_tessaro_gzip(${PROJECT_SOURCE_DIR}/package/changelog ${_made}/doc/changelog)

# The menu and the software centre pick what size they need: PNGs rendered
# from the SVG for the desktops and tools that take no SVG.
set(_icon_sizes 16 32 48 64 128 256)
set(_icons)
if(TESSARO_BUILD_GUI)
  find_program(RSVG_CONVERT rsvg-convert REQUIRED)
  foreach(size IN LISTS _icon_sizes)
    set(png ${_made}/icons/${size}x${size}/tessaro.png)
    file(MAKE_DIRECTORY ${_made}/icons/${size}x${size})
    add_custom_command(OUTPUT ${png}
                       COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                               ${PROJECT_SOURCE_DIR}/package/tessaro.svg
                       DEPENDS ${PROJECT_SOURCE_DIR}/package/tessaro.svg VERBATIM)
    list(APPEND _icons ${png})
  endforeach()
endif()
add_custom_target(tessaro_package_files ALL DEPENDS ${_gzipped} ${_icons})

install(TARGETS ${_programs} RUNTIME DESTINATION bin)
# As Debian's own packages are stripped: the compilers' version notes go too.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program ${_programs})
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/\${program}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")
install(FILES package/lintian-overrides DESTINATION share/lintian/overrides RENAME tessaro)
install(DIRECTORY ${_made}/man/ DESTINATION share/man/man1 FILES_MATCHING PATTERN "*.1.gz")
install(FILES package/copyright ${_made}/doc/changelog.gz DESTINATION ${_doc})
# The user guide, with the pictures and the page it links to beside it.
file(GLOB _pictures CONFIGURE_DEPENDS docs/*.png)
install(FILES README.md DESTINATION ${_doc})
install(FILES ${_pictures} docs/architecture.md DESTINATION ${_doc}/docs)
install(DIRECTORY examples/ DESTINATION ${_doc}/examples
        FILES_MATCHING PATTERN "*.txt" PATTERN "*.tss" PATTERN "demo-report.txt" EXCLUDE)
if(TESSARO_BUILD_GUI)
  install(FILES package/org.example.tessaro.desktop DESTINATION share/applications)
  install(FILES package/org.example.tessaro.metainfo.xml DESTINATION share/metainfo)
  install(FILES package/tessaro.svg DESTINATION share/icons/hicolor/scalable/apps)
  foreach(size IN LISTS _icon_sizes)
    install(FILES ${_made}/icons/${size}x${size}/tessaro.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaro)
set(CPACK_PACKAGE_VENDOR "Tessaro")
set(CPACK_PACKAGE_CONTACT "${TESSARO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "teaching program for analytical photogrammetry")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Image transformation, space resection, space intersection, relative and"
  "absolute orientation on plain text input files, with reports laid out to"
  "the column."
  ""
  "Includes tessaro-script to run sessions headless, tessaro-exercise to make"
  "a seeded exercise and answer key for every student, and tessaro-compare to"
  "mark reports against the key.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# dpkg-shlibdeps names the libraries the programs link and the lowest
# versions of them they need; only the desktop program brings in Qt.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

# The package as a user gets it: made from this build, unpacked into a scratch
# root, and its tessaro-script run on its own example session. Then Debian's
# and the desktops' checkers read it, where the build is hardened as the
# package's is (a sanitized or unoptimised build fails their hardening tags).
find_program(DPKG_DEB dpkg-deb)
if(DPKG_DEB AND TESSARO_BUILD_TESTS)
  set(_check ${CMAKE_BINARY_DIR}/package_check)
  add_test(NAME package/installs_and_runs
           COMMAND ${CMAKE_COMMAND} -DBIN=${CMAKE_BINARY_DIR} -DOUT=${_check}
                   -DCPACK=${CMAKE_CPACK_COMMAND} -DDPKG_DEB=${DPKG_DEB} -DGUI=${TESSARO_BUILD_GUI}
                   -P ${PROJECT_SOURCE_DIR}/cmake/PackageCheck.cmake)
  set_tests_properties(package/installs_and_runs PROPERTIES FIXTURES_SETUP package_deb)
  if(TESSARO_HARDENED)
    add_test(NAME package/lints_clean
             COMMAND ${CMAKE_COMMAND} -DOUT=${_check} -DGUI=${TESSARO_BUILD_GUI}
                     -P ${PROJECT_SOURCE_DIR}/cmake/PackageLint.cmake)
    set_tests_properties(package/lints_clean PROPERTIES FIXTURES_REQUIRED package_deb
                         SKIP_REGULAR_EXPRESSION "SKIP: " TIMEOUT 300)
  endif()
endif()
