# What `cmake --install` lays out and what `cpack -G DEB` packs: the two programs, the help page
# the window finds in ../share/zentrova, the menu entry, its icons, the AppStream metadata and
# the command line's manual page.
include(GNUInstallDirs)

install(TARGETS zentrova-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/man/zentrova-convert.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(NOT ZENTROVA_ENGINE_ONLY)
  install(TARGETS zentrova RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES res/help.html DESTINATION ${CMAKE_INSTALL_DATADIR}/zentrova)
  install(FILES res/desktop/example.zentrova.Converter.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES res/desktop/example.zentrova.Converter.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(DIRECTORY res/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

set(CPACK_PACKAGE_NAME zentrova)
set(CPACK_PACKAGE_VENDOR Zentrova)
set(CPACK_PACKAGE_CONTACT "Zentrova support <support@zentrova.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Convert videos and music for iPod, iPod nano and iPod touch")
set(CPACK_PACKAGE_DESCRIPTION "A desktop converter that turns a list of media files into H.264 or MPEG-4 \
video with AAC sound in MP4 files for iPod, iPod nano and iPod touch, or AAC, MP3 and M4A audio \
files: each file on its own or merged into one, trimmed while watching, with a live picture of \
the frames being converted. Includes the command-line converter zentrova-convert.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://zentrova.example/ipod-video-converter")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# The libraries the programs load, as dpkg-shlibdeps reads them from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
