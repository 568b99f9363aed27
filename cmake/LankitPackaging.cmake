# Desktop integration, manual pages and the Debian packages.
#
# Four packages are made from the install components:
#   lankit         (component lankit)    the program, lankitctl, label-preview, language
#                                         files, desktop entry, icons, manual pages
#   libkorval<so>  (component korval)    the shared library
#   libkorval-dev  (component korvaldev) header, unversioned link, pkg-config file
#   lankit-sim     (component sim)       velto-sim and the camera streams script
# Versions come from project() and, for the library, from korval/CMakeLists.txt.
# Nothing here is built by default beyond a few compressed text files; scripts/package.sh
# runs cpack on a release build.

set(LANKIT_PACKAGE_CONTACT "lankit developers <lankit-dev@example.com>")
set(LANKIT_DEB_RELEASE 1)
set(LANKIT_DEB_VERSION ${PROJECT_VERSION}-${LANKIT_DEB_RELEASE})
set(LANKIT_KORVAL_PACKAGE libkorval${KORVAL_SOVERSION})

# --- desktop entry and icons --------------------------------------------------------------
set(LANKIT_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
install(FILES ${LANKIT_PACKAGING_DIR}/lankit.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT lankit)
install(FILES ${LANKIT_PACKAGING_DIR}/icons/48x48/lankit.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps COMPONENT lankit)
install(FILES ${LANKIT_PACKAGING_DIR}/icons/scalable/lankit.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT lankit)

# --- compressed manual pages and changelogs -------------------------------------------------
# Debian wants both gzip-compressed, without a time stamp in the gzip header (-n).
set(LANKIT_PACKAGE_TEXT_DIR ${CMAKE_BINARY_DIR}/package-text)
set(LANKIT_PACKAGE_TEXT "")
function(lankit_gzip_file source output)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${LANKIT_PACKAGE_TEXT_DIR}
        COMMAND sh -c "gzip -9nc '${source}' > '${output}'"
        DEPENDS ${source} VERBATIM)
    set(LANKIT_PACKAGE_TEXT ${LANKIT_PACKAGE_TEXT} ${output} PARENT_SCOPE)
endfunction()

set(LANKIT_MANUAL_PAGES lankit:lankit lankitctl:lankit label-preview:lankit velto-sim:sim)
foreach(entry ${LANKIT_MANUAL_PAGES})
    string(REPLACE ":" ";" parts ${entry})
    list(GET parts 0 page)
    list(GET parts 1 component)
    set(gz ${LANKIT_PACKAGE_TEXT_DIR}/${page}.1.gz)
    configure_file(${PROJECT_SOURCE_DIR}/man/${page}.1 ${LANKIT_PACKAGE_TEXT_DIR}/${page}.1 @ONLY)
    lankit_gzip_file(${LANKIT_PACKAGE_TEXT_DIR}/${page}.1 ${gz})
    install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endforeach()

# One changelog entry per release, dated from SOURCE_DATE_EPOCH when that is set. Only the
# day counts, so that reconfiguring leaves the file (and the packages) alone.
string(TIMESTAMP LANKIT_CHANGELOG_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)
set(CPACK_PACKAGE_CONTACT ${LANKIT_PACKAGE_CONTACT})
configure_file(${LANKIT_PACKAGING_DIR}/changelog.in ${LANKIT_PACKAGE_TEXT_DIR}/changelog.Debian
    @ONLY)
lankit_gzip_file(${LANKIT_PACKAGE_TEXT_DIR}/changelog.Debian
    ${LANKIT_PACKAGE_TEXT_DIR}/changelog.Debian.gz)
add_custom_target(lankit_package_text ALL DEPENDS ${LANKIT_PACKAGE_TEXT})

