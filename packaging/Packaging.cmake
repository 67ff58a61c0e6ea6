# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts on the system, and the Debian package made from it by CPack
# (`cmake --build build --target package`).
include(GNUInstallDirs)

set(QUADRELO_GENERATED ${CMAKE_BINARY_DIR}/packaging)
configure_file(${CMAKE_CURRENT_LIST_DIR}/${QUADRELO_APP_ID}.metainfo.xml.in
               ${QUADRELO_GENERATED}/${QUADRELO_APP_ID}.metainfo.xml @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/quadrelo.1.in ${QUADRELO_GENERATED}/quadrelo.1 @ONLY)

# Debian ships manual pages compressed; -n keeps the archive the same from one build to the next.
add_custom_command(OUTPUT ${QUADRELO_GENERATED}/quadrelo.1.gz
    COMMAND gzip -9n -c ${QUADRELO_GENERATED}/quadrelo.1 > ${QUADRELO_GENERATED}/quadrelo.1.gz
    DEPENDS ${QUADRELO_GENERATED}/quadrelo.1 VERBATIM)
add_custom_target(manpage ALL DEPENDS ${QUADRELO_GENERATED}/quadrelo.1.gz)

install(TARGETS quadrelo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The session bus's service file names the program by its full path, known only when installing:
# /usr for the package, the chosen prefix for `cmake --install`.
install(CODE "
  set(QUADRELO_APP_ID ${QUADRELO_APP_ID})
  set(QUADRELO_BINARY \${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/quadrelo)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${QUADRELO_APP_ID}.service.in
                 \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/dbus-1/services/${QUADRELO_APP_ID}.service @ONLY)
  message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/dbus-1/services/${QUADRELO_APP_ID}.service\")")
# The menu entry, with the desktop actions launchers offer.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/${QUADRELO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The start at login. Desktops read autostart entries only from $XDG_CONFIG_DIRS (/etc/xdg) and
# the user's folder, never from under /usr/local, so this one goes to /etc whatever the prefix.
set(QUADRELO_AUTOSTART_DIR /etc/xdg/autostart CACHE PATH
    "Folder of the autostart entry (a relative one is taken under the install prefix)")
install(FILES ${CMAKE_CURRENT_LIST_DIR}/autostart/${QUADRELO_APP_ID}.desktop DESTINATION ${QUADRELO_AUTOSTART_DIR})
install(FILES ${QUADRELO_GENERATED}/${QUADRELO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${QUADRELO_GENERATED}/quadrelo.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quadrelo)
foreach(size 16 32 48 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/quadrelo-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${QUADRELO_APP_ID}.png)
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/quadrelo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${QUADRELO_APP_ID}.svg)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quadrelo)
set(CPACK_PACKAGE_VENDOR "Borvane Informática")
set(CPACK_PACKAGE_CONTACT "Borvane Informática <contato@borvane.com.br>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sticky notes and reminders in the notification area")
# One paragraph, wrapped as Debian wants it.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Quadrelo keeps sticky notes on the desktop and lives as one icon in the"
    "notification area. Each note is a small borderless window with its own text,"
    "colour, pin (always on top), read-only lock and an optional alarm that brings"
    "the note to the front, flashes it and plays a short sound. The notes are saved"
    "in the user's configuration folder. The program speaks Brazilian Portuguese.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: the X11 platform plugin, Qt's own
# translations and the sound server's client library (opened at the first sound).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, libpulse0")
# The sounds are played through a PulseAudio server, which PipeWire can stand in for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
# Files under /etc are the administrator's: dpkg keeps their changes (a Hidden=true that turns the
# start at login off for everyone) across upgrades.
if(IS_ABSOLUTE ${QUADRELO_AUTOSTART_DIR} AND QUADRELO_AUTOSTART_DIR MATCHES "^/etc/")
  file(WRITE ${QUADRELO_GENERATED}/conffiles "${QUADRELO_AUTOSTART_DIR}/${QUADRELO_APP_ID}.desktop\n")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${QUADRELO_GENERATED}/conffiles)
endif()
include(CPack)
