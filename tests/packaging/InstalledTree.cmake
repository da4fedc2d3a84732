# Installs the build into PREFIX (emptied first) and checks the tree runs: the console's link in
# bin/ starts the installed program, which prints its version; its companions, the peers, the
# .desktop entry and the icon are where the desktop and the program look for them.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${code}):\n${out}\n${err}")
endif()

execute_process(COMMAND ${PREFIX}/${BIN_DIR}/corvane-agent --version
                RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT code EQUAL 0 OR NOT out STREQUAL "corvane-agent ${VERSION}\n")
  message(FATAL_ERROR "installed corvane-agent --version: exit ${code}, printed '${out}' '${err}'")
endif()

set(program ${PREFIX}/${PROGRAM_DIR})
foreach(path
    ${program}/corvane-agent ${program}/corvane-service ${program}/corvane-client
    ${program}/ManuelUtilisateur-CorvanePro.pdf ${program}/Appel.wav
    ${program}/export/tarvenholt.css
    ${PREFIX}/${DATA_DIR}/applications/corvane-agent.desktop
    ${PREFIX}/${DATA_DIR}/icons/hicolor/scalable/apps/corvane-agent.svg)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "missing from the installed tree: ${path}")
  endif()
endforeach()
# Compared in hexadecimal: file(READ) of binary files is not byte-exact as text.
file(SIZE ${program}/ManuelUtilisateur-CorvanePro.pdf manual_size)
file(READ ${program}/ManuelUtilisateur-CorvanePro.pdf manual_head LIMIT 5 HEX)
if(manual_size LESS 1000 OR NOT manual_head STREQUAL "255044462d")
  message(FATAL_ERROR "the installed manual is not a PDF (${manual_size} bytes)")
endif()
file(READ ${program}/Appel.wav sound_head LIMIT 4 HEX)
if(NOT sound_head STREQUAL "52494646")
  message(FATAL_ERROR "the installed Appel.wav is not a WAVE file")
endif()
file(GLOB sheets ${program}/export/*.xsl*)
if(NOT sheets)
  message(FATAL_ERROR "no export style sheet in ${program}/export")
endif()
foreach(peer corvane-service corvane-client)
  execute_process(COMMAND ${program}/${peer} --help RESULT_VARIABLE code OUTPUT_QUIET ERROR_QUIET)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "installed ${peer} --help: exit ${code}")
  endif()
endforeach()
message(STATUS "installed tree runs: ${PREFIX}")
