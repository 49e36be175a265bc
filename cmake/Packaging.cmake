# The Debian package: `cpack -G DEB` in the build folder. Run-time libraries are
# found by dpkg-shlibdeps; GStreamer's plugins are named, as no library links them.
include(GNUInstallDirs)

# The user unit names the executable where it is installed: known at install time
# only (cpack installs under /usr, `cmake --install --prefix` anywhere).
install(CODE "
  file(READ \"${PROJECT_SOURCE_DIR}/resources/systemd/ombrix.service.in\" unit)
  string(REPLACE \"@OMBRIX_BINDIR@\" \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\" unit \"\${unit}\")
  file(WRITE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/user/ombrix.service\" \"\${unit}\")
  message(STATUS \"Installing: \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/lib/systemd/user/ombrix.service\")
")

# Debian wants the documents compressed, and reproducibly (no name or time inside).
foreach(document changelog ombrix.1)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${document}.gz
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/resources/$<IF:$<STREQUAL:${document},changelog>,debian/changelog,${document}> > ${PROJECT_BINARY_DIR}/${document}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/$<IF:$<STREQUAL:${document},changelog>,debian/changelog,${document}>
    VERBATIM)
endforeach()
add_custom_target(ombrix_documents ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz ${PROJECT_BINARY_DIR}/ombrix.1.gz)
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ombrix)
install(FILES ${PROJECT_BINARY_DIR}/ombrix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ombrix)
set(CPACK_PACKAGE_VENDOR "The Ombrix developers")
set(CPACK_PACKAGE_CONTACT "Ombrix developers <dev@ombrix.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "time-lapse pictures from a webcam, saved and uploaded by FTP")
# The extended description; the summary above is its first line.
set(CPACK_PACKAGE_DESCRIPTION "Ombrix turns a camera attached to the computer into a time-lapse still
camera: at the chosen interval it takes a picture, stamps the date and time
into it if asked, and saves it into a folder, uploads it to an FTP or FTPS
server, or both. It runs with its window or headless as a systemd user
service, keeps pictures for the server while it is away, and makes films
of recorded sequences.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://${OMBRIX_HOMEPAGE_HOST}/ombrix")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring, gstreamer1.0-plugins-ugly, gstreamer1.0-plugins-bad")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
include(CPack)
