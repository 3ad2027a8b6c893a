# The Debian package (`./run package`): the libraries, headers, CMake and
# pkg-config files, cmdtool and the documentation under /usr. dpkg-shlibdeps
# works out the libraries it needs at run time; the fonts that the drawing
# functions map the Windows face names to are declared by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cmddll3)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Installation paths, settings files, the material catalogue and other master files, \
display texts of money, quantities and dates, and Japanese text fitted into the cells of \
forms, for the programs of the application. Includes the headers, CMake and pkg-config \
files to build them, and the command-line program cmdtool.")
set(CPACK_PACKAGE_CONTACT "cmddll3 developers <cmddll3@example.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/deb)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-mincho | fonts-japanese-mincho")
# What a host build needs besides this package: pkg-config resolves the
# platform library's private requirements for --cflags.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pkg-config, libcairo2-dev, libpango1.0-dev, libfontconfig-dev")

include(CPack)
