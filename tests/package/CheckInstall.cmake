# Installs the build into a scratch prefix and checks what a workstation
# gets: both programs, the server home's module, the desktop entry (valid),
# the icon and the help, and an orbeko-admin that runs. Called by CTest with
# -DBUILD_DIR=... -DSCRATCH=... -DVERSION=... -DHELP=<the folder docs/help>
# -DMODULE_DIR=...
file(REMOVE_RECURSE "${SCRATCH}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${SCRATCH}"
                RESULT_VARIABLE installed OUTPUT_QUIET)
if(NOT installed EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${installed}")
endif()
file(GLOB help_pages RELATIVE "${HELP}" "${HELP}/*")
if(NOT help_pages)
  message(FATAL_ERROR "no help pages in ${HELP}")
endif()
list(TRANSFORM help_pages PREPEND share/doc/orbeko/help/)
foreach(path bin/orbeko bin/orbeko-admin ${MODULE_DIR}/orbeko-server-home.so share/applications/orbeko.desktop
             share/icons/hicolor/scalable/apps/orbeko.svg ${help_pages})
  if(NOT EXISTS "${SCRATCH}/${path}")
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
execute_process(COMMAND desktop-file-validate "${SCRATCH}/share/applications/orbeko.desktop"
                RESULT_VARIABLE valid OUTPUT_VARIABLE said ERROR_VARIABLE said)
if(NOT valid EQUAL 0 OR NOT said STREQUAL "")
  message(FATAL_ERROR "desktop entry not valid: ${said}")
endif()
execute_process(COMMAND "${SCRATCH}/bin/orbeko-admin" --version RESULT_VARIABLE ran OUTPUT_VARIABLE version)
if(NOT ran EQUAL 0 OR NOT version MATCHES "orbeko-admin ${VERSION}")
  message(FATAL_ERROR "orbeko-admin --version: ${ran} ${version}")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