# Every package carries its own copyright file and changelog.
foreach(pair lankit:lankit ${LANKIT_KORVAL_PACKAGE}:korval libkorval-dev:korvaldev
        lankit-sim:sim)
    string(REPLACE ":" ";" parts ${pair})
    list(GET parts 0 package)
    list(GET parts 1 component)
    install(FILES ${LANKIT_PACKAGING_DIR}/copyright ${LANKIT_PACKAGE_TEXT_DIR}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# --- CPack ------------------------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lankit)
set(CPACK_PACKAGE_VENDOR "lankit developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/cpack)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL lankit korval korvaldev sim)
set(CPACK_COMPONENTS_GROUPING IGNORE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${LANKIT_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SOURCE lankit)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_LANKIT_PACKAGE_NAME lankit)
set(CPACK_DEBIAN_LANKIT_PACKAGE_SECTION net)
# The program loads korval at run time, which shlibdeps cannot see; it also needs Qt's
# multimedia plugins for the sound of the preview, and Qt's PostgreSQL driver (a plugin)
# for a label register shared by several stations.
set(CPACK_DEBIAN_LANKIT_PACKAGE_DEPENDS
    "${LANKIT_KORVAL_PACKAGE} (= ${LANKIT_DEB_VERSION}), libqt5multimedia5-plugins, libqt5sql5-psql")
set(CPACK_DEBIAN_LANKIT_PACKAGE_RECOMMENDS "fonts-wqy-microhei, cups-client")
set(CPACK_DEBIAN_LANKIT_DESCRIPTION
   "installer's tool for Velto network cameras
lankit finds the Velto cameras on the local network with a multicast
search, changes a camera's IP settings, name and factory state, uploads
firmware over HTTP, previews the camera's live stream with its sound and
prints a 45 x 45 mm identity label for each device.

The package also holds lankitctl, the command-line companion for scripted
production lines, and label-preview, which draws printer jobs as PNG files.")

set(CPACK_DEBIAN_KORVAL_PACKAGE_NAME ${LANKIT_KORVAL_PACKAGE})
set(CPACK_DEBIAN_KORVAL_PACKAGE_SECTION libs)
# The ldconfig trigger refreshes the linker cache once per dpkg run. CPack also writes
# postinst/postrm scripts that call ldconfig for any library under /usr/lib; they are
# redundant but harmless.
configure_file(${LANKIT_PACKAGING_DIR}/libkorval.triggers ${LANKIT_PACKAGE_TEXT_DIR}/triggers
    COPYONLY)
set(CPACK_DEBIAN_KORVAL_PACKAGE_CONTROL_EXTRA ${LANKIT_PACKAGE_TEXT_DIR}/triggers)
set(CPACK_DEBIAN_KORVAL_DESCRIPTION
   "label printer command library
korval turns calls of its flat C interface into commands of the label
printer's text language, collects them in a spool file and sends it to the
printer as one raw print job (CUPS queue, USB printer device or serial
port). It encodes QR symbols and renders TrueType text itself.

This package holds the shared library.")

set(CPACK_DEBIAN_KORVALDEV_PACKAGE_NAME libkorval-dev)
set(CPACK_DEBIAN_KORVALDEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_KORVALDEV_PACKAGE_DEPENDS "${LANKIT_KORVAL_PACKAGE} (= ${LANKIT_DEB_VERSION})")
set(CPACK_DEBIAN_KORVALDEV_DESCRIPTION
   "label printer command library - development files
korval turns calls of its flat C interface into commands of the label
printer's text language, collects them in a spool file and sends it to the
printer as one raw print job.

This package holds the header, the link to the library and the pkg-config
file: build with cc app.c $(pkg-config --cflags --libs korval).")

set(CPACK_DEBIAN_SIM_PACKAGE_NAME lankit-sim)
set(CPACK_DEBIAN_SIM_PACKAGE_SECTION net)
# The stream script is Python with GStreamer's RTSP server.
set(CPACK_DEBIAN_SIM_PACKAGE_DEPENDS "python3, python3-gi, gir1.2-gst-rtsp-server-1.0")
set(CPACK_DEBIAN_SIM_PACKAGE_RECOMMENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-ugly, gstreamer1.0-plugins-bad, gstreamer1.0-x")
set(CPACK_DEBIAN_SIM_DESCRIPTION
   "simulated Velto cameras for training rooms
velto-sim makes any number of simulated cameras on one network interface.
They answer the device protocol, keep the settings they are sent, accept
firmware uploads and serve a status page, so that lankit can be shown and
taught without real devices. /usr/share/lankit-sim/rtsp_cameras.py gives
each of them a live RTSP stream.")

include(CPack)
