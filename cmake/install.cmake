# What `cmake --install` puts on a system, and the Debian package made of it
# by `cpack -G DEB`: the three programs, their manual pages, and what a
# desktop needs to open .vyk and STL files and to show their thumbnails.
include(GNUInstallDirs)

set(VYK_SHARE ${CMAKE_SOURCE_DIR}/share)
set(VYK_SHARE_OUT ${CMAKE_BINARY_DIR}/share)

# vykview(1) shows the README's table of keys and mouse, so the two never
# disagree: each row "| input | does |" becomes a tagged paragraph, and
# `code` becomes bold.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/README.md)
file(READ ${CMAKE_SOURCE_DIR}/README.md readme)
string(REGEX MATCH "\n\\| input \\| does \\|\n\\|---\\|---\\|\n(\\|[^\n]*\n)+" table "${readme}")
if(NOT table)
  message(FATAL_ERROR "README.md has no table of keys and mouse (| input | does |)")
endif()
string(REGEX REPLACE "^\n[^\n]*\n[^\n]*\n" "" table "${table}")
string(REGEX REPLACE "\\| ([^\n]*) \\| ([^\n]*) \\|\n" ".TP\n\\1\n\\2\n" table "${table}")
string(REGEX REPLACE "`([^`]*)`" "\\\\fB\\1\\\\fR" VYK_INPUT_TABLE "${table}")
string(STRIP "${VYK_INPUT_TABLE}" VYK_INPUT_TABLE)

set(VYK_MAN_PAGES vykview.1 vykshot.1 vykconv.1)
foreach(page ${VYK_MAN_PAGES})
  configure_file(${VYK_SHARE}/${page}.in ${VYK_SHARE_OUT}/${page} @ONLY)
  install(FILES ${VYK_SHARE_OUT}/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

install(TARGETS vykview vykshot vykconv RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VYK_SHARE}/vykview.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VYK_SHARE}/vykview.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${VYK_SHARE}/vykview.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES ${VYK_SHARE}/vykview.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)

set(CPACK_PACKAGE_NAME vykview)
set(CPACK_PACKAGE_VENDOR "vykview developers")
set(CPACK_PACKAGE_CONTACT "vykview developers <vykview@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "OpenGL 3.3 viewer for .vyk scenes and STL models")
set(CPACK_PACKAGE_DESCRIPTION "vykview shows .vyk scenes (NURBS and polygon surfaces with colour, bump and \
specular maps and an environment cube map) and STL models, and morphs between files. vykshot renders the \
first frame to PNG (also as the desktop's thumbnailer), and vykconv converts between .vyk and STL.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON) # the debugging data stays in the build tree
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The linked libraries come from dpkg-shlibdeps. It cannot see what is opened
# at run time: libEGL (for drawing without a display, as the thumbnailer
# does) and Mesa's drivers.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libegl1, libegl-mesa0, libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
include(CPack)
