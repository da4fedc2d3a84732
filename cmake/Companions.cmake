# Companion files delivered beside the console: the ringing sound "Appel.wav", synthesised by our
# own script, and the user manual PDF (built by tools/manual-pdf when the Qt user interface is
# built). corvane_copy_companions(<target>) puts them beside a program after each build;
# `cmake --install` puts them in CORVANE_PROGRAM_DIR.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
include(GNUInstallDirs)

# The installed programs live with their companions in one private folder (they find them beside
# their own executable); bin/ gets a link to the console.
set(CORVANE_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/corvane-agent)

# The application icon, our own drawing: compiled into the program's pictures and installed in the
# icon theme for the .desktop entry.
set(CORVANE_APP_ICON ${PROJECT_SOURCE_DIR}/packaging/corvane-agent.svg)

set(CORVANE_COMPANIONS_DIR ${CMAKE_BINARY_DIR}/companions)
set(CORVANE_SOUND ${CORVANE_COMPANIONS_DIR}/Appel.wav)
set(CORVANE_MANUAL_PDF ${CORVANE_COMPANIONS_DIR}/ManuelUtilisateur-CorvanePro.pdf)

add_custom_command(
  OUTPUT ${CORVANE_SOUND}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CORVANE_COMPANIONS_DIR}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/make-ring-wav ${CORVANE_SOUND}
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/make-ring-wav
  COMMENT "Synthesising the ringing sound"
  VERBATIM)
add_custom_target(corvane_sound ALL DEPENDS ${CORVANE_SOUND})
install(FILES ${CORVANE_SOUND} DESTINATION ${CORVANE_PROGRAM_DIR})

function(corvane_copy_companions target)
  add_dependencies(${target} corvane_sound)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CORVANE_SOUND} $<TARGET_FILE_DIR:${target}>/)
  if(TARGET corvane_manual)
    add_dependencies(${target} corvane_manual)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CORVANE_MANUAL_PDF} $<TARGET_FILE_DIR:${target}>/)
  endif()
endfunction()
