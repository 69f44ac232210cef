# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package of the build tree BUILD_DIR into OUT_DIR and checks
# what a system that installs it gets: the autostart entry where sessions read
# it, marked as a conffile, entries that name the program by absolute path,
# the D-Bus activation file, and a CJK font with real weights recommended.
#   cmake -DBUILD_DIR=… -DOUT_DIR=… -DID=org.dartline.Dartline -P CheckPackage.cmake
file(REMOVE_RECURSE ${OUT_DIR})
execute_process(COMMAND cpack -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT_DIR}
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
file(GLOB packages ${OUT_DIR}/*.deb)
list(LENGTH packages count)
if(NOT status EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack failed (${status}):\n${output}")
endif()

execute_process(COMMAND dpkg-deb -c ${packages} OUTPUT_VARIABLE contents COMMAND_ERROR_IS_FATAL ANY)
foreach(path
    ./etc/xdg/autostart/${ID}.desktop
    ./usr/bin/dartline
    ./usr/share/applications/${ID}.desktop
    ./usr/share/dbus-1/services/${ID}.service
    ./usr/share/metainfo/${ID}.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/${ID}.svg
    ./usr/share/icons/hicolor/16x16/apps/${ID}.png
    ./usr/share/icons/hicolor/512x512/apps/${ID}.png)
  string(FIND "${contents}" " ${path}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${path} is missing from the package:\n${contents}")
  endif()
endforeach()
string(FIND "${contents}" " ./usr/local/" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "the package installs under /usr/local, which it does not own:\n${contents}")
endif()

# KWin grants pointer moves to the program an entry names by absolute path.
execute_process(COMMAND dpkg-deb --fsys-tarfile ${packages} COMMAND tar -xO ./usr/share/applications/${ID}.desktop
  ./etc/xdg/autostart/${ID}.desktop ./usr/share/dbus-1/services/${ID}.service
  OUTPUT_VARIABLE entries COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "\nExec=/usr/bin/dartline[ \n]" execs "${entries}")
string(REGEX MATCHALL "\nX-KDE-Wayland-Interfaces=org_kde_kwin_fake_input\n" kwin "${entries}")
list(LENGTH execs exec_count)
list(LENGTH kwin kwin_count)
if(NOT exec_count EQUAL 3 OR NOT kwin_count EQUAL 2)
  message(FATAL_ERROR "the entries should run /usr/bin/dartline, the desktop ones with KWin's interface key:\n${entries}")
endif()

execute_process(COMMAND dpkg-deb -I ${packages} conffiles OUTPUT_VARIABLE conffiles COMMAND_ERROR_IS_FATAL ANY)
if(NOT conffiles STREQUAL "/etc/xdg/autostart/${ID}.desktop\n")
  message(FATAL_ERROR "conffiles should name the autostart entry alone, not:\n${conffiles}")
endif()
execute_process(COMMAND dpkg-deb -f ${packages} Recommends OUTPUT_VARIABLE recommends COMMAND_ERROR_IS_FATAL ANY)
if(NOT recommends MATCHES "fonts-noto-cjk")
  message(FATAL_ERROR "the package should recommend fonts-noto-cjk, not: ${recommends}")
endif()
message(STATUS "package ${packages}: autostart entry, conffile and font recommendation as expected")
