# Installing and packaging the editor: a Debian package on Linux; on Windows
# (the mingw cross build) a zip and a 64-bit NSIS installer. scripts/package.sh
# runs cpack in both builds.

# The web build installs its page alone (web.cmake).
if(NOT (VORN_EDITOR AND TARGET VornGroundEditor) OR EMSCRIPTEN)
  return()
endif()

set(VORN_PACKAGE vorngroundeditor)
set(VORN_MAINTAINER "VornGroundEditor developers <vorngroundeditor@example.org>")
set(VORN_SUMMARY "editor for the ground layer of 64 x 64 tile maps")
set(VORN_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

if(WIN32)
  # The exe carries the icon, its manifest (UTF-8 as the ANSI code page: the
  # editor's file names need it) and its version information.
  set(VORN_ICON_ICO ${CMAKE_BINARY_DIR}/vorngroundeditor.ico)
  set(VORN_MANIFEST ${VORN_PACKAGING}/editor.manifest)
  configure_file(${VORN_PACKAGING}/editor.rc.in ${CMAKE_BINARY_DIR}/editor.rc @ONLY)
  target_sources(VornGroundEditor PRIVATE ${CMAKE_BINARY_DIR}/editor.rc)
  set_source_files_properties(${CMAKE_BINARY_DIR}/editor.rc PROPERTIES
                              OBJECT_DEPENDS "${VORN_ICON_ICO};${VORN_MANIFEST}")
  if(MSVC)
    # One manifest: ours, from the resource, not the linker's default as well.
    target_link_options(VornGroundEditor PRIVATE /MANIFEST:NO)
  endif()

  configure_file(${VORN_PACKAGING}/README.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt COPYONLY)
  # Everything in one folder: the editor finds its art beside itself.
  install(TARGETS VornGroundEditor RUNTIME DESTINATION .)
  install(FILES ${VORN_ART_FILES} ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)
  # The command-line tool beside the editor, finding the same art.
  install(TARGETS vorn-map RUNTIME DESTINATION .)

  set(CPACK_GENERATOR ZIP NSIS)
  set(CPACK_PACKAGE_FILE_NAME VornGroundEditor-${PROJECT_VERSION}-win64)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY VornGroundEditor)
  set(CPACK_PACKAGE_EXECUTABLES VornGroundEditor VornGroundEditor)
  set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt)
  # makensis builds 32-bit x86 installers unless told otherwise; this one
  # installs a 64-bit program into the 64-bit Program Files.
  set(CPACK_NSIS_DEFINES "Target amd64-unicode")
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
  set(CPACK_NSIS_PACKAGE_NAME VornGroundEditor)
  set(CPACK_NSIS_DISPLAY_NAME "VornGroundEditor ${PROJECT_VERSION}")
  set(CPACK_NSIS_INSTALLED_ICON_NAME VornGroundEditor.exe)
  set(CPACK_NSIS_MUI_ICON ${VORN_ICON_ICO})
  set(CPACK_NSIS_MUI_UNIICON ${VORN_ICON_ICO})
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  set(CPACK_NSIS_CONTACT "${VORN_MAINTAINER}")
  # Maps in Explorer's "Open with" (packaging/map_type.nsh). Backticks: the
  # path reaches the script as it is, whatever it holds.
  string(APPEND CPACK_NSIS_DEFINES "\n!include `${VORN_PACKAGING}/map_type.nsh`")
  set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro VornRegisterMapType")
  set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro VornUnregisterMapType")
else()
  include(GNUInstallDirs)
  # The man page and the changelog go in compressed, as Debian wants them.
  configure_file(${VORN_PACKAGING}/VornGroundEditor.1.in ${CMAKE_BINARY_DIR}/pkg/VornGroundEditor.1 @ONLY)
  configure_file(${VORN_PACKAGING}/vorn-map.1.in ${CMAKE_BINARY_DIR}/pkg/vorn-map.1 @ONLY)
  configure_file(${VORN_PACKAGING}/changelog.in ${CMAKE_BINARY_DIR}/pkg/changelog @ONLY)
  set(vorn_gz ${CMAKE_BINARY_DIR}/pkg/VornGroundEditor.1.gz ${CMAKE_BINARY_DIR}/pkg/vorn-map.1.gz
      ${CMAKE_BINARY_DIR}/pkg/changelog.gz)
  add_custom_command(
    OUTPUT ${vorn_gz}
    COMMAND gzip -9nf -k VornGroundEditor.1 vorn-map.1 changelog
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/pkg
    DEPENDS ${CMAKE_BINARY_DIR}/pkg/VornGroundEditor.1 ${CMAKE_BINARY_DIR}/pkg/vorn-map.1
            ${CMAKE_BINARY_DIR}/pkg/changelog
    VERBATIM)
  add_custom_target(vorn_package_docs ALL DEPENDS ${vorn_gz})

  # Files 644 and folders 755 whatever the builder's umask.
  set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  # Debian's documentation folder is named after the package, not the project.
  set(vorn_docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${VORN_PACKAGE})
  install(TARGETS VornGroundEditor vorn-map RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${VORN_ART_FILES} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/${VORN_PACKAGE})
  install(FILES ${VORN_PACKAGING}/vorngroundeditor.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  install(FILES ${CMAKE_BINARY_DIR}/vorngroundeditor.svg
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
  # Map files on the desktop: their type (named by *.map), its icon, and
  # thumbnails drawn by vorn-map. shared-mime-info's and desktop-file-utils'
  # triggers rebuild the type and application caches when these arrive.
  install(FILES ${VORN_PACKAGING}/vorngroundeditor-mime.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages
          RENAME vorngroundeditor.xml)
  install(FILES ${CMAKE_BINARY_DIR}/application-x-vorngroundeditor-map.svg
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/mimetypes)
  install(FILES ${VORN_PACKAGING}/vorngroundeditor.thumbnailer DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/thumbnailers)
  install(FILES ${CMAKE_BINARY_DIR}/pkg/VornGroundEditor.1.gz ${CMAKE_BINARY_DIR}/pkg/vorn-map.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${VORN_PACKAGING}/copyright ${CMAKE_BINARY_DIR}/pkg/changelog.gz DESTINATION ${vorn_docdir})

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME ${VORN_PACKAGE})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # SDL opens libGL.so.1 at run time, so no library dependency names it.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS libgl1)
  # The file dialogs are zenity's, or kdialog's on KDE.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "zenity | kdialog")
  # The synopsis goes in CPACK_PACKAGE_DESCRIPTION_SUMMARY only: CPack 3.25
  # puts it in front of the description itself and would repeat it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
You paint five terrain kinds with a square brush on a lattice of points
twice as fine as the cells. After every painted point the editor repairs
the kinds around it and picks each affected cell's tile by itself. It
loads and saves raw 4096-byte maps, generates or imports a height field
and paints ground from it with a flood-fill preview, and shows a mission
file's structures and objects over the ground. The command-line tool
vorn-map renders maps as PNG images and thumbnails, applies the height
fill and checks maps, for scripts and build pipelines.")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()

set(CPACK_PACKAGE_NAME VornGroundEditor)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_VENDOR "The VornGroundEditor developers")
set(CPACK_PACKAGE_CONTACT "${VORN_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${VORN_SUMMARY}")
include(CPack)
