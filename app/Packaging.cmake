# SPDX-License-Identifier: GPL-3.0-or-later
# Installation (binary, desktop entry, AppStream metainfo, icons, autostart
# entry, D-Bus activation file), the checks of the desktop files, and the Debian package:
#   cmake --install <build> --prefix /usr
#   cd <build> && cpack -G DEB

set(DARTLINE_ID org.dartline.Dartline)
set(data ${CMAKE_CURRENT_SOURCE_DIR}/data)

# The entries name the program by its absolute path: KWin grants pointer
# moves only to the program an installed entry names that way. They are
# written again when installing, for the prefix of that installation (the
# Debian package's is /usr whatever the build was configured with).
set(entries ${CMAKE_CURRENT_BINARY_DIR}/entries)
set(entry_names ${DARTLINE_ID}.desktop ${DARTLINE_ID}.autostart.desktop ${DARTLINE_ID}.service)
set(DARTLINE_EXECUTABLE ${CMAKE_INSTALL_FULL_BINDIR}/dartline)
foreach(entry IN LISTS entry_names)
  configure_file(${data}/${entry}.in ${entries}/${entry} @ONLY)
endforeach()
install(CODE "
  set(DARTLINE_EXECUTABLE \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/dartline\")
  foreach(entry ${entry_names})
    configure_file(\"${data}/\${entry}.in\" \"${entries}/\${entry}\" @ONLY)
  endforeach()")

install(TARGETS dartline RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${entries}/${DARTLINE_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${entries}/${DARTLINE_ID}.service DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/services)
install(FILES ${data}/${DARTLINE_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# Started with every session of every user; a user turns it off in the
# desktop's start-up settings, which write a Hidden=true copy to ~/.config.
# Sessions look for autostart entries in $XDG_CONFIG_DIRS, which is /etc/xdg
# unless the session says otherwise: a system installation (under /usr or
# /usr/local, and the Debian package, whatever prefix was configured) puts
# its entry there. Any other prefix keeps it inside the prefix.
if(CMAKE_INSTALL_PREFIX MATCHES "^/usr(/local)?/?$")
  set(autostart_default /etc/xdg/autostart)
else()
  set(autostart_default ${CMAKE_INSTALL_FULL_SYSCONFDIR}/xdg/autostart)
endif()
set(DARTLINE_AUTOSTART_DIR ${autostart_default} CACHE PATH "Where the autostart entry is installed")
install(FILES ${entries}/${DARTLINE_ID}.autostart.desktop
  DESTINATION ${DARTLINE_AUTOSTART_DIR} RENAME ${DARTLINE_ID}.desktop)

# The application icon, drawn by the ui and kept as files in resources/icons,
# at the sizes resources/CMakeLists.txt lists.
set(icon_dir ${PROJECT_SOURCE_DIR}/resources/icons)
if(NOT DARTLINE_ICON_SIZES)
  message(FATAL_ERROR "resources/ must be added before app/: it lists the icon sizes")
endif()
install(FILES ${icon_dir}/${DARTLINE_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS DARTLINE_ICON_SIZES)
  install(FILES ${icon_dir}/dartline-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${DARTLINE_ID}.png)
endforeach()

if(DARTLINE_TESTS)
  find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
  find_program(APPSTREAMCLI appstreamcli)
  if(DESKTOP_FILE_VALIDATE)
    add_test(NAME desktop_file_validate COMMAND ${DESKTOP_FILE_VALIDATE}
      ${entries}/${DARTLINE_ID}.desktop ${entries}/${DARTLINE_ID}.autostart.desktop)
  endif()
  if(APPSTREAMCLI)
    add_test(NAME appstream_validate COMMAND ${APPSTREAMCLI} validate --no-net ${data}/${DARTLINE_ID}.metainfo.xml)
  endif()
  # Builds the Debian package and reads its file list and control fields.
  add_test(NAME debian_package COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
    -DOUT_DIR=${CMAKE_CURRENT_BINARY_DIR}/package-check -DID=${DARTLINE_ID}
    -P ${CMAKE_CURRENT_SOURCE_DIR}/CheckPackage.cmake)
  set_tests_properties(debian_package PROPERTIES TIMEOUT 300)
endif()

# Debian package. Only what the rules above install goes in.
set(CPACK_PACKAGE_NAME dartline)
set(CPACK_PACKAGE_VENDOR "The Dartline developers")
set(CPACK_PACKAGE_CONTACT "The Dartline developers <dartline@dartline.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Move the pointer to any monitor with one shortcut")
set(CPACK_PACKAGE_DESCRIPTION "A tray utility for several monitors: one system-wide shortcut per \
monitor puts the pointer at its centre, an enlarged cursor pulses where it lands, and numbered \
tiles tell the screens apart. X11 sessions.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://dartline.org)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so not found by shlibdeps: the xcb platform plugin and
# a font for the Chinese interface. Noto Sans CJK is recommended for its real
# bold weights (the windows use it when it is there); WenQuanYi Micro Hei has
# only one.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-cjk | fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
# The package puts the autostart entry under /etc: a conffile, so an
# administrator's edit (or removal) survives upgrades.
set(DARTLINE_PACKAGE_AUTOSTART /etc/xdg/autostart/${DARTLINE_ID}.desktop)
if(NOT DARTLINE_AUTOSTART_DIR STREQUAL "/etc/xdg/autostart")
  message(WARNING "The Debian package expects the autostart entry in /etc/xdg/autostart, not ${DARTLINE_AUTOSTART_DIR}")
endif()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/conffiles "${DARTLINE_PACKAGE_AUTOSTART}\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/conffiles)
set(CPACK_GENERATOR DEB)
include(CPack)
