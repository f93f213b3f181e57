# The Debian package: `cpack -G DEB` in a build directory (see README, "Installing").

set(CPACK_PACKAGE_NAME sorvik)
set(CPACK_PACKAGE_VENDOR "The Sorvik developers")
set(CPACK_PACKAGE_CONTACT "The Sorvik developers <sorvik@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "collect readiness data from the file servers of a Quarlix network")
# The package's long description, wrapped to fit an 80-column terminal in `apt show`.
set(CPACK_PACKAGE_DESCRIPTION
    "Sorvik lists the file servers of a Quarlix network, scans the selected
ones and writes one server data file per server, headed by the
administrator's contact profile, then packs the data files into one ZIP
archive for sending by upload page, e-mail or removable disk. Headless
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
# qt6-wayland lets the window open in a Wayland session; without it Qt needs XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland")

# The package's file dates are the build's date (see Install.cmake), so that two packages of one
# build are the same bytes; SOURCE_DATE_EPOCH set when cpack runs wins.
set(SORVIK_CPACK_CONFIG ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake)
file(CONFIGURE OUTPUT ${SORVIK_CPACK_CONFIG} CONTENT
"if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ENV{SOURCE_DATE_EPOCH} ${SORVIK_SOURCE_DATE_EPOCH})
endif()
")
set(CPACK_PROJECT_CONFIG_FILE ${SORVIK_CPACK_CONFIG})

include(CPack)
