# The Debian package: `cpack` in a build directory writes tarnwell_<version>_<arch>.deb.
# Build it from a Release build; the packed program must not be stripped (see src/app).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwell)
set(CPACK_PACKAGE_VENDOR "Quorvane Associates Inc.")
set(CPACK_PACKAGE_CONTACT "Quorvane Associates Inc. Library Support <library.support@quorvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Vendor library import for SPI instrumentation databases")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES OFF)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The long description; CPack puts the summary above it as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tarnwell carries the KEL - DORVAN field-bus apparatus library, which travels inside
the program file, into the database of an SPI installation on Oracle or SQL Server:
strip configurations with their terminals, and reference strips in a library
junction box. It connects through unixODBC.")
# Libraries the programs link against are found by dpkg-shlibdeps; these are loaded at run time
# (Qt's ODBC driver and its driver manager, the windowing platforms, the SVG icon plugins) and
# would be missed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-odbc, unixodbc, qt6-qpa-plugins, libqt6svg6")
# The ODBC driver that reaches SQL Server from Debian's own packages.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "tdsodbc")

include(CPack)
