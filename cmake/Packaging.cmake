# The Debian package: `cpack` in a build directory writes tarnwell_<version>_<arch>.deb.
# In a Windows build it writes a Windows installer, tarnwell-<version>-windows-x64.exe, and a
# zip of the same files to run without installing.
# Build it from a Release build; the packed program must not be stripped (see src/app).

set(CPACK_PACKAGE_NAME tarnwell)
set(CPACK_PACKAGE_VENDOR "Quorvane Associates Inc.")
set(CPACK_PACKAGE_CONTACT "Quorvane Associates Inc. Library Support <library.support@quorvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Vendor library import for SPI instrumentation databases")
set(CPACK_STRIP_FILES OFF)

if(WIN32)
    set(CPACK_GENERATOR NSIS ZIP)
    set(CPACK_PACKAGE_FILE_NAME tarnwell-${PROJECT_VERSION}-windows-x64)
    set(CPACK_PACKAGE_INSTALL_DIRECTORY Tarnwell)
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Tarnwell)
    set(CPACK_NSIS_PACKAGE_NAME Tarnwell)
    set(CPACK_NSIS_DISPLAY_NAME "Tarnwell ${PROJECT_VERSION}")
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    # The Start-menu entry; the program lies in the installation folder itself.
    set(CPACK_PACKAGE_EXECUTABLES tarnwell Tarnwell)
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
    set(CPACK_NSIS_MUI_ICON ${TARNWELL_ICON})
    set(CPACK_NSIS_MUI_UNIICON ${TARNWELL_ICON})
    set(CPACK_NSIS_INSTALLED_ICON_NAME tarnwell.exe)
    set(CPACK_NSIS_CONTACT "library.support@quorvane.example")
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
    # A 64-bit installer for a 64-bit program: it sees the 64-bit Program Files and registry,
    # and runs where 32-bit Windows programs cannot (a 64-bit-only wine).
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
    include(CPack)
    return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

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
