# Run by the test package/lints_clean on what package/installs_and_runs made
# in OUT: lintian must find no error and no warning in the .deb, and the
# desktop entry and the AppStream metadata must pass their validators without
# a single remark. A checker that is not installed is reported as SKIP after
# the others have run, never passed in silence.
file(GLOB deb "${OUT}/deb/*.deb")
set(root "${OUT}/root/usr/share")
set(missing)
set(failed OFF)

find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND "${LINTIAN}" --fail-on error,warning --display-level ">=warning" ${deb}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    set(failed ON)
    message(SEND_ERROR "lintian ${deb}:\n${out}${err}")
  endif()
else()
  list(APPEND missing lintian)
endif()

if(GUI)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  if(DESKTOP_FILE_VALIDATE)
    file(GLOB desktop "${root}/applications/*.desktop")
    execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" ${desktop}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
      set(failed ON)
      message(SEND_ERROR "desktop-file-validate ${desktop}:\n${out}")
    endif()
  else()
    list(APPEND missing desktop-file-validate)
  endif()

  # validate-tree reads the metadata together with the desktop entry and the
  # icons it names; --pedantic shows every remark, and any fails the test.
  find_program(APPSTREAMCLI appstreamcli)
  if(APPSTREAMCLI)
    execute_process(COMMAND "${APPSTREAMCLI}" validate-tree --no-net --pedantic --no-color
                            "${OUT}/root"
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0 OR out MATCHES "(^|\n)[EWIP]: ")
      set(failed ON)
      message(SEND_ERROR "appstreamcli validate-tree:\n${out}")
    endif()
  else()
    list(APPEND missing appstreamcli)
  endif()
endif()

if(missing AND NOT failed)
  message("SKIP: not installed: ${missing}")
endif()
