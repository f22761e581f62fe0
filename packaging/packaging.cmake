# The installers, made by CPack from what the build installs: an NSIS installer on Windows, a
# Debian package elsewhere. Both carry the program's version, 1.00.
include(GNUInstallDirs)
set(CPACK_PACKAGE_NAME skymra)
set(CPACK_PACKAGE_VENDOR Skymra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Watches a room through a webcam and tells what changed")
# Lines of at most 80 characters, as a Debian package's description wants them.
set(CPACK_PACKAGE_DESCRIPTION "Skymra takes a reference snapshot of a room and a second one
later, compares them pixel by pixel, shows a change map, counts the changes
and raises an alarm, a red indicator and a sound, when they are many. It
watches a webcam, a network camera or a video file.")
# The project keeps no mailbox: a name under .invalid says so rather than pretending one.
set(CPACK_PACKAGE_CONTACT "Skymra developers <skymra@skymra.invalid>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Skymra)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The licences of what the installer redistributes, beside the program.
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/licenses/THIRD-PARTY.txt
                ${CMAKE_CURRENT_LIST_DIR}/licenses/GCC-RLE-3.1.txt DESTINATION licenses)
  install(FILES /usr/share/common-licenses/LGPL-3 DESTINATION licenses RENAME LGPL-3.0.txt)
  install(FILES /usr/share/common-licenses/GPL-3 DESTINATION licenses RENAME GPL-3.0.txt)
  set(CPACK_GENERATOR NSIS)
  set(CPACK_NSIS_DISPLAY_NAME Skymra)
  set(CPACK_NSIS_PACKAGE_NAME Skymra)
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/skymra.ico)
  set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/skymra.ico)
  set(CPACK_NSIS_INSTALLED_ICON_NAME skymra.exe)
  # A Start-menu entry "Skymra" for skymra.exe.
  set(CPACK_PACKAGE_EXECUTABLES skymra Skymra)
  set(CPACK_NSIS_MODIFY_PATH OFF)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    set(CPACK_NSIS_EXECUTABLE ${CMAKE_CURRENT_LIST_DIR}/makensis-amd64.sh)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  # What Debian asks of every package: the copyright, a changelog and a manual page, the last
  # two compressed as dpkg expects (gzip -9n, no time stamp).
  set(doc ${CMAKE_INSTALL_DATADIR}/doc/skymra)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${doc})
  foreach(file changelog skymra.1)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${file}.gz
                       COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/${file} > ${CMAKE_BINARY_DIR}/${file}.gz
                       DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${file})
    list(APPEND compressed ${CMAKE_BINARY_DIR}/${file}.gz)
  endforeach()
  add_custom_target(skymra_package_docs ALL DEPENDS ${compressed})
  install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${doc})
  install(FILES ${CMAKE_BINARY_DIR}/skymra.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION video)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Cameras, streams and clips go through GStreamer: Qt's packages need no plug-ins, Skymra does.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
      "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, gstreamer1.0-pipewire, qt6-translations-l10n")
endif()
include(CPack)
