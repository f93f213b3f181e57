# The Debian package: `cpack -G DEB` in a build directory (see README, "Installing").

set(CPACK_PACKAGE_NAME sorvik)
set(CPACK_PACKAGE_VENDOR "The Sorvik developers")
set(CPACK_PACKAGE_CONTACT "The Sorvik developers <sorvik@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "collect readiness data from the file servers of a Quarlix network")
set(CPACK_PACKAGE_DESCRIPTION
    "Sorvik lists the file servers of a Quarlix network, scans the selected ones and writes one
server data file per server, headed by the administrator's contact profile, then packs the data
files into one ZIP archive for sending by upload page, e-mail or removable disk. Headless
commands do the same work without a display.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://sorvik.example.org/)
# The libraries come from dpkg-shlibdeps. Qt loads its platform plugins at run time, which the
# library scan cannot see, and the window's Arial is resolved to Liberation Sans by fontconfig.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation")
# xdg-open starts the browser, the mail program and, without a known text editor, "View Data".
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")

include(CPack)
