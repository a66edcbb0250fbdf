# Debian packages, built by scripts/package.sh through CPack:
#   marvo               the browser, marvo-memo, stamps, translations, desktop integration
#   marvo-share-server  the sharing server as a systemd service
# Files install into component "browser" unless they name component "server".
include(GNUInstallDirs)

# Man pages and the changelog are shipped compressed, without time stamps (gzip -n), so that
# a rebuild gives the same bytes.
function(marvo_install_gzipped source destination component)
  get_filename_component(name ${source} NAME)
  set(packed ${CMAKE_BINARY_DIR}/packaging/${component}/${name}.gz)
  add_custom_command(OUTPUT ${packed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging/${component}
      COMMAND sh -c "gzip -9nc '${source}' > '${packed}'"
      DEPENDS ${source} VERBATIM)
  list(APPEND marvo_packed_files ${packed})
  set(marvo_packed_files ${marvo_packed_files} PARENT_SCOPE)
  install(FILES ${packed} DESTINATION ${destination} COMPONENT ${component})
endfunction()

set(marvo_packed_files)
set(desktop ${CMAKE_SOURCE_DIR}/res/desktop)
set(deb ${CMAKE_SOURCE_DIR}/cmake/deb)

# The browser's desktop integration.
install(FILES ${desktop}/marvo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT browser)
install(FILES ${desktop}/marvo-memo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages COMPONENT browser)
install(FILES ${desktop}/org.example.marvo.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        COMPONENT browser)
install(FILES ${CMAKE_SOURCE_DIR}/res/icons/marvo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT browser)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${desktop}/icons/marvo-${size}.png RENAME marvo.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT browser)
endforeach()

foreach(page marvo marvo-memo)
  marvo_install_gzipped(${CMAKE_SOURCE_DIR}/docs/man/${page}.1 ${CMAKE_INSTALL_MANDIR}/man1 browser)
endforeach()
marvo_install_gzipped(${CMAKE_SOURCE_DIR}/docs/man/marvo-share-server.1 ${CMAKE_INSTALL_MANDIR}/man1 server)

foreach(component browser server)
  if(component STREQUAL browser)
    set(package marvo)
  else()
    set(package marvo-share-server)
  endif()
  install(FILES ${deb}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  set(changelog ${CMAKE_BINARY_DIR}/packaging/${package}/changelog)
  configure_file(${deb}/changelog ${changelog} @ONLY)
  marvo_install_gzipped(${changelog} ${CMAKE_INSTALL_DATADIR}/doc/${package} ${component})
endforeach()
add_custom_target(marvo_packaging_files ALL DEPENDS ${marvo_packed_files})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Marvo developers <marvo@example.org>")
set(CPACK_PACKAGE_VENDOR "Marvo developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL browser server)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://marvo.example.org/)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_BROWSER_PACKAGE_NAME marvo)
set(CPACK_DEBIAN_BROWSER_PACKAGE_SECTION web)
# What the libraries' dependencies do not bring: the engine's helper process, the X11 and SVG
# plug-ins of Qt, the Japanese fonts of the memo texts, and xdg-utils for mail and defaults.
set(CPACK_DEBIAN_BROWSER_PACKAGE_DEPENDS
    "libqt6webenginecore6-bin, qt6-qpa-plugins, libqt6svg6, fonts-ipafont-gothic, xdg-utils")
set(CPACK_DEBIAN_BROWSER_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-ipafont-mincho")
set(CPACK_DEBIAN_BROWSER_PACKAGE_SUGGESTS marvo-share-server)
set(CPACK_COMPONENT_BROWSER_DESCRIPTION "tabbed web browser with a memo layer
Marvo is a tabbed web browser on Qt WebEngine. Over any page you draw freehand
strokes, text boxes, balloons, stamps, photos, shapes and region effects.
The memos of each page are kept in memo files (.ame), printed, mailed with the
page and shared with other users through a sharing server.

This package holds the browser, its stamps and translations, and marvo-memo,
a command-line tool that dumps, checks and renders memo files.")

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME marvo-share-server)
set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "init-system-helpers (>= 1.54~)")
set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA
    ${deb}/server/conffiles ${deb}/server/postinst ${deb}/server/prerm ${deb}/server/postrm)
set(CPACK_COMPONENT_SERVER_DESCRIPTION "sharing server for Marvo memo packages and messages
marvo-share-server keeps the memo packages that Marvo users share, keyed by
page address, and relays short instant messages between them, over TCP with
SQLite or PostgreSQL storage.

The package runs it as the systemd service marvo-share-server under a dynamic
user, with its options in /etc/marvo-share-server.conf and its database in
/var/lib/marvo-share-server.")

set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_SOURCE_DIR}/dist)
include(CPack)
