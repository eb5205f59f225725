# Desktop integration of Orlet on freedesktop systems (Linux, BSD): the menu
# entry, the application icon in the hicolor theme and the AppStream
# metainfo (its id, ORLET_APP_ID, and addresses come from the top CMakeLists.txt).  include() this file
# from the CMakeLists.txt that builds the window; GNUInstallDirs must already
# be included.  Paths are relative to this file, so it can be included from
# any directory.

if(UNIX AND NOT APPLE)
  install(FILES "${CMAKE_CURRENT_LIST_DIR}/orlet.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")

  foreach(_orlet_icon_size IN ITEMS 16 32 48 64 128 256)
    install(FILES "${CMAKE_CURRENT_LIST_DIR}/icons/orlet-${_orlet_icon_size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_orlet_icon_size}x${_orlet_icon_size}/apps"
            RENAME orlet.png)
  endforeach()
  unset(_orlet_icon_size)

  install(FILES "${CMAKE_CURRENT_LIST_DIR}/icons/orlet.svg"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")

  configure_file("${CMAKE_CURRENT_LIST_DIR}/orlet.metainfo.xml.in"
                 "${CMAKE_CURRENT_BINARY_DIR}/${ORLET_APP_ID}.metainfo.xml" @ONLY)
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/${ORLET_APP_ID}.metainfo.xml"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
endif()
