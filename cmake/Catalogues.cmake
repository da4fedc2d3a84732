# Translation catalogues: the French .po files of po/ are compiled with msgfmt into little-endian
# MO files under <build>/locale, and corvane_embed_catalogues(<target>) appends them, with their
# table, to an executable after each link (tools/catalogue-append), so that one file carries its
# translations. A "locale" folder beside the executable is used when nothing is appended.
find_program(CORVANE_MSGFMT msgfmt REQUIRED)

set(CORVANE_CATALOGUE_LANGUAGES fr)
set(CORVANE_CATALOGUE_DOMAINS TarvenholtCorvane AutoUpdater TarvenholtReferentiel)
set(CORVANE_CATALOGUE_FILES "")
set(CORVANE_CATALOGUE_ARGS "")
foreach(lang IN LISTS CORVANE_CATALOGUE_LANGUAGES)
  foreach(domain IN LISTS CORVANE_CATALOGUE_DOMAINS)
    set(po ${PROJECT_SOURCE_DIR}/po/${lang}/${domain}.po)
    set(mo ${CMAKE_BINARY_DIR}/locale/${lang}/LC_MESSAGES/${domain}.mo)
    add_custom_command(OUTPUT ${mo}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/locale/${lang}/LC_MESSAGES
      COMMAND ${CORVANE_MSGFMT} --check --endianness=little -o ${mo} ${po}
      DEPENDS ${po}
      COMMENT "Compiling catalogue ${lang}/${domain}"
      VERBATIM)
    list(APPEND CORVANE_CATALOGUE_FILES ${mo})
    # The path recorded in the table, relative to the executable's folder.
    list(APPEND CORVANE_CATALOGUE_ARGS "locale\\${lang}\\LC_MESSAGES\\${domain}.mo=${mo}")
  endforeach()
endforeach()
add_custom_target(corvane_catalogues ALL DEPENDS ${CORVANE_CATALOGUE_FILES})

# corvane_embed_catalogues(<target>): append the catalogues to <target> after every link; a
# changed catalogue relinks the target. The target must link corvane_shell (it holds the marker).
function(corvane_embed_catalogues target)
  add_dependencies(${target} corvane_catalogues corvane-append-catalogues)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${CORVANE_CATALOGUE_FILES})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND $<TARGET_FILE:corvane-append-catalogues> $<TARGET_FILE:${target}> ${CORVANE_CATALOGUE_ARGS}
    COMMENT "Appending translation catalogues to ${target}"
    VERBATIM)
endfunction()
