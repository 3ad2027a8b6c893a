# What `cmake --install` puts under the prefix (GNUInstallDirs layout), the
# CMake package and the pkg-config files that hosts build with, and the Debian
# package that CPack makes of the same files.
include(CMakePackageConfigHelpers)

set(CMD_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/cmddll3)
set(CMD_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(TARGETS cmddll3 cmdplatform EXPORT cmddll3Targets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS cmdtool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Every public header is under include/cmddll3, so an installed header only
# ever includes installed ones; the sources' own headers (src/) stay inside.
install(DIRECTORY include/cmddll3 DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h" PATTERN "*.def")
install(FILES ${PROJECT_BINARY_DIR}/include/cmddll3/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/cmddll3)

# ---------------------------------------------------------------- CMake package
install(EXPORT cmddll3Targets NAMESPACE cmddll3:: DESTINATION ${CMD_CMAKE_DIR})
configure_package_config_file(cmake/cmddll3Config.cmake.in
                              ${PROJECT_BINARY_DIR}/cmddll3Config.cmake
                              INSTALL_DESTINATION ${CMD_CMAKE_DIR})
# A host asking for 1.x gets any 1.y (y >= x): the major number is the SOVERSION.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/cmddll3ConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/cmddll3Config.cmake
              ${PROJECT_BINARY_DIR}/cmddll3ConfigVersion.cmake
        DESTINATION ${CMD_CMAKE_DIR})

# ---------------------------------------------------------------- pkg-config
# The prefix is found from where the .pc file lies, so the files serve the
# same way under /usr, a temporary prefix or an unpacked package.
file(RELATIVE_PATH CMD_PC_TO_PREFIX /${CMD_PKGCONFIG_DIR} /)
string(REGEX REPLACE "/$" "" CMD_PC_TO_PREFIX "${CMD_PC_TO_PREFIX}")
foreach(pc cmddll3 cmdplatform)
  configure_file(cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMD_PKGCONFIG_DIR})
endforeach()

# ---------------------------------------------------------------- documentation
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY examples/host DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

include(cmake/Package.cmake)
