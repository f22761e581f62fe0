# The installers, made by CPack from what the build installs: an NSIS installer on Windows, a
# Debian package elsewhere. Both carry the program's version, 1.00.
set(CPACK_PACKAGE_NAME skymra)
set(CPACK_PACKAGE_VENDOR Skymra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Watches a room through a webcam and tells what changed")
set(CPACK_PACKAGE_DESCRIPTION "Skymra takes a reference snapshot of a room and a second one \
later, compares them pixel by pixel, shows a change map, counts the changes and raises an alarm, \
a red indicator and a sound, when they are many. It watches a webcam, a network camera or a \
video file.")
set(CPACK_PACKAGE_CONTACT "Skymra <skymra@localhost>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Skymra)
set(CPACK_STRIP_FILES ON)

if(WIN32)
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
