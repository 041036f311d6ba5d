if(WIN32)
  include(cmake/WindowsInstall.cmake)
  return()
endif()

include(GNUInstallDirs)

# Programs: the desktop program, the command-line front end and the Relay server on the
# PATH; the Relay
# simulator (demo and tests) and the TOP router simulator (tests of a Relay) beside them
# in the package's own libexec folder.
install(TARGETS listwright-cli listwright-relay RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/listwright-relay.conf.example data/listwright-relay.service
        DESTINATION ${CMAKE_INSTALL_DATADIR}/listwright)
if(TARGET listwright)
  install(TARGETS listwright RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
foreach(simulator relay-sim gateway-sim)
  if(TARGET ${simulator})
    install(TARGETS ${simulator} RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/listwright)
  endif()
endforeach()

# The delivered database (copied into the user's data folder on first start) and the
# configuration example the start-up hint points to. The example also goes beside the
# delivered file in the build tree, so a program run from there finds it the same way.
install(FILES ${LISTWRIGHT_DELIVERED_DB} DESTINATION ${CMAKE_INSTALL_DATADIR}/listwright)
install(FILES data/listwright.conf.example DESTINATION ${CMAKE_INSTALL_DATADIR}/listwright)
configure_file(data/listwright.conf.example
               ${CMAKE_BINARY_DIR}/share/listwright/listwright.conf.example COPYONLY)

# The user guide the Help menu opens; also beside the build tree's bin folder, so a
# program run from there finds it the same way.
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/listwright)
configure_file(README.md ${CMAKE_BINARY_DIR}/share/doc/listwright/README.md COPYONLY)

# Desktop integration: menu entry and icon theme files.
if(TARGET listwright)
  install(FILES data/listwright.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/icons/listwright.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 48 128 256)
    install(FILES data/icons/listwright-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME listwright.png)
  endforeach()
endif()

# Debian package: cpack --config <build>/CPackConfig.cmake (or the "package" target).
# The shared-library dependencies are worked out by dpkg-shlibdeps; what the program
# loads at run time without linking it (the Qt platform plugin, CJK fonts) is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME listwright)
set(CPACK_PACKAGE_VENDOR "Listwright")
set(CPACK_PACKAGE_CONTACT "Listwright developers <listwright@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Makes Taobao Assistant data packages from 1688.com offers")
set(CPACK_PACKAGE_DESCRIPTION
    "Listwright keeps links of offers on Alibaba's wholesale site (1688.com) in groups, \
harvests them from supplier shop pages, maps their categories and properties to \
Taobao's, and writes Data Packages (CSV file plus pictures) that Taobao Assistant \
imports. Includes the desktop program and the command-line front end listwright-cli.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, ca-certificates, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
