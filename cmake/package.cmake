# The Debian package: `cpack -G DEB` in the build directory. Its library
# dependencies are worked out by dpkg-shlibdeps; the Qt plugins the programs
# load at run time are named here, as no linker sees them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME setvyn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The setvyn developers")
set(CPACK_PACKAGE_CONTACT "The setvyn developers <setvyn@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configurator of Vyn metering calculators")
set(CPACK_PACKAGE_DESCRIPTION
    "setvyn composes, stores and writes the configurations of Vyn heat, water and\n"
    "electricity metering calculators over a serial line and prints their\n"
    "passports and programming cards. VynData edits alternative-days files;\n"
    "vyntool is the same core on the command line; vynsim simulates a calculator.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The SQLite driver and the platform plugins (xcb, offscreen).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-qpa-plugins")
# A database on a PostgreSQL server needs its Qt driver.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xdg-utils")
set(CPACK_STRIP_FILES OFF)
include(CPack)
