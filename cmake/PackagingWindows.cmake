# The Windows build's run-time files and its package: the Qt and MinGW
# run-time DLLs and the Qt plugins beside orlet.exe and orlet-gen.exe, in the
# build tree (target orlet_runtime, so that the programs and the tests start
# there) and in a ZIP named with the version (cpack -G ZIP).
# include() this from the top CMakeLists.txt, after the programs' targets.

# The MinGW run-time DLLs that the compiler links the programs against.
set(orlet_mingw_dlls)
foreach(dll IN ITEMS libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${dll_path}" OR NOT EXISTS "${dll_path}")
    # GCC knows its own libraries; libwinpthread lives with the target's.
    find_file(dll_path_${dll} ${dll} PATHS /usr/x86_64-w64-mingw32/lib NO_CACHE NO_CMAKE_FIND_ROOT_PATH)
    set(dll_path "${dll_path_${dll}}")
  endif()
  if(NOT EXISTS "${dll_path}")
    message(FATAL_ERROR "${dll} not found: install g++-mingw-w64-x86-64-posix")
  endif()
  list(APPEND orlet_mingw_dlls "${dll_path}")
endforeach()

set(orlet_qt_dlls $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>)
set(orlet_qt_platform $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>)
set(orlet_qt_style $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>)

# Beside the executables of the build tree; the tests also take Qt Test and
# the offscreen platform.
set(orlet_runtime_dir $<TARGET_FILE_DIR:orlet>)
set(orlet_copy_runtime
  COMMAND ${CMAKE_COMMAND} -E make_directory ${orlet_runtime_dir}/platforms ${orlet_runtime_dir}/styles
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${orlet_mingw_dlls} ${orlet_qt_dlls} ${orlet_runtime_dir}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${orlet_qt_platform} ${orlet_runtime_dir}/platforms
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${orlet_qt_style} ${orlet_runtime_dir}/styles)
if(TARGET Qt6::Test)
  list(APPEND orlet_copy_runtime
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Qt6::Test> ${orlet_runtime_dir}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>
            ${orlet_runtime_dir}/platforms)
endif()
add_custom_target(orlet_runtime ALL ${orlet_copy_runtime} COMMENT "Copying the Qt and MinGW run-time files")

# The package: both programs in bin/ with everything they need to start.
install(FILES ${orlet_mingw_dlls} ${orlet_qt_dlls} DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${orlet_qt_platform} DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
install(FILES ${orlet_qt_style} DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)
if(CMAKE_STRIP)
  # The DLLs come with their symbols: stripped, the package is a third.
  install(CODE "
    file(GLOB_RECURSE orlet_binaries \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/*.dll\"
                                     \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/*.exe\")
    foreach(binary IN LISTS orlet_binaries)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${binary}\")
    endforeach()")
endif()

# What travels with the programs: Orlet's licence, the terms and the source
# of the DLLs of others, and how to start it.
string(REGEX REPLACE "." "=" ORLET_README_RULE "Orlet ${PROJECT_VERSION} for Windows")
configure_file(${PROJECT_SOURCE_DIR}/packaging/README-Windows.txt.in ${PROJECT_BINARY_DIR}/packaging/README.txt @ONLY)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/THIRD-PARTY-NOTICES.txt ${PROJECT_BINARY_DIR}/packaging/README.txt
        DESTINATION .)

set(CPACK_PACKAGE_NAME Orlet)
set(CPACK_PACKAGE_VENDOR Orlet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_FILE_NAME Orlet-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Orlet)
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

# The installer (Debian's makensis builds it here): Orlet-VERSION-win64-setup.exe,
# a Start-menu entry for the window, an uninstaller that removes everything.
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_EXECUTABLES orlet Orlet)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY bin)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_DISPLAY_NAME "Orlet ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME Orlet)
set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/ui/res/icons/orlet.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/ui/res/icons/orlet.ico)
set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\orlet.exe")
set(CPACK_NSIS_URL_INFO_ABOUT "${ORLET_HOMEPAGE}")
set(CPACK_NSIS_HELP_LINK "${ORLET_HOMEPAGE}")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_MENU_LINKS README.txt "Orlet README")
# A 64-bit installer, like the programs: it runs where they run, a 64-bit
# Wine without its 32-bit half included. Once uninstalled, the vendor's
# registry key goes too if it holds nothing else. (CPackConfig.cmake takes
# these texts as they are: quotes and backslashes escaped once more.)
set(CPACK_NSIS_DEFINES "Target amd64-unicode
Function un.onUninstSuccess
  DeleteRegKey /ifempty SHCTX \\\"Software\\\\${CPACK_PACKAGE_VENDOR}\\\"
FunctionEnd")
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackWindowsOptions.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "
if(CPACK_GENERATOR STREQUAL \"NSIS\")
  set(CPACK_PACKAGE_FILE_NAME \"Orlet-${PROJECT_VERSION}-win64-setup\")
endif()
")
include(CPack)
