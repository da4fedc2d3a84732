# Installation and the Debian package of the desktop console. `cmake --install` puts the console,
# its companions (export style sheets, manual, ringing sound; the catalogues are appended to the
# executable), the peers, a .desktop entry and the icon in the freedesktop locations;
# `cpack -G DEB` (scripts/package) makes a .deb whose dependencies are Debian's runtime packages,
# found by dpkg-shlibdeps from the binaries.
include(GNUInstallDirs)

if(TARGET corvane-agent)
  install(TARGETS corvane-agent RUNTIME DESTINATION ${CORVANE_PROGRAM_DIR})
  # The console resolves its own path through the link, so it finds its companions. The link is
  # relative, so the tree can be moved (DESTDIR, a package, a test's prefix).
  file(RELATIVE_PATH corvane_link_target /p/${CMAKE_INSTALL_BINDIR} /p/${CORVANE_PROGRAM_DIR}/corvane-agent)
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ${corvane_link_target}
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/corvane-agent\" SYMBOLIC)")
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/corvane-agent.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CORVANE_APP_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME corvane-agent.svg)
endif()
# The peers, for a whole product on one machine: the reference web service and the customer
# program, beside the console.
install(TARGETS corvane-service corvane-client RUNTIME DESTINATION ${CORVANE_PROGRAM_DIR})

set(CPACK_PACKAGE_NAME "corvane-agent")
set(CPACK_PACKAGE_VENDOR "Corvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Technician's console of the Corvane remote-assistance service")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvane Agent takes the calls of a group's customers, shows the customer's screen, drives its mouse and keyboard, chats, exchanges clipboard text, files and folders, and keeps the group's session history. Ships the reference web service and the customer program.")
set(CPACK_PACKAGE_CONTACT "Corvane support <support@corvane.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
