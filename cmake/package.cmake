# Install rules and the Debian package (make deb):
# dist/pelko-monitor_<version>_amd64.deb
include(GNUInstallDirs)

install(TARGETS pelko-monitor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(PELKO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/pelko-monitor)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${PELKO_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/pelko-monitor.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/pelko-monitor.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 256)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/pelko-monitor-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME pelko-monitor.png)
endforeach()

# The system's unit folder: lib/systemd/system under the prefix, whatever
# GNUInstallDirs says about multiarch library folders.
set(PELKO_SYSTEMD_UNIT_DIR lib/systemd/system CACHE STRING "Where the systemd unit is installed, below the prefix")
# The unit names the program by the prefix it is installed under, which for
# the package is /usr whatever the build's own prefix; so it is made at
# install time.
install(CODE "
  set(PELKO_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  set(PELKO_DOCDIR \"\${CMAKE_INSTALL_PREFIX}/${PELKO_DOC_DIR}\")
  configure_file(${PROJECT_SOURCE_DIR}/packaging/pelko-monitor.service.in
                 ${PROJECT_BINARY_DIR}/packaging/pelko-monitor.service @ONLY)
")
install(FILES ${PROJECT_BINARY_DIR}/packaging/pelko-monitor.service DESTINATION ${PELKO_SYSTEMD_UNIT_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelko-monitor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "pelko-monitor maintainers <pelko-monitor@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "watches a deal list for keywords and pushes new reports")
set(CPACK_PACKAGE_DESCRIPTION "pelko-monitor watches the public list API of a deal-sharing site for new
deal reports that match your keywords, and forwards each new report once
to a DingTalk group robot and to ServerChan. It has a settings window and
a systemd service that runs it without one.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY pelko-monitor)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# useradd in postinst.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "passwd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/postinst
    ${PROJECT_SOURCE_DIR}/packaging/prerm
    ${PROJECT_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
