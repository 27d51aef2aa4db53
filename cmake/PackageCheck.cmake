# Run by the test package/installs_and_runs: cpack makes the .deb from the
# build BIN, dpkg-deb unpacks it into OUT/root, and the unpacked tessaro-script
# runs the unpacked demo session; the unpacked README's links must lead to
# files beside it.
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND "${CPACK}" -G DEB --config "${BIN}/CPackConfig.cmake" -B "${OUT}/deb"
                RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB debs "${OUT}/deb/*.deb")
if(NOT rc EQUAL 0 OR NOT debs)
  message(FATAL_ERROR "cpack made no package:\n${log}")
endif()
execute_process(COMMAND "${DPKG_DEB}" -x ${debs} "${OUT}/root" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -x failed")
endif()

set(root "${OUT}/root/usr")
set(expected bin/tessaro-script bin/tessaro-exercise bin/tessaro-compare
             share/man/man1/tessaro-compare.1.gz share/doc/tessaro/copyright
             share/doc/tessaro/changelog.gz share/doc/tessaro/README.md
             share/doc/tessaro/examples/demo.tss share/doc/tessaro/examples/relative.txt)
if(GUI)
  list(APPEND expected bin/tessaro share/man/man1/tessaro.1.gz
       share/applications/org.example.tessaro.desktop share/metainfo/org.example.tessaro.metainfo.xml
       share/icons/hicolor/scalable/apps/tessaro.svg share/icons/hicolor/48x48/apps/tessaro.png)
endif()
foreach(name IN LISTS expected)
  if(NOT EXISTS "${root}/${name}")
    message(SEND_ERROR "the package lacks /usr/${name}")
  endif()
endforeach()

# Every local link and picture of the user guide, read where it is installed.
file(READ "${root}/share/doc/tessaro/README.md" guide)
string(REGEX MATCHALL "\\]\\([^)#:]+\\)" links "${guide}")
# Without the brackets, which would hold the list together as one element.
string(REGEX REPLACE "\\]\\(([^)]*)\\)" "\\1" links "${links}")
if(NOT links)
  message(SEND_ERROR "found no links in the installed README")
endif()
foreach(target IN LISTS links)
  if(NOT EXISTS "${root}/share/doc/tessaro/${target}")
    message(SEND_ERROR "the installed README links ${target}, which the package lacks")
  endif()
endforeach()

# The installed examples are read-only for a user: run them from a copy.
file(COPY "${root}/share/doc/tessaro/examples/" DESTINATION "${OUT}/run")
execute_process(COMMAND "${root}/bin/tessaro-script" demo.tss WORKING_DIRECTORY "${OUT}/run"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
file(STRINGS "${OUT}/run/demo-report.txt" report LIMIT_COUNT 1)
if(NOT rc EQUAL 0 OR NOT report MATCHES "^Six film photos")
  message(FATAL_ERROR "the installed tessaro-script did not run the installed demo: ${rc} ${err}")
endif()
execute_process(COMMAND "${root}/bin/tessaro-compare" --version OUTPUT_VARIABLE version)
if(NOT version MATCHES "^tessaro-compare [0-9]")
  message(SEND_ERROR "tessaro-compare --version printed: ${version}")
endif()
