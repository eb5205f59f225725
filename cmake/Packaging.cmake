# Packages of Orlet, made with CPack (`make package` on Debian, `cpack` in the
# build folder elsewhere).  include() this from the top CMakeLists.txt after
# the programs' own install rules.  The version is project()'s.
#
#   Debian and Ubuntu   one .deb: orlet and orlet-gen, menu entry, icons,
#                       AppStream metainfo, man pages, copyright, changelog
#   Windows             NSIS installer; the install step runs windeployqt
#   macOS               DragNDrop disk image; the install step runs macdeployqt

# ---- Files Debian expects in /usr/share/doc/<package> ---------------------
set(ORLET_PACKAGE_NAME orlet)
if(UNIX AND NOT APPLE)
  set(_orlet_doc_dir "${CMAKE_INSTALL_DATAROOTDIR}/doc/${ORLET_PACKAGE_NAME}")
  set(_orlet_changelog_gz "${PROJECT_BINARY_DIR}/packaging/changelog.gz")
  # Ninja makes an output's folder itself, Make does not: the rule does.
  add_custom_command(
    OUTPUT "${_orlet_changelog_gz}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${PROJECT_BINARY_DIR}/packaging"
    COMMAND gzip -9nc "${PROJECT_SOURCE_DIR}/packaging/changelog" > "${_orlet_changelog_gz}"
    DEPENDS "${PROJECT_SOURCE_DIR}/packaging/changelog"
    COMMENT "Compressing the changelog")
  add_custom_target(orlet_changelog ALL DEPENDS "${_orlet_changelog_gz}")
  install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" "${PROJECT_SOURCE_DIR}/LICENSE"
                "${PROJECT_SOURCE_DIR}/packaging/THIRD-PARTY-NOTICES.txt" DESTINATION "${_orlet_doc_dir}")
  install(FILES "${_orlet_changelog_gz}" DESTINATION "${_orlet_doc_dir}")
else()
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt)
endif()

# ---- What every package says about itself ---------------------------------
set(CPACK_PACKAGE_NAME ${ORLET_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orlet developers")
set(CPACK_PACKAGE_CONTACT "${ORLET_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${ORLET_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
# Debian shows the description as it is: lines of fewer than 80 characters.
set(CPACK_PACKAGE_DESCRIPTION [[
Orlet writes the start-up code of an 8051 (MCS-51) firmware. Tick the
external interrupts, timers/counters 0 and 1 and the serial port it uses,
pick the crystal, the timer modes and periods and the baud rate: Orlet
computes the TH/TL reload bytes, the baud-rate reload byte and its error,
and writes an 8051 C skeleton for Keil C51 or SDCC.

The package holds the window, orlet (in Simplified Chinese), and
orlet-gen, the same generator on the command line.]])
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Orlet")
set(CPACK_PACKAGE_EXECUTABLES orlet "Orlet")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

# ---- Debian ----------------------------------------------------------------
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORLET_MAINTAINER}")
# Library dependencies come from the binaries; the Qt platform plugins and a
# CJK font are loaded at run time, so no linker sees them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

# ---- Windows: run windeployqt on the installed folder first (README) -------
set(CPACK_NSIS_DISPLAY_NAME "Orlet ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "Orlet")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/ui/res/icons/orlet.ico")
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\orlet.exe")
set(CPACK_NSIS_URL_INFO_ABOUT "${ORLET_HOMEPAGE}")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)

# ---- macOS: the bundle goes to the image's top folder ---------------------
set(CPACK_DMG_VOLUME_NAME "Orlet ${PROJECT_VERSION}")
set(CPACK_DMG_FORMAT UDBZ)

# ---- Windows and macOS: Qt's libraries and plugins go beside the program ---
if(TARGET orlet AND (WIN32 OR APPLE) AND NOT CMAKE_CROSSCOMPILING AND COMMAND qt_generate_deploy_app_script)
  if(Qt6_VERSION VERSION_GREATER_EQUAL 6.5)
    qt_generate_deploy_app_script(TARGET orlet OUTPUT_SCRIPT _orlet_deploy_script NO_UNSUPPORTED_PLATFORM_ERROR)
  else()
    qt_generate_deploy_app_script(TARGET orlet FILENAME_VARIABLE _orlet_deploy_script NO_UNSUPPORTED_PLATFORM_ERROR)
  endif()
  install(SCRIPT "${_orlet_deploy_script}")
endif()

if(WIN32)
  list(APPEND CPACK_GENERATOR NSIS)
elseif(APPLE)
  list(APPEND CPACK_GENERATOR DragNDrop)
else()
  list(APPEND CPACK_GENERATOR DEB)
endif()

include(CPack)
